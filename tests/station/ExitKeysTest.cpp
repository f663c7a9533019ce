// The exit keys: completion in order, cancellation, the Enter guard, discount keys.

#include "station/ExitTestSupport.h"

#include "fee/FeeRun.h"
#include "station/ExitKeys.h"
#include "fee/FeePanel.h"
#include "serial/FakeComm.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

const QDateTime kNine30(QDate(2026, 1, 5), QTime(9, 30));

class ExitKeysTest : public ::testing::Test {
protected:
    ExitRig rig{kNine30};
    Station& st = rig.st;
    RecordingMainScreen& screen = rig.ts.screen;
    ScriptedMessages& msgs = rig.ts.msgs;

    // A ticket in the reader: entry 07:30, 120 minutes, 5,500 won.
    void readerTicket(const QString& code = QStringLiteral("0123202601050730"))
    {
        st.trx.TicketData = code;
        Calc_TicketFee(st);
        rig.calls.clear();
    }
    // A typed ticket with an entry row: entry 07:30, 120 minutes, 5,500 won.
    void typedTicket()
    {
        rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
        rig.type(QStringLiteral("0123"));
        rig.calls.clear();
    }
    // Nothing under way, the box empty and focused, the panel and discount keys reset.
    void expectIdle()
    {
        const ExitTransaction& t = st.trx;
        EXPECT_EQ(QStringLiteral("%1%2%3%4%5%6|%7").arg(t.TicketInProgress).arg(t.ExitDone).arg(t.LostTicket).arg(t.TicketTyped)
                      .arg(st.StationBusy).arg(st.discKeys.DiscComboUsed).arg(t.TicketData), QStringLiteral("000000|"));
        EXPECT_TRUE(screen.isEnabled(QStringLiteral("TNum")));
        EXPECT_EQ(screen.text(QStringLiteral("TNum")) + screen.focused + screen.text(QStringLiteral("POut_0")) +
                      screen.text(QStringLiteral("Fnd")), QStringLiteral("TNum 번호입력      0"));
        for (auto s : st.discKeys.DiscKeyState) EXPECT_EQ(s, 0);
    }
    // "name:count:amount" of every discount counted in the open period, by name.
    QString discounts()
    {
        return rig.value(QStringLiteral("SELECT group_concat(명칭||':'||건수||':'||금액, ' ') FROM (SELECT * FROM 할인현황 "
                                        "WHERE 정산여부 = 0 AND 건수 > 0 ORDER BY 명칭)")).toString();
    }
};

