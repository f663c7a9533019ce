// The lost-ticket exit: numbering, opening time of the day, the exit without reader.

#include "station/ExitTestSupport.h"

#include "station/LostTicket.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

TEST(LostTicketNumber, NextNumberRules)
{
    struct Case { const char* highest; QStringList today; std::optional<QString> next; } cases[] = {
        {"", {}, QStringLiteral("L001")},
        {"L007202601040800", {}, QStringLiteral("L008")},
        {"L099202601050800", {QStringLiteral("L099202601050800")}, QStringLiteral("L100")},
        {"L998202601050800", {QStringLiteral("L998202601050800")}, QStringLiteral("L999")},
        {"L999202601040800", {}, QStringLiteral("L001")},
        {"L999202601050800",
         {QStringLiteral("L999202601050800"), QStringLiteral("L001202601050800"), QStringLiteral("L002202601050800")},
         QStringLiteral("L003")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextLostNumber(QString::fromLatin1(c.highest), c.today), c.next) << c.highest;

    QStringList all;
    for (int n = 1; n <= 999; ++n) all << QStringLiteral("L%1").arg(n, 3, 10, QLatin1Char('0')) + QStringLiteral("202601050800");
    EXPECT_EQ(NextLostNumber(all.last(), all), std::nullopt);
    all.removeAt(499);
    EXPECT_EQ(NextLostNumber(all.last(), all), QStringLiteral("L500"));
}

class LostTicketTest : public ::testing::Test {
protected:
    ExitRig rig{QDateTime(QDate(2026, 1, 5), QTime(9, 30))}; // Monday; opening 08:00, weekend 10:30
    Station& st = rig.st;
};

TEST_F(LostTicketTest, NumbersFollowTheHighestStoredOne)
{
    rig.addSettled(QStringLiteral("L007"), QStringLiteral("2026-01-04"), QStringLiteral("08:00"),
                   QStringLiteral("2026-01-04"), QStringLiteral("12:00"), 240, 12000);
    rig.addSettled(QStringLiteral("L003"), QStringLiteral("2026-01-05"), QStringLiteral("08:00"),
                   QStringLiteral("2026-01-05"), QStringLiteral("09:00"), 60, 2500);
    LostTicket(st);
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("L008202601050800"));
}

TEST_F(LostTicketTest, OpeningTimeByDayOfTheWeek)
{
    const std::pair<QDate, QString> cases[] = {
        {QDate(2026, 1, 10), QStringLiteral("L001202601101030")}, // Saturday: weekend opening
        {QDate(2026, 1, 11), QStringLiteral("L001202601110800")}, // Sunday: weekday opening
        {QDate(2026, 1, 9), QStringLiteral("L001202601090800")},  // Friday
    };
    for (const auto& [day, code] : cases) {
        ExitRig r(QDateTime(day, QTime(18, 0)));
        LostTicket(r.st);
        EXPECT_EQ(r.st.trx.EntryCode, code);
        EXPECT_TRUE(r.st.trx.TicketInProgress);
    }
}

TEST_F(LostTicketTest, AfterL999TheLowestFreeNumberOfTheDay)
{
    for (const auto& [no, day] : {std::pair{"L999", "2026-01-05"}, {"L001", "2026-01-05"}, {"L002", "2026-01-04"}})
        rig.addSettled(QString::fromLatin1(no), QString::fromLatin1(day), QStringLiteral("08:00"), QString::fromLatin1(day),
                       QStringLiteral("09:00"), 60, 2500);
    LostTicket(st);
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("L002202601050800"));
    rig.enter();
    EXPECT_EQ(rig.count(QStringLiteral("일반권")), 4);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 출차일||' '||출차시간 FROM 일반권 WHERE 입차코드 = 'L999202601050800'")).toString(),
              QStringLiteral("2026-01-05 09:00")); // the earlier record is untouched
}

TEST_F(LostTicketTest, AllNumbersOfTheDayUsedIsRefused)
{
    {
        Transaction tx(st.Db);
        for (int n = 1; n <= 999; ++n)
            Exec(st.Db,
                 QStringLiteral("INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 입차코드, 포스코드) VALUES (?, '2026-01-05', '08:00', ?, 0)"),
                 {QStringLiteral("L%1").arg(n, 3, 10, QLatin1Char('0')),
                  QStringLiteral("L%1").arg(n, 3, 10, QLatin1Char('0')) + QStringLiteral("202601050800")});
        tx.commit();
    }
    LostTicket(st);
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_FALSE(st.trx.LostTicket);
    EXPECT_TRUE(OnlyShown(rig.ts.msgs).startsWith(QStringLiteral("분실권|")));
}

TEST_F(LostTicketTest, ALostTicketCompletesOnItsFirstEnterWithoutTheReader)
{
    st.trx.EnterGuard = true; // left over: a lost ticket has no guard
    LostTicket(st); // the first of an empty table, entered at the day's opening
    EXPECT_TRUE(st.trx.LostTicket);
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("L001202601050800"));
    EXPECT_EQ(st.trx.PayAmount, TariffFee(90));
    EXPECT_EQ(rig.ts.screen.text(QStringLiteral("POut_0")), QStringLiteral(" 분실권  "));
    rig.calls.clear();
    rig.enter();
    EXPECT_EQ(rig.calls, (QStringList{QStringLiteral("gate"), QStringLiteral("drawer"), QStringLiteral("receipt")}));
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_FALSE(st.trx.LostTicket);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 티켓번호 FROM 일반권")).toString(), QStringLiteral("L001"));
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권입차수"), 9), 1); // counted as entry and exit
}

TEST_F(LostTicketTest, EscOnALostTicketSendsNoEject)
{
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30")); // not a lost ticket
    LostTicket(st);
    rig.calls.clear();
    rig.esc();
    EXPECT_EQ(rig.calls, QStringList{QStringLiteral("time:0930")});
    EXPECT_FALSE(st.trx.LostTicket);
    LostTicket(st); // a cancelled lost ticket leaves no row: its number comes again
    EXPECT_EQ(st.trx.TicketNo, QStringLiteral("L001"));
}

TEST_F(LostTicketTest, NoOpeningTimeStartsNoTransactionAndLeavesNoLostFlag)
{
    Exec(st.Db, QStringLiteral("UPDATE 기타 SET 평일개장시간 = NULL"));
    LostTicket(st);
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_FALSE(st.trx.LostTicket);
    EXPECT_TRUE(st.trx.TicketData.isEmpty());
    EXPECT_TRUE(OnlyShown(rig.ts.msgs).startsWith(QStringLiteral("입력오류|")));
}

TEST_F(LostTicketTest, NotWhileATicketIsInProgress)
{
    rig.type(QStringLiteral("01232601050730"));
    LostTicket(st);
    EXPECT_FALSE(st.trx.LostTicket);
    EXPECT_EQ(st.trx.TicketNo, QStringLiteral("0123"));
}

} // namespace
