#include "settlement/SettlementFixture.h"

#include "core/SettingsFile.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

class Settle : public ::testing::Test {
protected:
    SettleResult settle(bool confirm = true)
    {
        ts.msgs.mboxAnswers.push_back(confirm);
        return Jungsan_Command1(ts.st, ts.view, 0);
    }
    qint64 open(const char* table) const
    {
        return ts.rows(QString("SELECT COUNT(*) FROM %1 WHERE 정산여부 = 0").arg(table));
    }
    SettleStation ts;
};

TEST_F(Settle, ConfirmedSettlementClosesThePeriodAndOpensTheNext)
{
    // A key switched on during the period has its row from the next period on.
    Insert(ts.st.Db, "할인키", {{"명칭", "경차할인"}, {"키코드1", 65}, {"키코드2", 0}, {"사용여부", true}});
    // The worker reads the question for five minutes: the marking is stamped then.
    ts.msgs.onShow = [this](const ScriptedMessages::Shown&) { ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(18, 35))); };
    ASSERT_EQ(settle(), SettleResult::Settled);
    EXPECT_EQ(ts.view.statuses,
              QStringList({"할인현황 인쇄중 입니다.....", "시간대별 인쇄중 입니다.....", "주차시간대별 인쇄중 입니다.....",
                           "완료되었습니다. 정산을 하십시요!"}));
    EXPECT_FALSE(ts.view.busy);
    EXPECT_EQ(ts.view.unloaded, 1);
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title + "|" + ts.msgs.shown[0].text, "영업마감|주의 : 영업마감을 하면 취소할 수 없습니다.");

    // Exited tickets settle; the car still inside waits for the next period.
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 일반권 WHERE 정산구분 = 1"), 2);
    EXPECT_EQ(ts.rows("SELECT 정산구분 FROM 일반권 WHERE 티켓번호 = '0003'"), 0);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 출차취소 WHERE 정산구분 = 1 AND 근무자명 = '근무자1' AND 근무자코드 = 1 "
                      "AND 시작일시 = '2026-01-05 08:00' AND 종료일시 = '2026-01-05 18:35'"),
              2);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 출차취소 WHERE 정산구분 = 1 AND 근무자명 = '근무자2' AND 근무자코드 = 2 "
                      "AND 시작일시 = '2026-01-04 07:00' AND 종료일시 = '2026-01-04 20:00'"),
              1); // the day before's, untouched
    EXPECT_EQ(ts.count("임시일반권"), 0);

    // Settled rows: the settling worker, this booth, the marking time, their money
    // and counts. Open rows: the worker who logged in after it, from the marking
    // on, with nothing counted. The day before's rows keep all they had.
    EXPECT_EQ(ts.logins, 1);
    const struct { const char* table; qint64 settled, open, dayBefore; const char* moneyCount, *settledSums; } periods[] = {
        {"시간대별", 24, 24, 2, "SUM(금액) || '/' || SUM(일반권출차수)", "8500/3"},
        {"주차시간대별", 1, 1, 1, "SUM(금액2 + 금액5) || '/' || SUM(건수2 + 건수5)", "5000/3"},
        {"금액대별", 1, 1, 1, "SUM(금액1 + 금액3) || '/' || SUM(건수1 + 건수3)", "5500/3"},
        {"할인현황", 3, 2, 2, "SUM(금액) || '/' || SUM(건수)", "8500/6"}};
    for (const auto& p : periods) {
        const QString sums = QString("SELECT %1 FROM %2 WHERE 시작일시 >= '2026-01-05' AND 정산여부 = ").arg(p.moneyCount, p.table);
        EXPECT_EQ(ts.value(sums + "1").toString() + " " + ts.value(sums + "0").toString(),
                  QString(p.settledSums) + " 0/0") << p.table;
        EXPECT_EQ(ts.rows(QString("SELECT COUNT(*) FROM %1 WHERE 정산여부 = 1 AND 근무자코드 = 1 AND 근무자명 = '근무자1' "
                                  "AND 포스코드 = 2 AND 시작일시 = '2026-01-05 08:00' AND 종료일시 = '2026-01-05 18:35'")
                              .arg(p.table)),
                  p.settled) << p.table;
        EXPECT_EQ(ts.rows(QString("SELECT COUNT(*) FROM %1 WHERE 정산여부 = 0 AND 근무자코드 = 4 AND 근무자명 = '근무자4' "
                                  "AND 포스코드 = 2 AND 시작일시 = '2026-01-05 18:35' AND 종료일시 IS NULL").arg(p.table)),
                  p.open) << p.table;
        EXPECT_EQ(ts.rows(QString("SELECT COUNT(*) FROM %1 WHERE 시작일시 >= '2026-01-05'").arg(p.table)),
                  p.settled + p.open) << p.table;
        EXPECT_EQ(ts.rows(QString("SELECT COUNT(*) FROM %1 WHERE 정산여부 = 1 AND 전송여부 = 1 AND 포스코드 = 1 AND "
                                  "근무자코드 = 2 AND 근무자명 = '근무자2' AND 종료일시 = '2026-01-04 20:00'").arg(p.table)),
                  p.dayBefore) << p.table;
    }
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);

    EXPECT_EQ(QString("%1|%2").arg(ts.st.settings.InOpenCount).arg(ts.st.settings.OutOpenCount), "0|0");
    EXPECT_EQ(Read_Ini(ts.st, kIniSection, "입차열림", "x") + "|" + Read_Ini(ts.st, kIniSection, "출차열림", "x"), "0|0");
}