TEST_F(ExitKeysTest, AFullCompletionOfATypedTicket)
{
    rig.addDiscountKey({QStringLiteral("30분무료"), 112, 0, 1, 30, 0, 0, false});
    rig.reopenPeriod();
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권출차전송 = 1"));
    st.settings.KeepRecords = true;
    Exec(st.Db, QStringLiteral("INSERT INTO 출차취소 (티켓번호, 입차일, 입차시간, 입차코드, 근무자코드, 전송여부) "
                               "VALUES ('0123', '2026-01-05', '07:30', '0123202601050730', 3, 0)"));
    rig.setCounters({"10", "4", "0", "0", "0", "0", "8"});
    Write_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("일반권출차수"), QStringLiteral("4"));
    st.HostPending.fill(false);

    typedTicket();
    EXPECT_EQ(st.trx.PayAmount, 5500);
    rig.enter();

    EXPECT_EQ(rig.calls, (QStringList{QStringLiteral("gate"), QStringLiteral("drawer"), QStringLiteral("receipt")}));
    EXPECT_TRUE(st.HostPending[HostOUT]);

    const QString code = QStringLiteral("0123202601050730");
    // The entry's booth is kept; fields in table order from 입차일 to 할인구분, then 포스코드.
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 입차일||'|'||입차시간||'|'||출차일||'|'||출차시간||'|'||총주차시간||'|'||총주차요금||'|'||"
                                       "할인시간||'|'||실수령금액||'|'||정산구분||'|'||전송여부||'|'||할인구분||'|'||포스코드 "
                                       "FROM 일반권 WHERE 입차코드 = ?"), {code}).toString(),
              QStringLiteral("2026-01-05|07:30|2026-01-05|09:30|120|5500|0|5500|0|0|현금출차|4"));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 일반권출차수||'|'||일반권입차수||'|'||금액||'|'||대수||'|'||데이터유무 FROM 시간대별 "
                                       "WHERE 정산여부 = 0 AND 시간대 = 9")).toString(), QStringLiteral("1|0|5500|1|1"));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT SUM(대수) FROM 시간대별")).toInt(), 1);

    EXPECT_EQ(discounts(), QStringLiteral("현금출차:1:5500"));

    // 120 minutes in duration band 6, 5,500 won in amount band 7, nothing elsewhere.
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 건수6||'|'||금액6||'|'||(건수1+건수2+건수3+건수4+건수5+건수7+건수8+건수9+건수10) "
                                       "FROM 주차시간대별")).toString(), QStringLiteral("1|5500|0"));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 건수7||'|'||금액7 FROM 금액대별")).toString(), QStringLiteral("1|5500"));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT group_concat(입차코드||'|'||실수령금액) FROM 임시일반권")).toString(),
              code + QStringLiteral("|5500"));

    EXPECT_EQ(rig.count(QStringLiteral("출차취소")), 0); // the earlier cancellation is gone

    EXPECT_EQ(rig.counters(), QStringList({"10", "5", "5", "0", "0", "0", "7"}));
    EXPECT_EQ(rig.ini(QStringLiteral("일반권출차수")), QStringLiteral("5"));

    const QString done = QStringLiteral("일반권차량 정산 완료!   주차권번호 : 0123");
    EXPECT_EQ(screen.text(QStringLiteral("PnlMsg")), done);
    EXPECT_EQ(screen.list1.last(), done);
    EXPECT_GE(screen.totalsRefreshed, 1);
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("현금출차"));
    EXPECT_FALSE(st.trx.EnterGuard);
    expectIdle();
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(ExitKeysTest, ATicketWithoutAnEntryRowIsCountedAsEntryAndExit)
{
    st.models.PosCode = 2;
    rig.setCounters({"10", "4", "0", "0", "0", "0", "8"});
    rig.type(QStringLiteral("09992601050900"));
    rig.enter();
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 포스코드 FROM 일반권 WHERE 입차코드 = '0999202601050900'")).toInt(), 2);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 입차시간 FROM 일반권")).toString(), QStringLiteral("09:00"));
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권입차수"), 9), 1);
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권출차수"), 9), 1);
    EXPECT_EQ(rig.counters(), QStringList({"11", "5", "6", "0", "0", "0", "8"}));
    EXPECT_EQ(rig.ini(QStringLiteral("일반권입차수")), QStringLiteral("11"));
    EXPECT_EQ(rig.ini(QStringLiteral("일반권출차수")), QStringLiteral("5"));
}

