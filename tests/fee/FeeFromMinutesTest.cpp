#include "fee/FeeFromMinutes.h"
#include "FeeFixture.h"

#include <gtest/gtest.h>
#include <limits>

namespace tolvo {
namespace {

// Slot n costs 100 n won; the whole day (slot 288) 28,800.
SlotFee linearSlot(int slot) { return {true, qint64(slot) * 100}; }

TariffRow tariff(bool dailyCapOn, qint64 dailyCap, bool capOn, qint64 cap, qint64 unit = 60, qint64 amount = 1000)
{
    TariffRow t;
    t.dailyCapOn = dailyCapOn;
    t.dailyCap = dailyCap;
    t.capOn = capOn;
    t.cap = cap;
    t.finalUnit = unit;
    t.finalAmount = amount;
    return t;
}

struct Case {
    const char* name;
    TariffRow tariff;
    qint64 minutes;
    qint64 expected;
};

const qint64 F = 28800;
const Case kCases[] = {
    {"zero minutes", tariff(false, 0, false, 0), 0, 0},
    {"negative minutes", tariff(false, 0, false, 0), -5, 0},
    {"1 minute slot 1", tariff(false, 0, false, 0), 1, 100},
    {"5 minutes slot 1", tariff(false, 0, false, 0), 5, 100},
    {"6 minutes slot 2", tariff(false, 0, false, 0), 6, 200},
    {"1435 minutes slot 287", tariff(false, 0, false, 0), 1435, 28700},
    {"1439 minutes slot 288", tariff(false, 0, false, 0), 1439, F},
    {"daily cap on a short stay", tariff(true, 5000, false, 0), 600, 5000},
    {"daily cap equal to the fee", tariff(true, 12000, false, 0), 600, 12000},
    {"1440 minutes capped path", tariff(true, 5000, false, 0), 1440, F},
    {"1440 minutes uncapped path", tariff(false, 0, false, 0), 1440, F},
    {"1441 minutes one unit", tariff(false, 0, false, 0), 1441, F + 1000},
    {"1441 minutes unit under daily cap", tariff(true, 30000, false, 0), 1441, F + 1000},
    {"1441 minutes unit limited to cap", tariff(true, 500, false, 0, 60, 1000), 1441, F + 500},
    {"2880 minutes capped", tariff(true, 30000, false, 0), 2880, 2 * F},
    {"2880 minutes uncapped", tariff(false, 0, false, 0, 60, 1000), 2880, F + 24 * 1000},
    {"2880 minutes uneven unit", tariff(false, 0, false, 0, 50, 1000), 2880, F + 29 * 1000},
    {"three days and a bit capped", tariff(true, 2500, false, 0, 60, 1000), 3 * 1440 + 121, 3 * F + 2500},
    {"overall cap on a short stay", tariff(false, 0, true, 1000), 60, 1000},
    {"overall cap equal to the fee", tariff(false, 0, true, 1200), 60, 1200},
    {"overall cap after days", tariff(false, 0, true, 50000), 10 * 1440, 50000},
};

class FeeTable : public ::testing::TestWithParam<Case> {};

TEST_P(FeeTable, PricesTheMinutes)
{
    const Case& c = GetParam();
    const FeeResult r = FeeFor(c.minutes, c.tariff, linearSlot);
    EXPECT_EQ(r.status, FeeStatus::Ok) << c.name;
    EXPECT_EQ(r.fee, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Examples, FeeTable, ::testing::ValuesIn(kCases), [](const auto& i) { return test::CaseName(i); });

TEST(Fee, DailyCapBoundsEveryMultiDayStay)
{
    // Whole days at the day's price, the rest in started 30-minute units of 1,000 won, at most 7,000.
    const TariffRow t = tariff(true, 7000, false, 0, 30, 1000);
    const std::pair<qint64, qint64> rows[] = {
        {1440, F},         {1441, F + 1000},  {1470, F + 1000},  {1471, F + 2000},      {1620, F + 6000},
        {1621, F + 7000},  {1680, F + 7000},  {2879, F + 7000},  {2880, 2 * F},         {2881, 2 * F + 1000},
        {3 * 1440 + 200, 3 * F + 7000},       {5 * 1440 - 1, 4 * F + 7000},
    };
    for (const auto& [minutes, fee] : rows) EXPECT_EQ(FeeFor(minutes, t, linearSlot).fee, fee) << minutes;
}

TEST(Fee, NoSlotLookupForZeroMinutes)
{
    int lookups = 0;
    FeeFor(0, tariff(false, 0, false, 0), [&](int) { ++lookups; return SlotFee{}; });
    EXPECT_EQ(lookups, 0);
}

struct FaultCase {
    const char* name;
    TariffRow tariff;
    qint64 minutes;
    FeeStatus expected;
};

TariffRow without(TariffRow t, std::optional<qint64> TariffRow::*field)
{
    t.*field = std::nullopt;
    return t;
}

const FaultCase kFaults[] = {
    {"final unit 0", tariff(false, 0, false, 0, 0), 1500, FeeStatus::BadValue},
    {"final unit negative", tariff(false, 0, false, 0, -10), 1500, FeeStatus::BadValue},
    {"final unit missing", without(tariff(false, 0, false, 0), &TariffRow::finalUnit), 1500, FeeStatus::BadValue},
    {"final amount missing", without(tariff(false, 0, false, 0), &TariffRow::finalAmount), 1500,
     FeeStatus::BadValue},
    {"daily cap missing", without(tariff(true, 0, false, 0), &TariffRow::dailyCap), 100, FeeStatus::BadValue},
    {"overall cap missing", without(tariff(false, 0, true, 0), &TariffRow::cap), 100, FeeStatus::BadValue},
    {"fee beyond 32 bits", tariff(false, 0, false, 0, 5, 2000000000), 3000, FeeStatus::BadValue},
};

class FeeFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FeeFaults, AreReportedNotComputed)
{
    const FaultCase& c = GetParam();
    const FeeResult r = FeeFor(c.minutes, c.tariff, linearSlot);
    EXPECT_EQ(r.status, c.expected) << c.name;
    EXPECT_EQ(r.fee, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FeeFaults, ::testing::ValuesIn(kFaults), [](const auto& i) { return test::CaseName(i); });

TEST(Fee, UnusedMissingValuesDoNotMatter)
{
    TariffRow t = without(without(tariff(false, 0, false, 0), &TariffRow::finalUnit), &TariffRow::cap);
    t.dailyCap.reset();
    EXPECT_EQ(FeeFor(100, t, linearSlot).fee, 2000);
}

TEST(Fee, SlotRowMissingOrNull)
{
    const TariffRow t = tariff(false, 0, false, 0);
    EXPECT_EQ(FeeFor(100, t, [](int) { return SlotFee{}; }).status, FeeStatus::MissingRow);
    EXPECT_EQ(FeeFor(2000, t, [](int) { return SlotFee{}; }).status, FeeStatus::MissingRow);
    EXPECT_EQ(FeeFor(100, t, [](int) { return SlotFee{true, std::nullopt}; }).status, FeeStatus::BadValue);
}

using FeeFromMinutesDb = test::FeeFixture;

TEST_F(FeeFromMinutesDb, ReadsTheSlotTableAfresh)
{
    EXPECT_EQ(Fee_FromMinutes(st, 30), 0); // no 기타 row: the tariff fault once, and 0
    EXPECT_EQ(messageCount(TariffFaultText()), 1);
    msgs.clear();
    insertTariff({{"구간시간4", 60}, {"구간금액4", 1000}});
    addLinearSlots();
    EXPECT_EQ(Fee_FromMinutes(st, 12), 300);
    Exec(st.Db, "UPDATE 요금테이블 SET 요금 = 999 WHERE 시간 = 3");
    EXPECT_EQ(Fee_FromMinutes(st, 12), 999);
    EXPECT_EQ(Fee_FromMinutes(st, 1441), 28800 + 1000);
    setTariff("최대사용", 1);
    setTariff("최대요금", 500);
    EXPECT_EQ(Fee_FromMinutes(st, 12), 500);
    EXPECT_TRUE(msgs.shown.empty());
}

} // namespace
} // namespace tolvo
