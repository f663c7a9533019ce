// A dispenser on a pseudo-terminal issues a ticket to the running station (real
// serial ports, the timer's poll), and the ticket is then typed at the exit and priced.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "equipment/DispenserAttach.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/Ini.h"
#include "platform/ScriptedMessages.h"
#include "serial/Comm.h"
#include "sim/DispenserPeer.h"
#include "sim/PtyDevice.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "station/Timer1.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

// First 30 minutes 1,000 won, then 500 won per 10 minutes.
bool RunUntil(const std::function<bool()>& done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

TEST(DispenserOverPty, AnIssuedTicketIsRecordedAndPricedAtTheExit)
{
    sim::PtyDevice pty;
    ASSERT_TRUE(pty.ok());
    sim::DispenserPeer peer;
    pty.replier = [&peer](const QByteArray& chunk) { return peer.answer(chunk); };

    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2026, 1, 5), QTime(7, 29, 50)));
    ScriptedMessages msgs;
    MainWindow window;
    Station st(clock, msgs, window);
    st.AppPath = dir.path();
    st.comm = std::make_unique<Comm>(); // the real serial ports
    AttachCommDispatch(st);
    AttachDispenser(st);
    window.attach(st);
    FrmInput_Install(st, &window);
    {
        QFile ini(dir.filePath(QStringLiteral("Tolvo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[ports]\nCom1=" + pty.slavePath().toLocal8Bit() + "\n");
    }
    ASSERT_FALSE(Startup_Load(st, [&window] { window.load(); }).has_value());
    Exec(st.Db, QStringLiteral("UPDATE 발권기 SET 사용여부 = 1, 포트번호 = 'Com1', 기종 = 'M/S (종이)'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));

    FrmSplash splash(st, [&] { window.show(); }, [](int) {});
    splash.show();
    QTest::keyClicks(splash.findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("582047"));
    QTest::mouseClick(splash.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortDispenser})) << msgs.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(st.models.DispenserType, 1);
    test::GenerateTariff(st);
    st.settings.TDPoll = 1;
    st.settings.TicketsLeft = 200;

    // The dispenser issues ticket 0123 at 07:30; the timer's next poll fetches it.
    peer.issue("0123", QTime(7, 30));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(7, 30, 2)));
    Timer1_Tick(st);
    const auto rows = [&st] { return Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 일반권")).toInt(); };
    ASSERT_TRUE(RunUntil([&] { return rows() == 1; })) << pty.received.toHex(' ').toStdString();
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 입차코드 || ' ' || 입차시간 FROM 일반권")).toString(),
              QStringLiteral("0123202601050730 07:30"));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 일반권입차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 7")).toInt(), 1);
    EXPECT_EQ(st.settings.TicketsLeft, 199);
    EXPECT_EQ(Read_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("잔여티켓매수"), {}), QStringLiteral("199"));
    EXPECT_EQ(window.text(QStringLiteral("PnlMsg")), QStringLiteral("일반권 입차  주차권번호 : 0123"));
    ASSERT_GE(peer.commands.size(), 2u);
    EXPECT_EQ(peer.commands[0], QByteArray("C000"));
    EXPECT_EQ(peer.commands[1], QByteArray("C014"));

    // The hourly clock setting reaches the dispenser.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(8, 5, 5)));
    Timer1_Tick(st);
    EXPECT_TRUE(RunUntil([&] { return peer.lastClockSet.isValid(); }));
    EXPECT_EQ(peer.lastClockSet, QDateTime(QDate(2026, 1, 5), QTime(8, 5, 5)));

    // At the exit two hours later: 120 minutes, 5,500 won.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    auto* tnum = window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    ASSERT_NE(tnum, nullptr);
    tnum->setFocus();
    QTest::keyClicks(tnum, QStringLiteral("0123"));
    QTest::keyClick(tnum, Qt::Key_Return);
    ASSERT_TRUE(st.trx.TicketInProgress) << msgs.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window.text(QStringLiteral("LOut_6")), QStringLiteral("5,500원"));
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 실수령금액 FROM 일반권 WHERE 입차코드 = '0123202601050730'")).toInt(),
              5500);
    st.comm.reset();
}

} // namespace