TEST_F(ExitKeysTest, APaperTicketInTheReaderIsStampedPrintedAndEjected)
{
    // Stamped and printed only when encoding is on and the reader prints.
    const QString us(QChar(0x1F));
    const struct { const char* name; bool encodePrint; QStringList stampPrint; } rows[] = {
        {"encoding and printing", true,
         // written: the time of the write (09:32), then the exit time of the fee run (09:30)
         {QStringLiteral("write:00080123026010509322601050930"), QStringLiteral("print90:19") + us + QStringLiteral("2    2026-01-05 09:30  \\5,500")}},
        {"neither", false, {}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ExitRig x{kNine30};
        x.st.models.DispenserType = 1;
        x.st.settings.CardEncoding = r.encodePrint ? QStringLiteral("1") : QStringLiteral("0");
        x.st.models.ReaderCanPrint = r.encodePrint;
        x.st.trx.TicketData = QStringLiteral("0123202601050730");
        Calc_TicketFee(x.st);
        x.calls.clear();
        x.ts.clock.advanceSecs(2 * 60);
        x.enter(); // no guard for a ticket from the reader
        EXPECT_EQ(x.calls, QStringList({"gate", "drawer", "receipt"}) + r.stampPrint + QStringList{"eject"});
        EXPECT_FALSE(x.st.trx.TicketInProgress);
    }
}

TEST_F(ExitKeysTest, RecycledTicketLines)
{
    struct Case { qint16 line; const char* data; qint16 after; const char* printed; } cases[] = {
        {50, "55", 55, "55"}, {55, "00", 60, "60"}, {0, "05", 5, "05"}};
    for (const auto& c : cases) {
        ExitRig r{kNine30};
        r.st.models.DispenserType = 2;
        r.st.trx.TicketData = QStringLiteral("0123202601050730");
        Calc_TicketFee(r.st);
        r.st.trx.RecycleLine = c.line;
        r.calls.clear();
        r.enter();
        const QChar us(0x1F);
        ASSERT_EQ(r.calls.size(), 6) << c.line;
        EXPECT_EQ(r.calls[3], QStringLiteral("write:") + QString::fromLatin1(c.data) +
                                  QStringLiteral("000801230260105073026010509 30").remove(QLatin1Char(' ')));
        EXPECT_EQ(r.calls[4], QStringLiteral("print96:") + QString::fromLatin1(c.printed) + us + QStringLiteral("H") + us +
                                  QStringLiteral("0 출:01/05 09:30    W5,500"));
        EXPECT_EQ(r.calls[5], QStringLiteral("eject"));
        EXPECT_EQ(r.st.trx.RecycleLine, c.after);
    }
}

TEST_F(ExitKeysTest, RecycledTicketWriteFailureRetriesOnYesOrCompletesOnNo)
{
    for (const bool retry : {true, false}) {
        ExitRig x{kNine30};
        x.st.models.DispenserType = 2;
        x.st.trx.TicketData = QStringLiteral("0123202601050730");
        Calc_TicketFee(x.st);
        x.writeResults = {false, true};
        x.ts.msgs.mboxAnswers = {retry};
        x.enter();
        const auto& shown = x.ts.msgs.shown;
        ASSERT_EQ(shown.size(), retry ? 1u : 2u);
        EXPECT_EQ(shown[0].kind + shown[0].title + shown[0].yesCaption, QStringLiteral("MBox주차권 리더기 에러재시도"));
        EXPECT_EQ(shown[0].text, QStringLiteral("기록 오류 발생 : 취소를 하더라도 정상적인 정산처리가 됩니다.\n\n재시도 하시겠습니까?"));
        if (!retry) {
            EXPECT_EQ(shown[1].kind + shown[1].text,
                      QStringLiteral("Msg_Box주의 : 이주차권은 반드시 주차권 소거기로 초기화한후 사용하시기 바랍니다."));
        }
        EXPECT_EQ(x.calls.filter(QStringLiteral("write:")).size(), retry ? 2 : 1);
        EXPECT_TRUE(x.calls.contains(QStringLiteral("eject")));
        EXPECT_EQ(x.st.trx.RecycleLine, 5);
        EXPECT_FALSE(x.st.trx.TicketInProgress);
        EXPECT_EQ(x.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    }
}

TEST_F(ExitKeysTest, NothingOwedOpensTheBarrierOnly)
{
    rig.addDiscountKey({QStringLiteral("전액무료"), 113, 0, 4, 0, 0, 0, false});
    rig.reopenPeriod();
    typedTicket();
    EXPECT_TRUE(rig.keyUp(113));
    EXPECT_EQ(st.trx.PayAmount, 0);
    EXPECT_EQ(screen.text(QStringLiteral("Fnd")), QStringLiteral("      0"));
    rig.enter();
    EXPECT_EQ(rig.calls, (QStringList{QStringLiteral("amount:0"), QStringLiteral("gate")}));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 할인구분 FROM 일반권")).toString(), QStringLiteral("전액무료"));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 건수1 FROM 금액대별")).toInt(), 1);
    EXPECT_EQ(discounts(), QStringLiteral("전액무료:1:0"));
}

