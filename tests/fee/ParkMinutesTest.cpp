#include "fee/ParkMinutes.h"
#include "FeeFixture.h"

#include <gtest/gtest.h>

namespace tolvo {
namespace {

// Weekdays 09:00-22:00, Saturdays 10:00-20:00.
MinutesRules rules(bool freeHours, bool holidaysFree, int wdOpen = 540, int wdClose = 1320)
{
    return {freeHours, holidaysFree, wdOpen, wdClose, 600, 1200};
}

int minuteOf(const char* hhnn) { return *MinutesOfDay(QString::fromLatin1(hhnn)); }

struct Case {
    const char* name;
    MinutesRules rules;
    const char* inDate;
    const char* inTime;
    const char* outDate;
    const char* outTime;
    qint64 expected;
};

// 2006-06-30 is a Friday; 2006-07-01 Saturday, 07-02 Sunday, 07-03 Monday. 2006-07-05 is listed.
const Case kCases[] = {
    {"plain across midnight", rules(false, false), "2006-06-30", "23:50", "2006-07-01", "00:10", 20},
    {"plain exit before entry", rules(false, false), "2006-06-30", "10:00", "2006-06-30", "09:00", 0},
    {"plain same minute", rules(false, false), "2006-06-30", "10:00", "2006-06-30", "10:00", 0},
    {"plain exit date before entry", rules(false, false), "2006-07-01", "10:00", "2006-06-30", "11:00", 0},
    {"days: exit date before entry", rules(true, true), "2006-07-01", "10:00", "2006-06-30", "11:00", 0},
    {"days: exit before entry same date", rules(false, true), "2006-07-03", "10:00", "2006-07-03", "09:00", 0},
    {"holidays only Fri-Sat equals plain", rules(false, true), "2006-06-30", "23:50", "2006-07-01", "00:10", 20},
    {"holidays only Sat-Mon skips Sunday", rules(false, true), "2006-07-01", "22:00", "2006-07-03", "01:00", 180},
    {"holidays only single Sunday", rules(false, true), "2006-07-02", "08:00", "2006-07-02", "20:00", 0},
    {"holidays only listed weekday", rules(false, true), "2006-07-05", "08:00", "2006-07-05", "20:00", 0},
    {"holidays only listed day in the middle", rules(false, true), "2006-07-04", "12:00", "2006-07-06", "12:00",
     720 + 0 + 720},
    {"holidays only 10:15 to 10:15", rules(false, true), "2006-07-03", "10:15", "2006-07-04", "10:15", 1440},
    {"holidays only entry at midnight", rules(false, true), "2006-07-03", "00:00", "2006-07-04", "00:00", 1440},
    {"Sunday counts when only hours are free", rules(true, false), "2006-07-02", "08:00", "2006-07-02", "10:00",
     60},
    {"hours weekday before opening", rules(true, false), "2006-07-03", "07:00", "2006-07-03", "08:30", 0},
    {"hours weekday into opening", rules(true, false), "2006-07-03", "08:00", "2006-07-03", "10:00", 60},
    {"hours weekday whole window", rules(true, false), "2006-07-03", "09:00", "2006-07-03", "22:00", 780},
    {"hours weekday past closing", rules(true, false), "2006-07-03", "21:00", "2006-07-03", "23:00", 60},
    {"hours weekday after closing", rules(true, false), "2006-07-03", "23:00", "2006-07-03", "23:30", 0},
    {"hours Saturday", rules(true, false), "2006-07-01", "09:00", "2006-07-01", "21:00", 600},
    {"hours listed Saturday uses weekday hours", rules(true, false), "2006-07-08", "09:00", "2006-07-08",
     "21:00", 720},
    {"hours and holidays: listed Saturday free", rules(true, true), "2006-07-08", "09:00", "2006-07-08", "21:00",
     0},
    {"hours overnight outside opening", rules(true, false), "2006-07-03", "23:00", "2006-07-04", "08:00", 0},
    {"hours three days", rules(true, false), "2006-07-03", "08:00", "2006-07-05", "10:00", 1620},
    {"hours first day after opening", rules(true, false), "2006-07-03", "12:00", "2006-07-04", "23:00",
     600 + 780},
    {"closing before opening single day", rules(true, false, 540, 120), "2006-07-03", "10:00", "2006-07-03",
     "12:00", 0},
    {"closing before opening never negative", rules(true, false, 540, 120), "2006-07-03", "10:00",
     "2006-07-05", "12:00", 0},
    {"closing before opening subtracts a window", rules(true, false, 540, 120), "2006-06-30", "10:00",
     "2006-07-02", "12:00", 0 + 600 - 420},
};

class BillableMinutesTable : public ::testing::TestWithParam<Case> {};

TEST_P(BillableMinutesTable, CountsTheStay)
{
    const Case& c = GetParam();
    const QSet<QString> holidays{QStringLiteral("2006-07-05"), QStringLiteral("2006-07-08")};
    const MinutesResult r =
        BillableMinutes(c.rules, QDate::fromString(QString::fromLatin1(c.inDate), Qt::ISODate),
                        minuteOf(c.inTime), QDate::fromString(QString::fromLatin1(c.outDate), Qt::ISODate),
                        minuteOf(c.outTime), holidays);
    EXPECT_EQ(r.status, FeeStatus::Ok);
    EXPECT_EQ(r.minutes, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Examples, BillableMinutesTable, ::testing::ValuesIn(kCases), [](const auto& i) { return test::CaseName(i); });

TEST(BillableMinutes, MissingOpeningHoursAreAFaultOnlyWhenHoursAreFree)
{
    MinutesRules r = rules(true, false);
    r.weekendClose.reset();
    const QDate d(2006, 7, 3);
    EXPECT_EQ(BillableMinutes(r, d, 600, d, 700, {}).status, FeeStatus::BadValue);
    r.freeOutsideHours = false;
    r.holidaysFree = true;
    const MinutesResult ok = BillableMinutes(r, d, 600, d, 700, {});
    EXPECT_EQ(ok.status, FeeStatus::Ok);
    EXPECT_EQ(ok.minutes, 100);
}

TEST(BillableMinutes, LongStaysAreCountedIn64Bits)
{
    // 1,500,000 days are 2,160,000,000 minutes: more than a 32-bit count holds.
    const QDate in(2000, 1, 3);
    const MinutesResult r = BillableMinutes(rules(false, false), in, 0, in.addDays(1500000), 1, {});
    EXPECT_EQ(r.status, FeeStatus::Ok);
    EXPECT_EQ(r.minutes, 2160000001LL);
}

using ParkMinutesDb = test::FeeFixture;

TEST_F(ParkMinutesDb, NoTariffRowGivesZeroWithoutMessage)
{
    EXPECT_EQ(Park_Minutes(st, "2006-07-03", "09:00", "2006-07-03", "10:00"), 0);
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(ParkMinutesDb, ReadsHolidaysAndHoursFromTheDatabase)
{
    insertTariff({{"공휴일무료여부", 1}, {"무료처리여부", 1}, {"평일개장시간", "09:00"}, {"평일폐장시간", "22:00"},
                  {"주말개장시간", "10:00"}, {"주말폐장시간", "20:00"}});
    EXPECT_EQ(Park_Minutes(st, "2006-07-03", "08:00", "2006-07-05", "10:00"), 1620);
    addHoliday("2006-07-04");
    EXPECT_EQ(Park_Minutes(st, "2006-07-03", "08:00", "2006-07-05", "10:00"), 780 + 60);
    setTariff("공휴일무료여부", 0);
    setTariff("무료처리여부", 0);
    EXPECT_EQ(Park_Minutes(st, "2006-07-03", "08:00", "2006-07-05", "10:00"), 2 * 1440 + 120);
    EXPECT_TRUE(msgs.shown.empty());
}

// Holidays read from the table at both ends of a stay and just outside it, under
// each switch alone. Weekdays 09:00-22:00, Saturdays 10:00-20:00.
TEST_F(ParkMinutesDb, HolidaysAtTheEndsOfTheStayAndEachSwitchAlone)
{
    const struct { const char* name; const char* holiday; bool freeHours, holidaysFree; const char* in; const char* inTime;
                   const char* out; const char* outTime; int expected; } rows[] = {
        {"Tue-Thu, no holiday", "", false, true, "2006-07-04", "10:00", "2006-07-06", "16:00", 840 + 1440 + 960},
        {"holiday on the entry day", "2006-07-04", false, true, "2006-07-04", "10:00", "2006-07-06", "16:00", 0 + 1440 + 960},
        {"holiday on the exit day", "2006-07-06", false, true, "2006-07-04", "10:00", "2006-07-06", "16:00", 840 + 1440 + 0},
        {"holiday the day before entry", "2006-07-03", false, true, "2006-07-04", "10:00", "2006-07-06", "16:00", 3240},
        {"holiday the day after exit", "2006-07-07", false, true, "2006-07-04", "10:00", "2006-07-06", "16:00", 3240},
        {"one-day stay on a holiday", "2006-07-05", false, true, "2006-07-05", "08:00", "2006-07-05", "20:00", 0},
        {"hours alone: a holiday still counts", "2006-07-04", true, false, "2006-07-04", "10:00", "2006-07-06", "16:00",
         720 + 780 + 420},
        {"hours alone: a listed Saturday keeps weekday hours", "2006-07-08", true, false, "2006-07-08", "09:00",
         "2006-07-08", "21:00", 720},
        {"hours alone: Friday night to Saturday", "", true, false, "2006-06-30", "21:00", "2006-07-01", "19:00", 60 + 540},
    };
    insertTariff({{"평일개장시간", "09:00"}, {"평일폐장시간", "22:00"}, {"주말개장시간", "10:00"}, {"주말폐장시간", "20:00"}});
    for (const auto& r : rows) {
        Exec(st.Db, "DELETE FROM 공휴일");
        if (*r.holiday) addHoliday(QString::fromLatin1(r.holiday));
        setTariff("무료처리여부", r.freeHours);
        setTariff("공휴일무료여부", r.holidaysFree);
        EXPECT_EQ(Park_Minutes(st, r.in, r.inTime, r.out, r.outTime), r.expected) << r.name;
    }
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(ParkMinutesDb, TextsThatAreNoDateOrTimeAreRefused)
{
    insertTariff({{"공휴일무료여부", 0}});
    EXPECT_THROW(Park_Minutes(st, "2006-13-03", "08:00", "2006-07-03", "10:00"), std::invalid_argument);
    EXPECT_THROW(Park_Minutes(st, "2006-07-03", "25:00", "2006-07-03", "10:00"), std::invalid_argument);
}

} // namespace
} // namespace tolvo