TEST_F(Settle, MarkingFollowsTheSendSwitchesAndKeepRecords)
{
    const struct { const char* name; bool hourly, duration, amount, keep; } cases[] = {
        {"all sent, cancellations kept", true, true, true, true},
        {"nothing sent, cancellations not kept", false, false, false, false},
        {"hours and amount bands", true, false, true, true},
        {"duration bands only", false, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettleStation s;
        Exec(s.st.Db, "UPDATE 인쇄옵션 SET 시간대별전송 = ?, 주차시간대별전송 = ?, 금액대별전송 = ?",
             {c.hourly, c.duration, c.amount});
        s.st.settings.KeepRecords = c.keep;
        s.msgs.mboxAnswers.push_back(true);
        ASSERT_EQ(Jungsan_Command1(s.st, s.view, 0), SettleResult::Settled);
        const struct { const char* table; bool send; HostKind flag; qint64 rows; } marks[] = {
            {"시간대별", c.hourly, HostTIME, 24}, {"주차시간대별", c.duration, HostPKTIME, 1},
            {"금액대별", c.amount, HostPAMT, 1}, {"할인현황", true, HostDISC, 3}};
        for (const auto& m : marks) {
            // A row for sending waits unsent; one not for sending is marked sent, so the host never sees it.
            const QString today = QString("SELECT COUNT(*) FROM %1 WHERE 종료일시 > '2026-01-05' AND 정산여부 = 1").arg(m.table);
            EXPECT_EQ(s.rows(today + QString(" AND 전송여부 = %1").arg(m.send ? 0 : 1)), m.rows)
                << m.table;
            EXPECT_EQ(s.st.HostPending[m.flag], m.send) << m.table;
        }
        EXPECT_EQ(s.rows("SELECT COUNT(*) FROM 출차취소 WHERE 정산구분 = 1 AND 종료일시 > '2026-01-05'"), c.keep ? 2 : 0);
        EXPECT_EQ(s.st.HostPending[HostCANCEL], c.keep);
        EXPECT_FALSE(s.st.HostPending[HostOUT]);
    }
}

TEST_F(Settle, AFailureInTheMarkingLeavesThePeriodOpenAndUnmarked)
{
    // The band table refuses its marking, after the tickets and hours were marked.
    Exec(ts.st.Db, "CREATE TRIGGER refuse BEFORE UPDATE OF 정산여부 ON 금액대별 BEGIN SELECT RAISE(ABORT, 'disk I/O'); END");
    EXPECT_EQ(settle(), SettleResult::Failed);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 일반권 WHERE 정산구분 = 1"), 0);
    EXPECT_EQ(open("시간대별"), 24);
    EXPECT_EQ(ts.count("시간대별"), 24 + 2); // no new period beside the day before's hours
    EXPECT_EQ(open("할인현황"), 3);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 출차취소 WHERE 정산구분 = 0"), 2);
    EXPECT_EQ(ts.count("임시일반권"), 1);
    for (bool flag : ts.st.HostPending) EXPECT_FALSE(flag);
    EXPECT_EQ(ts.logins + ts.view.unloaded, 0);
    ASSERT_EQ(ts.msgs.shown.size(), 2u);
    EXPECT_EQ(ts.msgs.shown[1].kind, "Msg_Box");
    EXPECT_TRUE(ts.msgs.shown[1].text.contains("disk I/O"));
    EXPECT_EQ(ts.st.settings.InOpenCount, 2);
}

TEST_F(Settle, RefusalKeepsTheStampsAndMarksNothing)
{
    EXPECT_EQ(settle(false), SettleResult::Refused);
    EXPECT_TRUE(ts.dayFile().contains("[시간대별 출차현황]"));
    EXPECT_EQ(open("시간대별"), 24);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 시간대별 WHERE 종료일시 = '2026-01-05 18:30'"), 24);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 출차취소 WHERE 종료일시 = '2026-01-05 18:30' AND 정산구분 = 0"), 2);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 일반권 WHERE 정산구분 = 1"), 0);
    for (bool flag : ts.st.HostPending) EXPECT_FALSE(flag);
    EXPECT_EQ(ts.view.unloaded + ts.logins, 0);
}