TEST_F(ExitKeysTest, EscOnATypedTicketSendsNoEject)
{
    readerTicket(); // a ticket from the reader is ejected
    rig.esc();
    EXPECT_EQ(rig.calls, (QStringList{QStringLiteral("eject"), QStringLiteral("time:0930")}));
    expectIdle();
    rig.calls.clear();
    typedTicket();
    rig.esc();
    EXPECT_EQ(rig.calls, QStringList{QStringLiteral("time:0930")});
    const QString line = QStringLiteral("일반권차량의 정산을 취소 하였습니다!");
    EXPECT_EQ(screen.text(QStringLiteral("PnlMsg")), line);
    EXPECT_EQ(screen.list1.last(), line);
    EXPECT_EQ(screen.backColor(QStringLiteral("LOut_1")), ColorFromBgr(kPanelDimmed));
    EXPECT_FALSE(screen.visible.value(QStringLiteral("Shape1"), true));
    expectIdle();
    EXPECT_EQ(rig.count(QStringLiteral("출차취소")), 0);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT COUNT(*) FROM 일반권 WHERE 출차일 IS NULL")).toInt(), 1);
}

TEST_F(ExitKeysTest, ACancellationIsRecordedAndDeletedByALaterCompletion)
{
    st.settings.KeepRecords = true;
    typedTicket();
    rig.esc();
    EXPECT_EQ(rig.count(QStringLiteral("출차취소")), 1);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 출차취소")).toInt(), 5500);
    rig.type(QStringLiteral("0123"));
    rig.enter();
    EXPECT_EQ(rig.count(QStringLiteral("출차취소")), 0);
    EXPECT_FALSE(rig.value(QStringLiteral("SELECT 출차일 FROM 일반권")).isNull());
}

TEST_F(ExitKeysTest, EscDuringACompletionRecordsNoCancellation)
{
    st.settings.KeepRecords = true;
    typedTicket();
    rig.during = [this](const QString& call) {
        if (call == QStringLiteral("gate")) {
            EXPECT_TRUE(rig.keyUp(27));
            EXPECT_TRUE(rig.keyUp(13)); // a second Enter is ignored too
        }
    };
    rig.enter();
    EXPECT_EQ(rig.count(QStringLiteral("출차취소")), 0);
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권출차수"), 9), 1);
    EXPECT_EQ(rig.calls.count(QStringLiteral("gate")), 1);
    EXPECT_FALSE(rig.calls.contains(QStringLiteral("time:0930")));
    expectIdle();
}

TEST_F(ExitKeysTest, DiscountKeysDuringACompletionAreIgnored)
{
    rig.addDiscountKey({QStringLiteral("전액무료"), 113, 0, 4, 0, 0, 0, false});
    rig.reopenPeriod();
    typedTicket();
    rig.during = [this](const QString& call) {
        if (call == QStringLiteral("receipt")) rig.keyUp(113);
    };
    rig.enter();
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 할인구분 FROM 일반권")).toString(), QStringLiteral("현금출차"));
}

TEST_F(ExitKeysTest, KeysWithoutATicketAreLeftToTheFunctionKeys)
{
    EXPECT_FALSE(rig.keyUp(13));
    EXPECT_FALSE(rig.keyUp(27));
    EXPECT_FALSE(rig.keyUp(112));
    EXPECT_TRUE(rig.calls.isEmpty());
    EXPECT_EQ(rig.count(QStringLiteral("출차취소")), 0);
}

TEST_F(ExitKeysTest, AFailedRecordKeepsTheTicketAndWritesNothing)
{
    screen.setText(QStringLiteral("CarCnt_1"), QStringLiteral("3"));
    typedTicket();
    Exec(st.Db, QStringLiteral("DROP TABLE 금액대별"));
    rig.enter();
    EXPECT_TRUE(OnlyShown(msgs).startsWith(QStringLiteral("데이터 베이스 오류|")));
    EXPECT_TRUE(msgs.shown[0].text.contains(QStringLiteral("금액대별")));
    EXPECT_EQ(screen.text(QStringLiteral("CarCnt_1")), QStringLiteral("3"));
    EXPECT_EQ(rig.ini(QStringLiteral("일반권출차수")), QStringLiteral("-"));
    EXPECT_EQ(st.trx.TicketData, QStringLiteral("0123202601050730"));
    EXPECT_TRUE(rig.value(QStringLiteral("SELECT 출차일 FROM 일반권")).isNull());
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권출차수"), 9), 0);
    EXPECT_EQ(rig.count(QStringLiteral("임시일반권")), 0);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT SUM(건수6) FROM 주차시간대별")).toInt(), 0);
    EXPECT_TRUE(st.trx.TicketInProgress);
    EXPECT_FALSE(st.trx.ExitDone);
    // Never left marked under way: once the table is back, a second Enter records the exit.
    Exec(st.Db, QStringLiteral("CREATE TABLE 금액대별 AS SELECT * FROM 주차시간대별"));
    rig.enter();
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
}

