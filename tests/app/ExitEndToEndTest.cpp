// The main road end to end: an empty program folder, start-up, login, a tariff
// from the generator, an entry, its number typed into TNum, Enter, and the
// stored exit with its statistics. Offscreen, the clock set by the test.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "core/Sql.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/Ini.h"
#include "platform/ScriptedMessages.h"
#include "serial/FakeComm.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "core/Station.h"
#include "sim/PtyDevice.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QVariant Value(const Station& st, const QString& sql) { return Scalar(st.Db, sql); }

TEST(ExitEndToEnd, FromAnEmptyFolderToAStoredExit)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).isEmpty());
    ManualClock clock(QDateTime(QDate(2026, 1, 5), QTime(7, 30)));
    ScriptedMessages msgs;
    MainWindow window;
    Station st(clock, msgs, window);
    st.AppPath = dir.path();
    InstallFakeComm(st); // no real port: the receipt goes to the day file
    AttachCommDispatch(st);
    window.attach(st);
    FrmInput_Install(st, &window);

    // Start-up and login with the administrator's first-run password.
    ASSERT_FALSE(Startup_Load(st, [&window] { window.load(); }).has_value());
    ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Data/Park.MDB"))));
    bool started = false;
    int ended = -1;
    FrmSplash splash(st, [&] { started = true; window.show(); }, [&](int code) { ended = code; });
    splash.show();
    auto* password = splash.findChild<QLineEdit*>(QStringLiteral("Text1"));
    ASSERT_NE(password, nullptr);
    QTest::keyClicks(password, QStringLiteral("582047"));
    auto* ok = splash.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_TRUE(ok && ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_TRUE(started);
    EXPECT_EQ(ended, -1);
    EXPECT_EQ(st.worker.WorkerName, QStringLiteral("관리자"));

    test::GenerateTariff(st);
    // The receipt printer prints into the day file.
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));

    // The dispenser's entry at 07:30; the car leaves at 09:30 (120 minutes, 5,500 won).
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                               "VALUES (0, '0042', '2026-01-05', '07:30', '0042202601050730', 0, 1)"));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));

    auto* tnum = window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    ASSERT_NE(tnum, nullptr);
    tnum->setFocus();
    QTest::keyClicks(tnum, QStringLiteral("0042"));
    QTest::keyClick(tnum, Qt::Key_Return); // the lookup; its release is swallowed by the guard
    ASSERT_TRUE(st.trx.TicketInProgress);
    EXPECT_EQ(window.text(QStringLiteral("LOut_6")), QStringLiteral("5,500원"));
    EXPECT_FALSE(tnum->isEnabled());

    QTest::keyClick(&window, Qt::Key_Return); // completes
    EXPECT_FALSE(st.trx.TicketInProgress);
    EXPECT_TRUE(tnum->isEnabled());
    EXPECT_EQ(tnum->text(), QString());

    EXPECT_EQ(Value(st, QStringLiteral("SELECT 출차일 || ' ' || 출차시간 FROM 일반권")).toString(),
              QStringLiteral("2026-01-05 09:30"));
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 총주차시간 FROM 일반권")).toString(), QStringLiteral("120"));
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 할인구분 FROM 일반권")).toString(), QStringLiteral("현금출차"));
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 일반권출차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toInt(), 1);
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 금액 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toInt(), 5500);
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 건수6 FROM 주차시간대별 WHERE 정산여부 = 0")).toInt(), 1);
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 건수7 FROM 금액대별 WHERE 정산여부 = 0")).toInt(), 1);
    EXPECT_EQ(Value(st, QStringLiteral("SELECT COUNT(*) FROM 임시일반권")).toInt(), 1);
    EXPECT_EQ(window.text(QStringLiteral("CarCnt_1")), QStringLiteral("1"));
    EXPECT_EQ(Read_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("일반권출차수"), QStringLiteral("0")),
              QStringLiteral("1"));
    EXPECT_EQ(window.text(QStringLiteral("PnlMsg")), QStringLiteral("일반권차량 정산 완료!   주차권번호 : 0042"));
    EXPECT_TRUE(st.HostPending[HostOUT]);
    QFile paper(dir.filePath(QStringLiteral("Data/2026-01-05.txt")));
    ASSERT_TRUE(paper.open(QIODevice::ReadOnly));
    EXPECT_TRUE(paper.readAll().contains("5,500"));
    for (const auto& m : msgs.shown) ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
    st.comm.reset();
}

TEST(ExitEndToEnd, TheFeeDisplayOverAPseudoTerminal)
{
    sim::PtyDevice display;
    ASSERT_TRUE(display.ok());
    display.replier = nullptr;
    test::AppRig app(QDateTime(QDate(2026, 1, 5), QTime(7, 30)));
    auto [st, clock, msgs, window] = std::tie(app.st, app.clock, app.msgs, app.window);
    app.mapPorts({{"Com7", display.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = 'Com7', 기종 = 'PLUS TYPE'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));

    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortFeeDisp})) << app.shown().toStdString();
    test::GenerateTariff(st);
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));

    auto* tnum = window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    tnum->setFocus();
    QTest::keyClicks(tnum, QStringLiteral("01232601050730")); // a scanned ticket
    QTest::keyClick(tnum, Qt::Key_Return);
    ASSERT_TRUE(st.trx.TicketInProgress);
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_FALSE(st.trx.TicketInProgress);
    // The amount shown at the lookup, then the barrier opened by the completion.
    const QByteArray amount = QByteArray::fromHex("022020353530300" "3");
    const QByteArray gate = QByteArray::fromHex("02474F4E0347");
    for (int i = 0; i < 20 && !display.received.contains(gate); ++i)
        display.waitForReceived(int(display.received.size()) + 1, 200);
    const qsizetype a = display.received.indexOf(amount), g = display.received.indexOf(gate);
    EXPECT_GE(a, 0) << display.received.toHex(' ').toStdString();
    EXPECT_GT(g, a) << display.received.toHex(' ').toStdString();
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 실수령금액 FROM 일반권 WHERE 입차코드 = '0123202601050730'")).toInt(), 5500);
    st.comm.reset();
}

} // namespace
