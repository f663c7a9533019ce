#include "fee/TariffForm.h"
#include "FeeFixture.h"

#include <gtest/gtest.h>

namespace tolvo {
namespace {

Boundaries activated(const char* t1, const char* t3, const char* t6, const char* t9)
{
    Boundaries b;
    b.text = {t1, t3, t6, t9};
    b.basicOn = b.band1On = b.band2On = true;
    ActivateBoundaries(b);
    return b;
}

TEST(StartLabels, PaddingOnActivationAndOnLeave)
{
    const Boundaries b = activated("30", "60", "120", "1440");
    EXPECT_EQ(b.label[0], "구간요금(1) :   30분 부터");
    EXPECT_EQ(b.label[3], "최종구간     : 1440분 부터");
    EXPECT_FALSE(b.loading);
    EXPECT_EQ(StartLabel(0, "30", 3), "구간요금(1) :  30분 부터");
    EXPECT_EQ(StartLabel(2, "1000", 3), "구간요금(3) : 1000분 부터");
}

struct LeaveCase {
    const char* name;
    Boundaries::Field field;
    std::array<const char*, 4> typed;     // T1, T3, T6, T9 after typing
    bool basicOn, band1On, band2On;
    std::array<const char*, 4> expected;  // the fields afterwards
    const char* message;                  // "" when none
    const char* focus;
};

const LeaveCase kLeaves[] = {
    {"unchanged does nothing", Boundaries::T1, {"30", "60", "120", "200"}, true, true, true,
     {"30", "60", "120", "200"}, "", ""},
    {"basic time copied on", Boundaries::T1, {"40", "60", "120", "200"}, true, true, true,
     {"40", "40", "40", "40"}, "", ""},
    {"band 1 end carried", Boundaries::T3, {"30", "90", "120", "200"}, true, true, true,
     {"30", "90", "90", "90"}, "", ""},
    {"band 1 end equal passes", Boundaries::T3, {"30", "30", "120", "200"}, true, true, true,
     {"30", "30", "30", "30"}, "", ""},
    {"band 1 end refused", Boundaries::T3, {"30", "20", "120", "200"}, true, true, true,
     {"30", "30", "30", "30"}, "기본구간의 기본시간 (30) 보다 이후시간으로 입력하세요!", "T3"},
    {"band 1 end free without basic", Boundaries::T3, {"30", "20", "120", "200"}, false, true, true,
     {"30", "20", "20", "20"}, "", ""},
    {"band 2 end refused", Boundaries::T6, {"30", "60", "50", "200"}, true, true, true,
     {"30", "60", "60", "60"}, "구간1의 기본시간 (60) 보다 이후시간으로 입력하세요!", "T6"},
    {"band 2 end compared before rounding", Boundaries::T6, {"30", "60.4", "60", "200"}, true, true, true,
     {"30", "60.4", "60.4", "60.4"}, "구간1의 기본시간 (60.4) 보다 이후시간으로 입력하세요!", "T6"},
    {"band 3 end refused", Boundaries::T9, {"30", "60", "120", "100"}, true, true, true,
     {"30", "60", "120", "120"}, "구간2의 기본시간 (120) 보다 이후시간으로 입력하세요!", "T9"},
    {"band 3 end free with band 2 off", Boundaries::T9, {"30", "60", "120", "100"}, true, true, false,
     {"30", "60", "120", "100"}, "", ""},
    {"leaving T9 ignores earlier changes", Boundaries::T9, {"99", "60", "120", "200"}, true, true, true,
     {"99", "60", "120", "200"}, "", ""},
};

class LeaveTable : public ::testing::TestWithParam<LeaveCase> {};

TEST_P(LeaveTable, ChecksCarriesAndAccepts)
{
    const LeaveCase& c = GetParam();
    Boundaries b = activated("30", "60", "120", "200");
    for (int i = 0; i < 4; ++i) b.text[size_t(i)] = c.typed[size_t(i)];
    b.basicOn = c.basicOn;
    b.band1On = c.band1On;
    b.band2On = c.band2On;
    ScriptedMessages msgs;
    const QString focus = LeaveBoundary(b, c.field, msgs);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b.text[size_t(i)], c.expected[size_t(i)]) << c.name << " field " << i;
    EXPECT_EQ(focus, c.focus) << c.name;
    if (*c.message) {
        ASSERT_EQ(msgs.shown.size(), 1u) << c.name;
        EXPECT_EQ(msgs.shown[0].title, "입력오류");
        EXPECT_EQ(msgs.shown[0].text, QString::fromUtf8(c.message));
    } else {
        EXPECT_TRUE(msgs.shown.empty()) << c.name;
    }
    if (c.field == Boundaries::T1 || QString::fromLatin1(c.typed[0]) == "30") {
        // What the handler accepted is not passed on again by leaving the basic time.
        const auto after = b.text;
        LeaveBoundary(b, Boundaries::T1, msgs);
        EXPECT_EQ(b.text, after) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Leaves, LeaveTable, ::testing::ValuesIn(kLeaves), [](const auto& i) { return test::CaseName(i); });

TEST(Leave, NothingWhileLoading)
{
    Boundaries b;
    b.text = {"30", "10", "0", "0"};
    b.basicOn = true;
    ScriptedMessages msgs;
    EXPECT_EQ(LeaveBoundary(b, Boundaries::T3, msgs), "");
    EXPECT_EQ(b.text[1], "10");
    EXPECT_TRUE(msgs.shown.empty());
}

using TariffFormDb = test::FeeFixture;

TEST_F(TariffFormDb, SaveAddsTheRowWhenMissingAndRoundsNumbers)
{
    TariffForm f;
    f.checks["C1"] = true;
    f.texts["T1"] = "22.5";
    f.texts["T2"] = "1000";
    f.times["D1_0"] = "09:00";
    SaveTariffForm(st.Db, f);
    EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 기타").toInt(), 1);
    SaveTariffForm(st.Db, f);
    EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 기타").toInt(), 1);
    const TariffForm back = LoadTariffForm(st.Db);
    EXPECT_TRUE(back.checks.value("C1"));
    EXPECT_FALSE(back.checks.value("C5"));
    EXPECT_EQ(back.texts.value("T1"), "22");
    EXPECT_EQ(back.texts.value("T2"), "1000");
    EXPECT_EQ(back.texts.value("T17"), "0");
    EXPECT_EQ(back.times.value("D1_0"), "09:00");
}

// Every control and its column of 기타, written out with a distinct value each.
// The twelve boxes go through four rounds; any two of them differ in at least one.
struct Column {
    const char* control;
    const char* field;
    const char* value; // boxes: on or off per round, "1" or "0"
};
const Column kColumns[] = {
    {"T1", "기본시간", "11"},          {"T2", "기본금액", "1200"},      {"T3", "구간시각1", "33"},
    {"T4", "구간시간1", "14"},         {"T5", "구간금액1", "1500"},     {"T6", "구간시각2", "66"},
    {"T7", "구간시간2", "17"},         {"T8", "구간금액2", "1800"},     {"T9", "구간시각3", "99"},
    {"T10", "구간시간3", "20"},        {"T11", "구간금액3", "2100"},    {"T12", "구간시간4", "22"},
    {"T13", "구간금액4", "2300"},      {"T14", "시간할인", "24"},       {"T15", "회차시간", "25"},
    {"T16", "일일최대요금", "26000"},  {"T17", "최대요금", "27000"},    {"D1_0", "평일개장시간", "08:10"},
    {"D1_1", "평일폐장시간", "21:20"}, {"D1_2", "주말개장시간", "09:30"}, {"D1_3", "주말폐장시간", "19:40"},
    {"C1", "기본사용", "1000"},        {"C2", "구간사용1", "0100"},     {"C3", "구간사용2", "1100"},
    {"C4", "구간사용3", "0010"},       {"C5", "고정금액사용", "1010"},  {"C6", "할인사용", "0110"},
    {"C7", "회차사용", "1110"},        {"C8", "일일최대사용", "0001"},  {"C9", "최대사용", "1001"},
    {"C10", "무료처리여부", "0101"},   {"C11", "공휴일무료여부", "1101"}, {"C12", "기본요금포함여부", "0011"},
};

// The column's value in a round: a box's digit, else the value itself.
QString columnValue(const Column& c, int round)
{
    return c.control[0] == 'C' ? QString(QLatin1Char(c.value[round])) : QString::fromUtf8(c.value);
}

TEST_F(TariffFormDb, EveryControlLoadsAndStoresItsOwnColumn)
{
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        Exec(st.Db, "DELETE FROM 기타");
        Row row;
        for (const Column& c : kColumns) row.emplace_back(QString::fromUtf8(c.field), columnValue(c, round));
        insertTariff(row);
        const TariffForm shown = LoadTariffForm(st.Db);
        TariffForm typed;
        for (const Column& c : kColumns) {
            const QString control = QString::fromLatin1(c.control), v = columnValue(c, round);
            const QString got = control.startsWith('C')   ? QString::number(shown.checks.value(control))
                                : control.startsWith('D') ? shown.times.value(control)
                                                          : shown.texts.value(control);
            EXPECT_EQ(got, v) << c.control << " shows " << c.field;
            if (control.startsWith('C')) typed.checks[control] = v == "1";
            else if (control.startsWith('D')) typed.times[control] = v;
            else typed.texts[control] = v;
        }
        Exec(st.Db, "DELETE FROM 기타");
        SaveTariffForm(st.Db, typed);
        for (const Column& c : kColumns)
            EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT %1 FROM 기타").arg(Id(QString::fromUtf8(c.field)))).toString(),
                      columnValue(c, round))
                << c.control << " stored in " << c.field;
    }
}