TEST_F(ExitKeysTest, AFailingDeviceIsReportedAndTheExitStillCompletes)
{
    typedTicket();
    st.exitLinks.receiptPrint = [] { throw std::runtime_error("영수증프린터 읽기 실패"); };
    rig.enter();
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_TRUE(msgs.shown[0].text.contains(QStringLiteral("영수증프린터 읽기 실패")));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    expectIdle();
}

TEST_F(ExitKeysTest, AGuardLeftByACancelledLookupDoesNotSwallowTheNextTicketsEnter)
{
    // FrmInput took the release of the lookup's Enter, then the worker pressed Esc.
    rig.answerFrmInput(QStringLiteral("0777202601050830"));
    rig.type(QStringLiteral("0777"), false);
    ASSERT_TRUE(st.trx.EnterGuard);
    rig.esc();
    EXPECT_FALSE(st.trx.EnterGuard);
    readerTicket();
    rig.enter(); // the next ticket, from the reader, completes on its first Enter
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
}

// The printer's failure boxes wait for the cashier ("reboot"): the exit, its
// statistics and counters are stored before the first of them is shown.
TEST_F(ExitKeysTest, APaidExitIsStoredBeforeAnyMessageWaitsForTheCashier)
{
    st.exitLinks.openDrawer = nullptr; // the real drawer and receipt, on a printer that cannot be opened
    st.exitLinks.receiptPrint = nullptr;
    InstallFakeComm(st); // no device at LPT1
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'LPT1'"));
    rig.setCounters({"10", "4", "6", "0", "0", "0", "8"});
    Write_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("일반권출차수"), QStringLiteral("4"));
    typedTicket();
    QStringList seen; // 일반권|시간대별 9시|금액대별 7|CarCnt_1|ini at each box
    msgs.onShow = [&](const ScriptedMessages::Shown&) {
        seen << rig.value(QStringLiteral("SELECT 출차일||' '||출차시간||' '||실수령금액 FROM 일반권")).toString() + u'|' +
                    QString::number(rig.hourly(QStringLiteral("일반권출차수"), 9)) + u'|' +
                    rig.value(QStringLiteral("SELECT 건수7 FROM 금액대별")).toString() + u'|' +
                    screen.text(QStringLiteral("CarCnt_1")) + u'|' + rig.ini(QStringLiteral("일반권출차수"));
    };
    rig.enter();
    const QString lpt1 = QStringLiteral("영수증 프린터가 LPT1으로 설정되어 있으나  LPT1이 오픈되지 않습니다.\r\n시스템을 재부팅 하십시요!");
    EXPECT_EQ(msgs.texts(), (QStringList{lpt1, lpt1})); // the drawer's job, then the receipt's
    const QString stored = QStringLiteral("2026-01-05 09:30 5500|1|1|5|5");
    EXPECT_EQ(seen, (QStringList{stored, stored}));
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(rig.count(QStringLiteral("임시일반권")), 1);
}

// --- discount keys

class DiscountKeyTest : public ExitKeysTest {
protected:
    void addKeys()
    {
        rig.addDiscountKey({QStringLiteral("30분+200원"), 112, 0, 1, 30, 2, 200, false});
        // Alt: last by shift state though not by key code, so the two orders differ.
        rig.addDiscountKey({QStringLiteral("쿠폰30분"), 113, 4, 1, 30, 2, 999, true});
        rig.addDiscountKey({QStringLiteral("반값"), 114, 1, 3, 50, 0, 0, false});
        rig.addDiscountKey({QStringLiteral("천원"), 115, 2, 5, 1000, 0, 0, false});
        rig.addDiscountKey({QStringLiteral("꺼진키"), 116, 0, 4, 0, 0, 0, false, false});
        rig.reopenPeriod();
        rig.settlePeriodBefore();
    }
};

