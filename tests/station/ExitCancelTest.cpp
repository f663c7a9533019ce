// The cancellation record.

#include "station/ExitTestSupport.h"

#include "station/ExitCancel.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

void setCancelled(Station& st, const QString& outTime, qint32 pay)
{
    ExitTransaction& t = st.trx;
    t.EntryCode = QStringLiteral("0042202601050700");
    t.TicketNo = QStringLiteral("0042");
    t.InDate = QStringLiteral("2026-01-05");
    t.InTime = QStringLiteral("07:00");
    t.OutDate = QStringLiteral("2026-01-06"); // the next day: entry and exit dates differ
    t.OutTime = outTime;
    t.ParkMinutes = 100;
    t.DiscMinutes = 10;
    t.TotalFee = 5000;
    t.PayAmount = pay;
    t.DiscKind = QStringLiteral("현금출차");
}

TEST(ExitCancel, ASecondCancellationRewritesTheExitAndKeepsTheEntry)
{
    ExitRig rig;
    const QString row = QStringLiteral("SELECT 티켓번호||'|'||입차일||'|'||입차시간||'|'||출차일||'|'||출차시간||'|'||입차코드||'|'||"
                                       "실수령금액||'|'||총주차요금||'|'||할인시간||'|'||총주차시간||'|'||근무자코드||'|'||근무자명||'|'||"
                                       "할인구분||'|'||전송여부||'|'||정산구분 FROM 출차취소");
    setCancelled(rig.st, QStringLiteral("09:00"), 4500);
    ASSERT_TRUE(Save_ExitCancel(rig.st));
    EXPECT_EQ(rig.value(row).toString(),
              QStringLiteral("0042|2026-01-05|07:00|2026-01-06|09:00|0042202601050700|4500|5000|10|100|3|근무자3|현금출차|1|0"));
    setCancelled(rig.st, QStringLiteral("09:20"), 3000);
    rig.st.trx.TicketNo = QStringLiteral("XXXX");
    rig.st.trx.InTime = QStringLiteral("08:00");
    rig.st.trx.DiscKind = QStringLiteral("쿠폰");
    rig.st.worker.WorkerCode = 4;
    rig.st.worker.WorkerName = QStringLiteral("근무자4");
    Exec(rig.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 출차취소전송 = 1"));
    ASSERT_TRUE(Save_ExitCancel(rig.st));
    ASSERT_EQ(rig.count(QStringLiteral("출차취소")), 1);
    EXPECT_EQ(rig.value(row).toString(),
              QStringLiteral("0042|2026-01-05|07:00|2026-01-06|09:20|0042202601050700|3000|5000|10|100|4|근무자4|쿠폰|0|0"));
    EXPECT_TRUE(rig.ts.msgs.shown.empty()); // notice off
}

TEST(ExitCancel, TheNoticeNamesTicketAndAmount)
{
    ExitRig rig;
    rig.st.settings.ExitCancelNotice = true;
    setCancelled(rig.st, QStringLiteral("09:00"), 0);
    ASSERT_TRUE(Save_ExitCancel(rig.st));
    EXPECT_EQ(OnlyShown(rig.ts.msgs), QStringLiteral("출차취소 자료기록및 보관|주의 : 출차취소된 자료는 기록되며 재정산시 자동삭제됩니다.\r\n티켓번호 = 0042 영수금액 = 0"));
}

TEST(ExitCancel, TransmissionFlagIsTheOppositeOfTheSwitch)
{
    for (const int sw : {0, 1}) {
        ExitRig rig;
        Exec(rig.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 출차취소전송 = ?"), {sw});
        setCancelled(rig.st, QStringLiteral("09:00"), 5000);
        ASSERT_TRUE(Save_ExitCancel(rig.st));
        EXPECT_EQ(rig.value(QStringLiteral("SELECT 전송여부 FROM 출차취소")).toInt(), 1 - sw);
    }
}

TEST(ExitCancel, AWorkerWithoutANameIsStored)
{
    ExitRig rig;
    rig.st.worker.WorkerName.clear();
    setCancelled(rig.st, QStringLiteral("09:00"), 5000);
    ASSERT_TRUE(Save_ExitCancel(rig.st));
    EXPECT_TRUE(rig.value(QStringLiteral("SELECT 근무자명 FROM 출차취소")).isNull());
}

TEST(ExitCancel, AFailureShowsTheErrorAndNoNotice)
{
    ExitRig rig;
    rig.st.settings.ExitCancelNotice = true;
    Exec(rig.st.Db, QStringLiteral("DROP TABLE 출차취소"));
    setCancelled(rig.st, QStringLiteral("09:00"), 5000);
    EXPECT_FALSE(Save_ExitCancel(rig.st));
    EXPECT_TRUE(OnlyShown(rig.ts.msgs).startsWith(QStringLiteral("데이터 베이스 오류|")));
}

TEST(ExitCancel, EscWithAFailingRecordStillCancels)
{
    ExitRig rig;
    rig.st.settings.KeepRecords = true;
    rig.addEntry(QStringLiteral("0042"), QStringLiteral("2026-01-05"), QStringLiteral("07:00"));
    rig.type(QStringLiteral("0042"));
    Exec(rig.st.Db, QStringLiteral("DROP TABLE 출차취소"));
    rig.esc();
    EXPECT_FALSE(rig.st.trx.TicketInProgress);
    EXPECT_FALSE(rig.st.StationBusy);
}

} // namespace