TEST_F(TariffFormDb, SetStoresRowAndTableTogether)
{
    TariffForm f;
    f.checks["C5"] = true;
    f.texts["T2"] = "8000";
    f.texts["T12"] = "60";
    EXPECT_EQ(SetTariff(st.Db, f).kind, SetOutcome::Done);
    EXPECT_EQ(Scalar(st.Db, "SELECT 기본금액 FROM 기타").toInt(), 8000);
    EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 요금테이블 WHERE 요금 = 8000").toInt(), 288);

    f.texts["T12"] = "0"; // refused in either mode, and stores neither row nor table
    f.texts["T2"] = "9000";
    const SetOutcome refused = SetTariff(st.Db, f);
    EXPECT_EQ(refused.kind, SetOutcome::UnitTooSmall);
    EXPECT_EQ(refused.focusField, "T12");
    EXPECT_EQ(Scalar(st.Db, "SELECT 기본금액 FROM 기타").toInt(), 8000);
    EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 요금테이블 WHERE 요금 = 8000").toInt(), 288);
}

// What closing refuses, field by field. Boxes "C1".."C5" on as listed; fields
// T1 30, T3 60, T6 120, T9 180, band units 10, final unit 30 unless changed.
TEST(TariffCloseFault, OnlyBandsInUseAndTheFinalUnit)
{
    const struct { const char* name; const char* on; const char* field; const char* text; const char* fault;
                   const char* message; } rows[] = {
        {"all right", "1234", "T4", "10", "", ""},
        {"band 1 before the basic time", "12", "T3", "20", "T3", "기본구간의 기본시간 (30) 보다 이후시간으로 입력하세요!"},
        {"band 1 before 0 without the basic fee", "2", "T3", "20", "", ""},
        {"band 2 before band 1", "123", "T6", "50", "T6", "구간1의 기본시간 (60) 보다 이후시간으로 입력하세요!"},
        {"band 2 off", "12", "T6", "50", "", ""},
        {"band 3 before band 2", "1234", "T9", "100", "T9", "구간2의 기본시간 (120) 보다 이후시간으로 입력하세요!"},
        {"equal ends pass", "1234", "T9", "120", "", ""},
        {"fixed amount hides the bands", "12345", "T3", "20", "", ""},
        {"band 3 unit 4.9", "1234", "T10", "4.9", "T10", "단위 시간을 5분 이상으로 설정하세요"},
        {"unit of a band off", "123", "T10", "0", "", ""},
        {"final unit empty", "1", "T12", "", "T12", "단위 시간을 5분 이상으로 설정하세요"},
        {"final unit 0 in fixed mode", "5", "T12", "0", "T12", "단위 시간을 5분 이상으로 설정하세요"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TariffForm f;
        for (int c = 1; c <= 5; ++c) f.checks[QStringLiteral("C%1").arg(c)] = QString::fromUtf8(r.on).contains(QString::number(c));
        f.texts = {{"T1", "30"}, {"T3", "60"}, {"T6", "120"}, {"T9", "180"}, {"T4", "10"}, {"T7", "10"}, {"T10", "10"},
                   {"T12", "30"}};
        f.texts[QString::fromUtf8(r.field)] = QString::fromUtf8(r.text);
        const auto fault = TariffCloseFault(f);
        EXPECT_EQ(fault ? fault->field + u'|' + fault->text : QString(),
                  *r.fault ? QString::fromUtf8(r.fault) + u'|' + QString::fromUtf8(r.message) : QString());
    }
}

} // namespace
} // namespace tolvo