TEST_F(DiscountKeyTest, TimeAndAmountOfANonCombinableKey)
{
    for (const bool fromRemaining : {false, true}) {
        ExitRig r{kNine30};
        r.addDiscountKey({QStringLiteral("30분+200원"), 112, 0, 1, 30, 2, 200, false});
        r.reopenPeriod();
        Exec(r.st.Db, QStringLiteral("UPDATE 기타 SET 기본요금포함여부 = ?"), {int(fromRemaining)});
        r.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
        r.type(QStringLiteral("0123"));
        r.keyUp(112);
        EXPECT_EQ(r.st.trx.ParkMinutes, 90);
        EXPECT_EQ(r.st.trx.DiscMinutes, 30);
        // 5,500 less the 30 minutes' 1,000, or the fee of the remaining 90 minutes; then 200 off.
        EXPECT_EQ(r.st.trx.PayAmount, fromRemaining ? TariffFee(90) - 200 : 5500 - 1000 - 200);
        EXPECT_EQ(r.st.trx.TotalFee, 5500);
        EXPECT_EQ(r.st.trx.DiscKind, QStringLiteral("30분+200원"));
        EXPECT_EQ(r.ts.screen.text(QStringLiteral("LOut_4")), QStringLiteral("30분"));
        EXPECT_EQ(r.ts.screen.text(QStringLiteral("LOut_5")), QStringLiteral("1시간30분"));
        EXPECT_EQ(r.calls.last(), QStringLiteral("amount:%1").arg(r.st.trx.PayAmount));
    }
}

TEST_F(DiscountKeyTest, AmountKindsOnTheTransaction)
{
    struct Case { int kind; double rate; qint32 before; qint32 after; } cases[] = {
        {2, 200, 900, 700},  {2, 900, 900, 0},  {2, 1000, 900, 0},  {3, 50, 750, 375},  {3, 30, 101, 30},
        {3, 100, 999, 999},  {4, 0, 5500, 0},   {5, 1000, 5500, 1000}, {5, 7000, 5500, 7000}, {0, 500, 900, 900},
        {9, 500, 900, 900},  {5, -5, 900, 0},   {3, 50, 1003, 501}, // 501.5: the half is cut off
    };
    for (const auto& c : cases) {
        st.trx.PayAmount = c.before;
        ApplyDiscountKind(st, c.kind, c.rate);
        EXPECT_EQ(st.trx.PayAmount, c.after) << c.kind << " " << c.rate << " " << c.before;
    }
}

TEST_F(DiscountKeyTest, ATimeKindNeverTakesMinutesBelowZero)
{
    st.trx.ParkMinutes = 20;
    st.trx.DiscMinutes = 0;
    st.trx.PayAmount = 1000;
    ApplyDiscountKind(st, 1, 30);
    EXPECT_EQ(st.trx.ParkMinutes, 0);
    EXPECT_EQ(st.trx.DiscMinutes, 30);
    EXPECT_EQ(st.trx.PayAmount, 0); // 1,000 less the 30 minutes' 1,000
}

TEST_F(DiscountKeyTest, ATimeKindOnABrokenTariffLeavesTheTicketAsItStood)
{
    for (const bool fromRemaining : {false, true}) {
        SCOPED_TRACE(fromRemaining ? "fee of the remaining minutes" : "fee of the discount minutes");
        Exec(st.Db, QStringLiteral("UPDATE 기타 SET 기본요금포함여부 = ?"), {int(fromRemaining)});
        Exec(st.Db, QStringLiteral("DELETE FROM 요금테이블"));
        st.trx.ParkMinutes = 120;
        st.trx.DiscMinutes = 0;
        st.trx.PayAmount = 5500;
        msgs.shown.clear();
        ApplyDiscountKind(st, 1, 30);
        EXPECT_EQ(st.trx.PayAmount, 5500);
        EXPECT_EQ(st.trx.ParkMinutes, 120);
        EXPECT_EQ(st.trx.DiscMinutes, 0);
        EXPECT_EQ(msgs.shown.size(), 1u);
    }
}