TEST_F(Settle, WithoutAPrinterNothingIsPrintedOrMarked)
{
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c', 사용여부 = 0");
    Exec(ts.st.Db, "UPDATE 시간대별 SET 근무자코드 = 0");
    ts.st.worker.WorkerCode = 3;
    EXPECT_EQ(settle(), SettleResult::NoPrinter);
    EXPECT_EQ(ts.dayFile(), "");
    EXPECT_FALSE(ts.view.busy);
    EXPECT_TRUE(ts.view.statuses.isEmpty());
    EXPECT_EQ(ts.msgs.shown.size(), 0u); // not even the question
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 시간대별 WHERE 근무자코드 = 3 AND 종료일시 IS NULL"), 24);
    EXPECT_EQ(open("시간대별"), 24);
}

TEST_F(Settle, EmptyPrintOptionsCloseTheParallelPrinterJob)
{
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT1'");
    FakeLptDevice& lp0 = ts.fake.lpt->device("/dev/lp0");
    Exec(ts.st.Db, "DELETE FROM 인쇄옵션");
    EXPECT_EQ(settle(), SettleResult::NoPrinter);
    EXPECT_EQ(lp0.opens, 1);
    EXPECT_FALSE(lp0.open);
    EXPECT_TRUE(lp0.written.isEmpty());
}

TEST_F(Settle, CancelStampsTheWorkerAndCloses)
{
    ts.st.worker.WorkerCode = 5;
    EXPECT_EQ(Jungsan_Command1(ts.st, ts.view, 2), SettleResult::Closed);
    EXPECT_EQ(ts.view.unloaded, 1);
    // The open rows take the worker's code; the day before's keep theirs.
    for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황"})
        EXPECT_EQ(ts.value(QString("SELECT group_concat(k, ' ') FROM (SELECT DISTINCT 정산여부 || ':' || 근무자코드 AS k "
                                   "FROM %1 ORDER BY k)").arg(t)).toString(),
                  "0:5 1:2") << t;
    EXPECT_EQ(ts.value("SELECT group_concat(k, ' ') FROM (SELECT DISTINCT 정산구분 || ':' || 근무자코드 AS k "
                       "FROM 출차취소 ORDER BY k)").toString(),
              "0:5 1:2");
    EXPECT_EQ(ts.dayFile(), "");
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST_F(Settle, CancellationsGetThePeriodStartWhenNothingPrints)
{
    Exec(ts.st.Db, "UPDATE 인쇄옵션 SET 할인현황인쇄여부 = 0, 시간대별인쇄여부 = 0, 주차시간대별인쇄여부 = 0, "
                   "금액대별인쇄여부 = 0, 출차취소인쇄여부 = 0");
    ASSERT_EQ(settle(), SettleResult::Settled);
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 출차취소 WHERE 시작일시 = '2026-01-05 08:00'"), 2);
}

TEST_F(Settle, ReportGoesToTheDayFile)
{
    ASSERT_EQ(settle(), SettleResult::Settled);
    const QStringList lines = ts.dayFile().split("\r\n");
    // The day file takes no cuts: lines only, the footer last.
    ASSERT_GT(lines.size(), 80);
    EXPECT_EQ(lines[1], "  [할인항목별 출차현황]");
    EXPECT_TRUE(lines.contains("0012 01-04 22:00 01-05 07:30  1,234,567"));
    EXPECT_TRUE(lines.contains("금액:1,236,567 원"));
    EXPECT_EQ(lines.mid(lines.indexOf("입차열림건수 : 2"), 2), QStringList({"입차열림건수 : 2", "출차열림건수 : 3"}));
    EXPECT_EQ(lines.mid(lines.size() - 3, 2), QStringList({"근 무 자   : 근무자1", QString(47, '-')}));
}

} // namespace
