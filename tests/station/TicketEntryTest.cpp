// Ticket entry through the ticket-number box: typed numbers, scans, FrmInput.

#include "station/ExitTestSupport.h"

#include "fee/FeePanel.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

class TicketEntryTest : public ::testing::Test {
protected:
    ExitRig rig; // clock 2026-01-05 (Monday) 09:00
    Station& st = rig.st;
    RecordingMainScreen& screen = rig.ts.screen;
    ScriptedMessages& msgs = rig.ts.msgs;

    // In progress, busy, Enter guard, typed (as 0/1) | entry code | amount to pay | ticket box.
    static QString State(const ExitRig& r)
    {
        const ExitTransaction& t = r.st.trx;
        return QStringLiteral("%1%2%3%4|%5|%6|%7").arg(t.TicketInProgress).arg(r.st.StationBusy).arg(t.EnterGuard)
            .arg(t.TicketTyped).arg(t.EntryCode).arg(t.PayAmount).arg(r.ts.screen.text(QStringLiteral("TNum")));
    }
    void expectIdle()
    {
        EXPECT_EQ(State(rig).left(4), QStringLiteral("0000"));
        EXPECT_TRUE(st.trx.TicketData.isEmpty());
    }
};

TEST(TicketEntryChange, OnlyATrailingNonDigitIsRemoved)
{
    struct Case { const char* in; std::optional<QString> out; } cases[] = {
        {"", std::nullopt},        {"1", std::nullopt},      {"12a", QStringLiteral("12")},
        {"a", QStringLiteral("")}, {"1a2", std::nullopt},    {"123 ", QStringLiteral("123")},
        {"12가", QStringLiteral("12")},
    };
    for (const auto& c : cases) EXPECT_EQ(TNum_Change(QString::fromUtf8(c.in)), c.out) << c.in;
}

TEST(TicketEntryKeyPress, OnlyEnterIsTakenFromTheBox)
{
    ExitRig rig;
    rig.ts.screen.setText(QStringLiteral("TNum"), QStringLiteral("12"));
    EXPECT_FALSE(TNum_KeyPress(rig.st, '5'));
    EXPECT_TRUE(TNum_KeyPress(rig.st, 13)); // discarded even when nothing is found
    EXPECT_EQ(rig.ts.screen.text(QStringLiteral("TNum")), QStringLiteral("12"));
}

TEST_F(TicketEntryTest, OneOpenEntryGoesStraightToTheFeeRun)
{
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    rig.type(QStringLiteral("0123"), false);
    EXPECT_EQ(State(rig), QStringLiteral("1111|0123202601050730|%1|0123").arg(TariffFee(90)));
    EXPECT_EQ(st.trx.ParkMinutes, 90);
    EXPECT_FALSE(screen.isEnabled(QStringLiteral("TNum")));
    EXPECT_EQ(screen.text(QStringLiteral("POut_0")), QStringLiteral(" 출차모드"));
    EXPECT_TRUE(rig.frmInputAsked.isEmpty());
    EXPECT_EQ(rig.calls, QStringList{QStringLiteral("amount:4000")});
}

TEST_F(TicketEntryTest, NoOpenEntryAndFrmInputCancelledLeavesTheStationIdle)
{
    rig.type(QStringLiteral("0777"));
    EXPECT_EQ(rig.frmInputAsked, QStringList{QStringLiteral("0777")});
    EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString());
    expectIdle();
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TicketEntryTest, NoOpenEntryAndFrmInputConfirmedPricesTheTypedEntry)
{
    rig.answerFrmInput(QStringLiteral("0777202601050830"));
    rig.type(QStringLiteral("0777"), false);
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("0777202601050830"));
    EXPECT_EQ(st.trx.PayAmount, TariffFee(30));
    EXPECT_TRUE(st.trx.TicketTyped);
    EXPECT_TRUE(st.trx.EnterGuard);
}