TEST_F(DiscountKeyTest, ATimeKeyNeverRaisesTheAmount)
{
    // Grace of 10 minutes; the test tariff charges 1,000 won up to 30 minutes.
    // keys: 112 5 minutes, 113 5 minutes combinable, 114 30 minutes combinable, 115 a fixed 1,000 won.
    const struct { const char* name; const char* entry; bool fromRemaining; std::vector<int> keys; qint32 pay;
                   qint32 minutes; } rows[] = {
        {"free stay, fee of the remaining minutes", "09:22", true, {112}, 0, 3},
        {"free stay, combinable key, fee of the remaining minutes", "09:22", true, {113}, 0, 3},
        {"free stay, fee of the key's minutes", "09:22", false, {112}, 0, 3},
        {"fixed amount, then a combinable time key", "07:30", true, {115, 114}, 1000, 90},
        {"a time key lowers as before", "07:30", true, {114}, 4000, 90}, // 5,500 to 90 minutes: 1,000 + 6 x 500
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ExitRig x{kNine30};
        x.addDiscountKey({QStringLiteral("5분"), 112, 0, 1, 5, 0, 0, false});
        x.addDiscountKey({QStringLiteral("쿠폰5분"), 113, 0, 1, 5, 0, 0, true});
        x.addDiscountKey({QStringLiteral("쿠폰30분"), 114, 0, 1, 30, 0, 0, true});
        x.addDiscountKey({QStringLiteral("천원"), 115, 0, 5, 1000, 0, 0, false});
        x.reopenPeriod();
        Exec(x.st.Db, QStringLiteral("UPDATE 기타 SET 회차사용 = 1, 회차시간 = 10, 기본요금포함여부 = ?"), {int(r.fromRemaining)});
        x.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QString::fromUtf8(r.entry));
        x.type(QStringLiteral("0123"));
        for (const int k : r.keys) x.keyUp(k);
        EXPECT_EQ(x.st.trx.PayAmount, r.pay);
        EXPECT_EQ(x.st.trx.ParkMinutes, r.minutes);
        EXPECT_TRUE(x.ts.msgs.shown.empty());
    }
}

TEST_F(DiscountKeyTest, ANonCombinableKeyOnABrokenTariffLeavesTheTicketAsItStood)
{
    addKeys();
    typedTicket();
    Exec(st.Db, QStringLiteral("DELETE FROM 요금테이블"));
    rig.keyUp(112); // 30 minutes and 200 won, not combinable: the fee run again first
    EXPECT_EQ(OnlyShown(msgs), QStringLiteral("Tarvola|요금테이블 데이터 베이스에 이상이있습니다.\r"
                                              "계산할 수 없으므로 요금테이블을 재설정 하시기 바랍니다."));
    EXPECT_EQ(st.trx.PayAmount, 5500);
    EXPECT_EQ(st.trx.ParkMinutes, 120);
    EXPECT_EQ(st.trx.DiscMinutes, 0);
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("현금출차"));
    for (auto s : st.discKeys.DiscKeyState) EXPECT_EQ(s, 0);
    EXPECT_TRUE(rig.calls.isEmpty()); // nothing new on the fee display
    EXPECT_TRUE(st.trx.TicketInProgress);
}

TEST_F(DiscountKeyTest, ACombinableKeyAddsAndBlocksNonCombinableKeys)
{
    addKeys();
    typedTicket();
    rig.keyUp(113, 4); // 30 minutes off, its second kind is not applied
    EXPECT_EQ(st.trx.PayAmount, 4500);
    EXPECT_EQ(st.trx.ParkMinutes, 90);
    EXPECT_TRUE(st.discKeys.DiscComboUsed);
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("현금출차"));
    rig.keyUp(113, 4); // applied twice: twice the minutes
    EXPECT_EQ(st.trx.ParkMinutes, 60);
    EXPECT_EQ(st.trx.PayAmount, 3500);
    rig.keyUp(112); // not combinable: refused
    EXPECT_EQ(screen.text(QStringLiteral("PnlMsg")), QStringLiteral("이미 쿠폰을 사용중이므로 할인이 불가 합니다"));
    EXPECT_TRUE(screen.visible.value(QStringLiteral("Shape1")));
    EXPECT_EQ(st.trx.PayAmount, 3500);
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("현금출차"));
    rig.keyUp(113, 4);
    rig.enter();
    // The combinable key counts its three uses, the exit itself counts as cash.
    EXPECT_EQ(discounts(), QStringLiteral("쿠폰30분:3:0 현금출차:1:2500"));
    EXPECT_EQ(rig.settledTouched(), 0);
}

