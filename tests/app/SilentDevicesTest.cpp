// Each serial device present but silent (its pseudo-terminal swallows every
// byte): the one-second ticks that poll and send come back within their waits,
// a typed exit still goes through, and the device is not taken for unplugged.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "core/Sql.h"
#include "equipment/DispenserAttach.h"
#include "equipment/ExitReader.h"
#include "equipment/TicketReader.h"
#include "fee/SlotTable.h"
#include "gates/GatesAttach.h"
#include "host/HostLink.h"
#include "sim/PtyDevice.h"
#include "station/Timer1.h"

#include <QElapsedTimer>
#include <QListWidget>

using namespace tolvo;

namespace {

qint64 MsFor(const std::function<void()>& step)
{
    QElapsedTimer t;
    t.start();
    step();
    return t.elapsed();
}

TEST(SilentDevices, TheKeyboardRoadGoesOnAndNothingIsReportedUnplugged)
{
    const struct {
        const char* name;
        const char* com;
        int port;
        const char* setup;
    } rows[] = {
        {"dispenser", "Com1", PortDispenser, "UPDATE 발권기 SET 사용여부 = 1, 포트번호 = 'Com1', 기종 = 'M/S (종이)'"},
        {"season entrance", "Com2", PortSeasonIn1,
         "UPDATE 정기권입구1 SET 사용여부 = 1, 포트번호 = 'Com2', 기종 = 'ID Tech', Gate제어 = '요금표시기'"},
        {"ticket reader", "Com6", PortReader, "UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6', 기종 = 'ZP-2000'"},
        {"fee display", "Com7", PortFeeDisp, "UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = 'Com7', 기종 = 'PLUS TYPE'"},
        {"host", "Com9", PortHost, "UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com9', 기종 = '시간수신안함'"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        sim::PtyDevice silent;
        ASSERT_TRUE(silent.ok());
        silent.replier = [](const QByteArray&) { return QByteArray(); };
        test::AppRig app(QDateTime(QDate(2026, 1, 5), QTime(7, 30)));
        Station& st = app.st;
        AttachDispenser(st);
        AttachTicketReader(st);
        AttachExitReader(st);
        AttachGates(st);
        AttachHost(st);
        app.mapPorts({{r.com, silent.slavePath()}});
        app.startUp();
        app.window.setTimerEnabled(false); // the test ticks
        Exec(st.Db, QString::fromUtf8(r.setup));
        Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0, 일반권출차전송 = 1"));
        Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
        app.logIn();
        ASSERT_TRUE(test::PortsOpen(*st.comm, {r.port})) << app.shown().toStdString();
        test::GenerateTariff(st);
        st.DataRefreshDate = QStringLiteral("2026-01-05");
        st.settings.TransTime = st.settings.PollTime = st.settings.TDPoll = 1;
        Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                                   "VALUES (0, '0042', '2026-01-05', '07:30', '0042202601050730', 0, 1)"));
        app.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));

        // A typed exit (120 minutes, 5,500 won) between two ticks; the host send follows it.
        auto* tnum = app.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
        const qint64 exitMs = MsFor([&] {
            Timer1_Tick(st);
            tnum->setFocus();
            QTest::keyClicks(tnum, QStringLiteral("0042"));
            QTest::keyClick(tnum, Qt::Key_Return);
            app.clock.advanceSecs(1);
            Timer1_Tick(st);
            QTest::keyClick(&app.window, Qt::Key_Return);
        });
        EXPECT_FALSE(st.trx.TicketInProgress);
        EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 실수령금액 FROM 일반권 WHERE 출차일 = '2026-01-05'")).toInt(), 5500);
        for (int i = 0; i < 3; ++i) {
            app.clock.advanceSecs(1);
            EXPECT_LT(MsFor([&] { Timer1_Tick(st); }), 4000) << "tick " << i;
        }
        EXPECT_LT(exitMs, 6000);
        EXPECT_TRUE(st.comm->PortOpen(r.port));
        const auto* list1 = app.window.list1();
        ASSERT_TRUE(list1);
        EXPECT_TRUE(list1->findItems(QStringLiteral("연결 끊김"), Qt::MatchContains).isEmpty());
    }
}

// The reader's senders give up after their wait and say so in their captions.
TEST(SilentDevices, ASilentTicketReaderShowsNoResponse)
{
    sim::PtyDevice silent;
    ASSERT_TRUE(silent.ok());
    silent.replier = [](const QByteArray&) { return QByteArray(); };
    test::AppRig app(QDateTime(QDate(2026, 1, 5), QTime(7, 30)));
    Station& st = app.st;
    AttachTicketReader(st);
    app.mapPorts({{"Com6", silent.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6', 기종 = 'ZP-2000'"));
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortReader}));
    bool written = true;
    const qint64 ms = MsFor([&] { written = st.exitLinks.readerWrite(QStringLiteral("0008")); });
    EXPECT_FALSE(written);
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 3000);
    EXPECT_EQ(app.window.text(QStringLiteral("Label4")), QStringLiteral("Encoding No Response"));
    EXPECT_TRUE(silent.received.contains("C70"));
}

} // namespace