TEST_F(TicketEntryTest, NoOpenEntryButTheTypedEntryWasSettledIsNotRecordedAgain)
{
    rig.addSettled(QStringLiteral("0777"), QStringLiteral("2026-01-05"), QStringLiteral("06:00"),
                   QStringLiteral("2026-01-05"), QStringLiteral("07:10"), 70, 3000);
    rig.answerFrmInput(QStringLiteral("0777202601050600"));
    rig.type(QStringLiteral("0777"));
    EXPECT_EQ(OnlyShown(msgs), QStringLiteral("정산오류|이미정산이 완료된 주차권입니다....."));
    expectIdle();
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 출차시간 FROM 일반권")).toString(), QStringLiteral("07:10"));
}

TEST_F(TicketEntryTest, TwoOpenEntriesAskForTheEntryTime)
{
    // FrmInput's answer: one of the two entries, an entry not stored, or cancel.
    const std::pair<QString, qint32> answers[] = {
        {QStringLiteral("0500202601050800"), TariffFee(60)}, {QStringLiteral("0500202601050845"), TariffFee(15)}, {QString(), 0}};
    for (const auto& [answer, fee] : answers) {
        ExitRig r;
        r.addEntry(QStringLiteral("0500"), QStringLiteral("2026-01-04"), QStringLiteral("10:00"));
        r.addEntry(QStringLiteral("0500"), QStringLiteral("2026-01-05"), QStringLiteral("08:00"));
        r.answerFrmInput(answer);
        r.type(QStringLiteral("0500"), false);
        EXPECT_EQ(OnlyShown(r.ts.msgs), QStringLiteral("주차권번호 중복|동일 주차권번호가 존재하므로 입차일시를 정확히 입력 하세요!"));
        EXPECT_EQ(r.frmInputAsked, QStringList{QStringLiteral("0500")});
        EXPECT_EQ(State(r), answer.isEmpty() ? QStringLiteral("0000||0|") : QStringLiteral("1111|%1|%2|0500").arg(answer).arg(fee));
    }
}

TEST_F(TicketEntryTest, ScansOf14And16CharactersGiveTheSameEntryCode)
{
    for (const QString& scan : {QStringLiteral("01232601050730"), QStringLiteral("XY01232601050730")}) {
        ExitRig r;
        r.type(scan, false);
        EXPECT_EQ(State(r), QStringLiteral("1111|0123202601050730|%1|0123").arg(TariffFee(90))) << scan.toStdString();
        EXPECT_TRUE(r.frmInputAsked.isEmpty()); // priced without an entry row
    }
}

TEST_F(TicketEntryTest, BadScanDatesGiveTheDataErrorAndNoTransaction)
{
    const char* bad[] = {"01232613050730", "01232601320730", "01232602300730", "01232601052400",
                         "01232601050760", "0123260105073a", "01232501 50730"};
    for (const char* scan : bad) {
        ExitRig r;
        r.type(QString::fromLatin1(scan));
        EXPECT_EQ(OnlyShown(r.ts.msgs), QStringLiteral("입차데이터 오류|주차권형식이 맞지않습니다....\n") + QString::fromLatin1(scan));
        EXPECT_EQ(State(r).left(3), QStringLiteral("000")) << scan;
        EXPECT_EQ(r.ts.screen.text(QStringLiteral("TNum")), QString());
    }
}

TEST_F(TicketEntryTest, FebruaryTheTwentyNinthOfALeapYearIsADate)
{
    rig.ts.clock.setNow(QDateTime(QDate(2028, 2, 29), QTime(12, 0)));
    rig.type(QStringLiteral("01232802291130"));
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(st.trx.InDate, QStringLiteral("2028-02-29"));
}

TEST_F(TicketEntryTest, ASettledScanShowsTheStoredExit)
{
    rig.addSettled(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("06:00"),
                   QStringLiteral("2026-01-05"), QStringLiteral("07:10"), 70, 12500);
    rig.type(QStringLiteral("01232601050600"));
    EXPECT_EQ(FeePanelTexts(screen), QStringList({"0123", "2026-01-05 07:10", "2026-01-05 06:00", "0분", "70분", "12,500원"}));
    EXPECT_EQ(screen.backColor(QStringLiteral("LOut_1")), ColorFromBgr(kPanelDimmed));
    EXPECT_TRUE(OnlyShown(msgs).startsWith(QStringLiteral("정산오류|")));
    EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString());
    expectIdle();
    EXPECT_TRUE(rig.calls.isEmpty());
}