TEST_F(DiscountKeyTest, ANonCombinableKeyReplacesEarlierDiscounts)
{
    addKeys();
    typedTicket();
    rig.keyUp(112);
    rig.keyUp(112);
    EXPECT_EQ(st.trx.PayAmount, 5500 - 1000 - 200); // recomputed, not applied twice
    EXPECT_EQ(st.trx.DiscMinutes, 30);
    rig.keyUp(114, 1); // half price, from the undiscounted 5,500
    EXPECT_EQ(st.trx.PayAmount, 2750);
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("반값"));
    rig.keyUp(113, 4); // a combinable key adds to it
    EXPECT_EQ(st.trx.PayAmount, 1750);
    rig.enter();
    // Non-combinable keys count only as the exit's name.
    EXPECT_EQ(discounts(), QStringLiteral("반값:1:1750 쿠폰30분:1:0"));
    EXPECT_EQ(rig.settledTouched(), 0);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 할인구분 FROM 일반권")).toString(), QStringLiteral("반값"));
}

TEST_F(DiscountKeyTest, ANonCombinableKeyTakesTheExitTimeAnew)
{
    addKeys();
    typedTicket();
    rig.ts.clock.advanceSecs(10 * 60);
    rig.keyUp(115, 2);
    EXPECT_EQ(st.trx.OutTime, QStringLiteral("09:40"));
    EXPECT_EQ(st.trx.TotalFee, TariffFee(130));
    EXPECT_EQ(st.trx.PayAmount, 1000);
}

TEST_F(DiscountKeyTest, UnknownOrInactiveKeysChangeNothing)
{
    addKeys();
    typedTicket();
    EXPECT_TRUE(rig.keyUp(116));
    EXPECT_TRUE(rig.keyUp(112, 1)); // right code, wrong shift
    EXPECT_TRUE(rig.keyUp(65));
    EXPECT_EQ(st.trx.PayAmount, 5500);
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("현금출차"));
    EXPECT_TRUE(rig.calls.isEmpty());
    EXPECT_TRUE(st.trx.TicketInProgress);
}

TEST_F(DiscountKeyTest, KeyStatesAreResetAfterTheExit)
{
    addKeys();
    typedTicket();
    rig.keyUp(113, 4);
    rig.esc();
    expectIdle();
    rig.type(QStringLiteral("0123"));
    rig.keyUp(112); // allowed again: the combination flag was reset
    EXPECT_EQ(st.trx.DiscKind, QStringLiteral("30분+200원"));
}

// ---- the road with the real booth routines and no devices at all (devices on ports: app/ExitEndToEnd)

// Only the entry form stays a recorder; every device goes through src/serial.
void useRealDevices(ExitRig& rig)
{
    auto frm = rig.st.exitLinks.frmInput;
    rig.st.exitLinks = ExitLinks{};
    rig.st.exitLinks.frmInput = frm;
}

TEST(ExitDevices, TheMainRoadWorksWithoutAnyDevice)
{
    ExitRig rig(kNine30);
    useRealDevices(rig);
    Exec(rig.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    rig.type(QStringLiteral("0123"));
    rig.enter();
    EXPECT_FALSE(rig.st.trx.TicketInProgress);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    // A ticket from the reader, without a reader: written nowhere, still recorded.
    rig.st.trx.TicketData = QStringLiteral("0124202601050800");
    Calc_TicketFee(rig.st);
    rig.esc();
    rig.st.trx.TicketData = QStringLiteral("0124202601050800");
    Calc_TicketFee(rig.st);
    rig.enter();
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 실수령금액 FROM 일반권 WHERE 티켓번호 = '0124'")).toInt(), TariffFee(90));
}

} // namespace
