#include "fee/SlotTable.h"
#include "FeeFixture.h"

#include <functional>
#include <gtest/gtest.h>

namespace tolvo {
namespace {

SlotInputs example()
{
    return {.basicOn = true, .bandOn = {true, true, false}, .dailyCapOn = true, .basicTime = "30", .basicAmount = "1000",
            .bandEnd = {"60", "120", "120"}, .bandUnit = {"10", "15", "0"}, .bandAmount = {"500", "400", "0"},
            .finalUnit = "30", .finalAmount = "1000", .dailyCap = "20000"};
}

SlotInputs basicOnly(const char* basicTime, const char* finalUnit, const char* finalAmount)
{
    return {.basicOn = true, .basicTime = basicTime, .basicAmount = "1000", .bandEnd = {}, .bandUnit = {}, .bandAmount = {},
            .finalUnit = finalUnit, .finalAmount = finalAmount, .dailyCap = {}};
}

struct Range {
    int from, to;
    qint32 fee;
    std::optional<qint32> amount;
    const char* rule;
};

void expectRanges(const SlotGeneration& g, const std::vector<Range>& ranges)
{
    ASSERT_EQ(g.kind, SlotGeneration::Ok) << g.error.toStdString();
    ASSERT_EQ(g.rows.size(), 288u);
    for (const Range& r : ranges) {
        for (int s = r.from; s <= r.to; ++s) {
            const SlotRow& row = g.rows[size_t(s - 1)];
            EXPECT_EQ(row.slot, s);
            EXPECT_EQ(row.fee, r.fee) << "slot " << s;
            EXPECT_EQ(row.amount, r.amount) << "slot " << s;
            EXPECT_EQ(row.rule, QString::fromUtf8(r.rule)) << "slot " << s;
        }
    }
}

TEST(SlotLabels, EndOfTheSlotAsTimeOfDay)
{
    const std::pair<int, const char*> cases[] = {
        {1, "00시간05분"}, {12, "01시간00분"}, {13, "01시간05분"}, {287, "23시간55분"}, {288, "00시간00분"}};
    for (const auto& [slot, label] : cases) EXPECT_EQ(SlotLabel(slot), QString::fromUtf8(label)) << slot;
    const SlotGeneration g = GenerateSlotTable(example());
    for (int s = 1; s <= 288; ++s) EXPECT_EQ(g.rows[size_t(s - 1)].parkTime, SlotLabel(s));
}

struct GeneratorCase {
    const char* name;
    SlotInputs inputs;
    std::vector<Range> ranges;
};

SlotInputs with(SlotInputs in, const std::function<void(SlotInputs&)>& change)
{
    change(in);
    return in;
}

TEST(SlotGenerator, RowsOfEachTariff)
{
    const GeneratorCase cases[] = {
        {"worked example", example(),
         {{1, 6, 1000, 1000, "기본요금"}, {7, 8, 1500, 500, "구간요금1"}, {9, 10, 2000, 500, "구간요금1"},
          {11, 12, 2500, 500, "구간요금1"}, {13, 15, 2900, 400, "구간요금2"}, {16, 18, 3300, 400, "구간요금2"},
          {19, 21, 3700, 400, "구간요금2"}, {22, 24, 4100, 400, "구간요금2"}, {25, 30, 5100, 1000, "최종구간"},
          {31, 36, 6100, 1000, "최종구간"}, {109, 114, 19100, 1000, "최종구간"}, {115, 288, 20000, 20000, "일일최대"}}},
        {"cap equal to the fee counts as reached", with(example(), [](SlotInputs& in) { in.dailyCap = "20100"; }),
         {{109, 114, 19100, 1000, "최종구간"}, {115, 288, 20100, 20100, "일일최대"}}},
        // 25 / 10 = 2.5 gives 2 units; (1440 - 55) / 60 gives 23 units of 12 rows.
        {"units round half to even",
         with(basicOnly("30", "60", "100"),
              [](SlotInputs& in) {
                  in.bandOn[0] = true, in.bandEnd[0] = "55", in.bandUnit[0] = "10", in.bandAmount[0] = "500";
              }),
         {{1, 6, 1000, 1000, "기본요금"}, {7, 8, 1500, 500, "구간요금1"}, {9, 10, 2000, 500, "구간요금1"},
          {11, 22, 2100, 100, "최종구간"}, {275, 286, 4300, 100, "최종구간"}, {287, 288, 0, std::nullopt, ""}}},
        // (1440 - 90) / 60 = 22.5 gives 22 units: 18 + 264 rows.
        {"unreached slots stay empty", basicOnly("90", "60", "100"),
         {{1, 18, 1000, 1000, "기본요금"}, {271, 282, 3200, 100, "최종구간"}, {283, 288, 0, std::nullopt, ""}}},
        // 23.5 gives 24 units; the last unit's 12 rows only half fit.
        {"rows past the day are dropped", basicOnly("30", "60", "100"),
         {{1, 6, 1000, 1000, "기본요금"}, {283, 288, 3400, 100, "최종구간"}}},
        // Band 1 from 0 to 60: 6 units of 2 rows.
        {"without basic the first band starts at 0",
         with(example(), [](SlotInputs& in) { in.basicOn = false, in.dailyCapOn = false; }),
         {{1, 2, 500, 500, "구간요금1"}, {11, 12, 3000, 500, "구간요금1"}, {13, 15, 3400, 400, "구간요금2"}}},
        {"empty cap field caps every band row at 0", with(example(), [](SlotInputs& in) { in.dailyCap = ""; }),
         {{1, 6, 1000, 1000, "기본요금"}, {7, 288, 0, 0, "일일최대"}}},
        // No band-1 rows; the final band counts from minute 30 again: 47 units, rows past 288 dropped.
        {"band ending before the previous boundary writes nothing",
         with(basicOnly("60", "30", "100"),
              [](SlotInputs& in) {
                  in.bandOn[0] = true, in.bandEnd[0] = "30", in.bandUnit[0] = "10", in.bandAmount[0] = "500";
              }),
         {{1, 12, 1000, 1000, "기본요금"}, {13, 18, 1100, 100, "최종구간"}, {283, 288, 5600, 100, "최종구간"}}},
        // The final band is not used in this mode.
        {"fixed amount everywhere",
         with(example(), [](SlotInputs& in) { in.fixedOn = true, in.basicAmount = "15000", in.finalUnit = "60"; }),
         {{1, 288, 15000, 15000, "고정요금"}}},
    };
    for (const GeneratorCase& c : cases) {
        SCOPED_TRACE(c.name);
        expectRanges(GenerateSlotTable(c.inputs), c.ranges);
    }
}

struct UnitCase {
    const char* name;
    int band; // 0..2, or 3 for the final band
    bool on;
    bool fixed;
    const char* unit;
    const char* refusedField; // "" when accepted
};

const UnitCase kUnits[] = {
    {"band 1 4.9", 0, true, false, "4.9", "T4"},
    {"band 1 5", 0, true, false, "5", ""},
    {"band 2 empty", 1, true, false, "", "T7"},
    {"band 3 0", 2, true, false, "0", "T10"},
    {"band 3 off", 2, false, false, "1", ""},
    {"band 2 in fixed mode", 1, true, true, "3", "T7"},
    {"final 0", 3, true, false, "0", "T12"},
    {"final 4", 3, true, false, "4", "T12"},
    {"final 5", 3, true, false, "5", ""},
    {"final 0 in fixed mode", 3, true, true, "0", "T12"},
};

class UnitCheck : public ::testing::TestWithParam<UnitCase> {};

TEST_P(UnitCheck, RefusesUnitsBelowFiveMinutes)
{
    const UnitCase& c = GetParam();
    SlotInputs in = example();
    in.fixedOn = c.fixed;
    if (c.band == 3) {
        in.finalUnit = c.unit;
    } else {
        in.bandOn[c.band] = c.on;
        in.bandUnit[c.band] = c.unit;
        in.bandEnd[c.band] = in.bandEnd[c.band].isEmpty() ? "120" : in.bandEnd[c.band];
    }
    const SlotGeneration g = GenerateSlotTable(in);
    if (*c.refusedField) {
        EXPECT_EQ(g.kind, SlotGeneration::UnitTooSmall) << c.name;
        EXPECT_EQ(g.focusField, QString::fromLatin1(c.refusedField)) << c.name;
        EXPECT_TRUE(g.rows.empty());
    } else {
        EXPECT_EQ(g.kind, SlotGeneration::Ok) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Units, UnitCheck, ::testing::ValuesIn(kUnits), [](const auto& i) { return test::CaseName(i); });

TEST(SlotGenerator, OnlyTheFirstFailingBandIsReported)
{
    SlotInputs in = example();
    in.bandUnit[0] = "2";
    in.bandUnit[1] = "1";
    EXPECT_EQ(GenerateSlotTable(in).focusField, "T4");
}

TEST(SlotGenerator, BasicSectionLongerThanADayFails)
{
    const SlotGeneration g = GenerateSlotTable(basicOnly("1443", "60", "100"));
    EXPECT_EQ(g.kind, SlotGeneration::Failed);
    EXPECT_FALSE(g.error.isEmpty());
    EXPECT_EQ(GenerateSlotTable(basicOnly("1442", "60", "100")).kind, SlotGeneration::Ok);
}

TEST(SlotGenerator, ValuesBeyondTheirWidthFail)
{
    EXPECT_EQ(GenerateSlotTable(basicOnly("40000", "60", "100")).kind, SlotGeneration::Failed);
    SlotInputs in = example();
    in.basicAmount = "3000000000";
    EXPECT_EQ(GenerateSlotTable(in).kind, SlotGeneration::Failed);
}

using SlotTableDb = test::FeeFixture;

std::vector<std::pair<int, qint64>> readTable(const QSqlDatabase& db)
{
    std::vector<std::pair<int, qint64>> out;
    QSqlQuery q = Query(db, "SELECT 시간, 요금 FROM 요금테이블 ORDER BY 시간");
    while (q.next()) out.emplace_back(q.value(0).toInt(), q.value(1).toLongLong());
    return out;
}

TEST_F(SlotTableDb, WriteReplacesTheWholeTable)
{
    addLinearSlots();
    const SlotGeneration g = GenerateSlotTable(example());
    WriteSlotTable(st.Db, g.rows);
    const auto rows = readTable(st.Db);
    ASSERT_EQ(rows.size(), 288u);
    EXPECT_EQ(rows[0].second, 1000);
    EXPECT_EQ(rows[287].second, 20000);
    QSqlQuery q = Query(st.Db, "SELECT 주차시간, 구분, 적용구분 FROM 요금테이블 WHERE 시간 = ?", {288});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "00시간00분");
    EXPECT_EQ(q.value(1).toLongLong(), 20000);
    EXPECT_EQ(q.value(2).toString(), "일일최대");
}

TEST_F(SlotTableDb, UnreachedRowsAreStoredWithNulls)
{
    WriteSlotTable(st.Db, GenerateSlotTable(basicOnly("90", "60", "100")).rows);
    QSqlQuery q = Query(st.Db, "SELECT 요금, 구분, 적용구분 FROM 요금테이블 WHERE 시간 = ?", {288});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toLongLong(), 0);
    EXPECT_TRUE(q.value(1).isNull());
    EXPECT_TRUE(q.value(2).isNull());
}

TEST_F(SlotTableDb, AFailedWriteKeepsThePreviousTable)
{
    addLinearSlots();
    const auto before = readTable(st.Db);
    std::vector<SlotRow> rows = GenerateSlotTable(example()).rows;
    rows[200].slot = 3; // a second slot 3 breaks the key half way
    EXPECT_THROW(WriteSlotTable(st.Db, rows), DbError);
    EXPECT_EQ(readTable(st.Db), before);
}

} // namespace
} // namespace tolvo