TEST_F(TicketEntryTest, ATypedNumberThatIsNotNumericEmptiesTheBox)
{
    rig.type(QStringLiteral("12a4"));
    EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString());
    expectIdle();
    EXPECT_TRUE(rig.frmInputAsked.isEmpty());
}

TEST_F(TicketEntryTest, OtherLengthsDoNothing)
{
    for (const char* t : {"12345", "123456", "1234567890123", "1", ""}) {
        rig.type(QString::fromLatin1(t));
        EXPECT_EQ(screen.text(QStringLiteral("TNum")), QString::fromLatin1(t));
        expectIdle();
    }
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TicketEntryTest, QuotesInScannedDataReachTheDatabaseAsValues)
{
    rig.type(QStringLiteral("O'R12601050830"));
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("O'R1202601050830"));
}

// A typed ticket that the tariff cannot price starts no exit: Enter then stores
// nothing. A stay that the tariff makes free still completes at 0.
TEST_F(TicketEntryTest, ATariffThatCannotPriceTheStayStoresNoExit)
{
    const QString fault = QStringLiteral("Tarvola|요금테이블 데이터 베이스에 이상이있습니다.\r"
                                         "계산할 수 없으므로 요금테이블을 재설정 하시기 바랍니다.");
    struct Case {
        const char* name;
        QStringList setup;
        QString entryTime, shown, box, stored; // box after the lookup; stored: "출차일|총주차요금" of the entry
    } cases[] = {
        {"기타 has no row", {QStringLiteral("DELETE FROM 기타")}, QStringLiteral("07:30"), fault, QString(), QStringLiteral("|")},
        {"no slot table", {QStringLiteral("DELETE FROM 요금테이블")}, QStringLiteral("07:30"), fault, QString(),
         QStringLiteral("|")},
        {"grace stay without slot table",
         {QStringLiteral("DELETE FROM 요금테이블"), QStringLiteral("UPDATE 기타 SET 회차사용 = 1, 회차시간 = 10")},
         QStringLiteral("08:55"), QString(), QStringLiteral("0123"), QStringLiteral("2026-01-05|0")},
        {"priced stay", {}, QStringLiteral("07:30"), QString(), QStringLiteral("0123"), QStringLiteral("2026-01-05|4000")},
    };
    for (const Case& c : cases) {
        ExitRig r;
        r.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), c.entryTime);
        for (const QString& sql : c.setup) Exec(r.st.Db, sql);
        r.type(QStringLiteral("0123"));
        EXPECT_EQ(OnlyShown(r.ts.msgs), c.shown) << c.name;
        EXPECT_EQ(r.ts.screen.text(QStringLiteral("TNum")), c.box) << c.name;
        r.enter();
        EXPECT_FALSE(r.st.trx.TicketInProgress) << c.name;
        EXPECT_EQ(r.ts.screen.text(QStringLiteral("TNum")), QString()) << c.name;
        EXPECT_TRUE(r.st.trx.TicketData.isEmpty()) << c.name;
        EXPECT_EQ(r.value(QStringLiteral("SELECT ifnull(출차일, '') || '|' || ifnull(총주차요금, '') FROM 일반권")).toString(),
                  c.stored) << c.name;
        EXPECT_EQ(r.ts.msgs.shown.size(), c.shown.isEmpty() ? 0u : 1u) << c.name;
    }
}

TEST_F(TicketEntryTest, NoLookupWhileATicketIsInProgress)
{
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    rig.addEntry(QStringLiteral("0124"), QStringLiteral("2026-01-05"), QStringLiteral("08:30"));
    rig.type(QStringLiteral("0123"));
    rig.type(QStringLiteral("0124"));
    EXPECT_EQ(st.trx.EntryCode, QStringLiteral("0123202601050730"));
}

} // namespace
