// The whole car park over pseudo-terminals and the real serial layer: station
// A's devices (a polled dispenser, two season readers, the ticket reader, the
// fee display) and its host port wired to the master link of station B, whose
// host port goes to the simulated host PC. One shared clock set by the test.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "core/Sql.h"
#include "equipment/DispenserAttach.h"
#include "equipment/ExitReader.h"
#include "equipment/TicketReader.h"
#include "fee/SlotTable.h"
#include "gates/GatesAttach.h"
#include "host/HostLink.h"
#include "host/HostSend.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "serial/Comm.h"
#include "settlement/Jungsan.h"
#include "sim/DispenserPeer.h"
#include "sim/HostPeer.h"
#include "sim/PtyDevice.h"
#include "sim/SeasonReaderSim.h"
#include "sim/TicketReaderSim.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmLogin.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "station/Timer1.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

const QString kToday = QStringLiteral("2026-01-05");

// One station in a program folder of its own, with every device link attached.
struct Booth {
    Booth(ManualClock& clock, const QByteArray& ports) : st(clock, msgs, window)
    {
        st.AppPath = dir.path();
        st.comm = std::make_unique<Comm>();
        AttachCommDispatch(st);
        AttachDispenser(st);
        AttachTicketReader(st);
        AttachExitReader(st);
        AttachGates(st);
        host = AttachHost(st);
        window.attach(st);
        FrmInput_Install(st, &window);
        window.registerScreen(QStringLiteral("Jungsan"), [this](QWidget* parent) { ShowJungsan(st, parent); });
        st.screens.frmLogin = [this](Station& s) { ShowFrmLogin(s, &window); };
        QFile ini(dir.filePath(QStringLiteral("Tolvo.ini")));
        if (ini.open(QIODevice::WriteOnly)) ini.write("[ports]\n" + ports);
    }
    ~Booth() { st.comm.reset(); }

    // Start-up, the device tables, then the login that opens the ports.
    void start(const QStringList& setup)
    {
        ASSERT_FALSE(Startup_Load(st, [this] { window.load(); }).has_value());
        window.setTimerEnabled(false); // the test ticks
        for (const QString& sql : setup) Exec(st.Db, sql);
        FrmSplash splash(st, [this] { window.show(); }, [](int) {});
        splash.show();
        QTest::keyClicks(splash.findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("582047"));
        QTest::mouseClick(splash.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        st.DataRefreshDate = kToday;
        st.settings.TransTime = 1;
        st.settings.PollTime = 1;
        st.settings.TDPoll = 1;
        st.settings.KeepRecords = true;
    }

    QVariant value(const QString& sql) const { return Scalar(st.Db, sql); }
    // Rows as "a|b|c" lines, for comparing two stations' tables.
    QStringList rows(const QString& sql) const
    {
        QStringList out;
        QSqlQuery q = Query(st.Db, sql);
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i) fields << q.value(i).toString();
            out << fields.join(u'|');
        }
        return out;
    }
    // Kinds whose sender would still find a row to send.
    QStringList unsent()
    {
        QStringList kinds;
        for (int k = 0; k < HostKindCount; ++k)
            if (NextHostRecord(st, *host, HostKind(k))) kinds << QString::number(k);
        return kinds;
    }

    QTemporaryDir dir;
    ScriptedMessages msgs;
    MainWindow window;
    Station st;
    std::shared_ptr<HostLink> host;
};

// Two pseudo-terminals whose far ends pass every byte to each other: a cable
// between two stations' ports.
struct Cable {
    Cable()
    {
        a.replier = [this](const QByteArray& c) { b.send(c); return QByteArray(); };
        b.replier = [this](const QByteArray& c) { a.send(c); return QByteArray(); };
    }
    sim::PtyDevice a, b;
};

QByteArray Map(const char* com, const QString& path) { return QByteArray(com) + '=' + path.toLocal8Bit() + '\n'; }

TEST(CarParkEndToEnd, StationToMasterToHost)
{
    ManualClock clock(QDateTime(QDate(2026, 1, 5), QTime(7, 0)));
    sim::PtyDevice dispenserPty, ticketPty, display;
    sim::DispenserPeer dispenser;
    sim::TicketReaderSim reader;
    sim::SeasonReaderSim entrance(0), exitGate(3); // ID Tech, Remocon(N)
    sim::HostPeer hostPc;
    Cable cable;
    dispenserPty.replier = [&](const QByteArray& c) { return dispenser.answer(c); };
    ticketPty.replier = [&](const QByteArray& c) { return reader.onBytes(c); };
    display.replier = nullptr;
    hostPc.now = [&clock] { return clock.now(); };

    Booth b(clock, Map("Com9", hostPc.slavePath()) + Map("Com10", cable.b.slavePath()));
    Booth a(clock, Map("Com1", dispenserPty.slavePath()) + Map("Com2", entrance.slavePath()) +
                       Map("Com3", exitGate.slavePath()) + Map("Com6", ticketPty.slavePath()) +
                       Map("Com7", display.slavePath()) + Map("Com9", cable.a.slavePath()));
    const QString sendAll = QStringLiteral("UPDATE 인쇄옵션 SET 일반권입차전송 = 1, 일반권출차전송 = 1, 출차취소전송 = 1, "
                                           "시간대별전송 = 1, 주차시간대별전송 = 1, 금액대별전송 = 1");
    b.start({sendAll, QStringLiteral("UPDATE 시스템 SET 출구판독기 = 0"),
             QStringLiteral("UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com9', 기종 = '시간수신안함'"),
             QStringLiteral("UPDATE 요금계산기 SET 사용여부 = 1, 포트번호 = 'Com10'")});
    a.start({sendAll, QStringLiteral("UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com9', 기종 = '시간수신안함'"),
             QStringLiteral("UPDATE 발권기 SET 사용여부 = 1, 포트번호 = 'Com1', 기종 = 'M/S (종이)'"),
             QStringLiteral("UPDATE 정기권입구1 SET 사용여부 = 1, 포트번호 = 'Com2', 기종 = 'ID Tech', Gate제어 = '요금표시기'"),
             QStringLiteral("UPDATE 정기권출구1 SET 사용여부 = 1, 포트번호 = 'Com3', 기종 = 'Remocon(N)', "
                            "Gate제어 = '자체콘트롤러'"),
             QStringLiteral("UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6', 기종 = 'ZP-2000'"),
             QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = 'Com7', 기종 = 'PLUS TYPE'"),
             QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"),
             QStringLiteral("INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 시작일, 종료일, 입출차구분, 입차수, 출차수) "
                            "VALUES ('0000012345', '34나5678', '김철수', '2026-01-01', '2026-01-31', 2, 0, 0)"),
             QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES ('영업마감', 25, 112, 0, 1)")});
    ASSERT_TRUE(test::PortsOpen(*a.st.comm, {PortDispenser, PortReader, PortHost})) << a.msgs.texts().join(u'|').toStdString();
    ASSERT_TRUE(test::PortsOpen(*b.st.comm, {PortCalc, PortHost})) << b.msgs.texts().join(u'|').toStdString();
    test::GenerateTariff(a.st);

    // Both stations' one-second timers; the records travel while they run.
    const auto run = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.advanceSecs(1);
            Timer1_Tick(a.st);
            Timer1_Tick(b.st);
        }
    };
    const auto runUntil = [&](const std::function<bool()>& done, int seconds) {
        for (int i = 0; i < seconds && !done(); ++i) run(1);
        return done();
    };

    // Two tickets from the dispenser, fetched at its polls.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(7, 10)));
    dispenser.issue("0001", clock.now().time());
    dispenser.issue("0002", clock.now().time());
    ASSERT_TRUE(runUntil([&] { return a.value(QStringLiteral("SELECT COUNT(*) FROM 일반권")).toInt() == 2; }, 20));

    // A season card in at the entrance, out at the exit later.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(7, 20)));
    entrance.presentCard("012345");
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.received.contains(QByteArray::fromHex("02474F4E0347")); }, 3000));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(8, 40)));
    exitGate.presentCard("12345");
    ASSERT_TRUE(QTest::qWaitFor([&] { return exitGate.received().contains('Y'); }, 3000));
    EXPECT_EQ(a.rows(QStringLiteral("SELECT 입출상태 FROM 정기권입출차 ORDER BY 처리일시")),
              QStringList({"정상입차", "정상출차"}));

    // Ticket 0001 read at the exit at 09:10: 120 minutes, 5,500 won.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 10)));
    display.received.clear();
    reader.insert(sim::TicketReaderSim::PaperCard(QStringLiteral("0001"), QStringLiteral("2601050710")));
    ticketPty.send(reader.readReplyFrame());
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.st.trx.TicketInProgress; }, 3000));
    QTest::keyClick(&a.window, Qt::Key_Return);
    ASSERT_FALSE(a.st.trx.TicketInProgress);
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.received.contains(QByteArray::fromHex("02474F4E0347")); }, 3000));
    EXPECT_GE(display.received.indexOf(QByteArray::fromHex("0220203535303003")), 0) << display.received.toHex(' ').toStdString();
    EXPECT_EQ(reader.commands.value(2), QStringLiteral("C30")); // ejected
    QFile paper(a.dir.filePath(QStringLiteral("Data/2026-01-05.txt")));
    ASSERT_TRUE(paper.open(QIODevice::ReadOnly));
    EXPECT_TRUE(paper.readAll().contains("5,500"));
    run(5);

    // Ticket 0002 typed at 09:20, then cancelled.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 20)));
    auto* tnum = a.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    tnum->setFocus();
    QTest::keyClicks(tnum, QStringLiteral("0002"));
    QTest::keyClick(tnum, Qt::Key_Return);
    ASSERT_TRUE(a.st.trx.TicketInProgress);
    QTest::keyClick(&a.window, Qt::Key_Escape);
    ASSERT_FALSE(a.st.trx.TicketInProgress);
    EXPECT_EQ(a.value(QStringLiteral("SELECT 티켓번호 FROM 출차취소")).toString(), QStringLiteral("0002"));

    // The settlement at 18:00 by its function key; the next worker logs in.
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(18, 0)));
    a.msgs.mboxAnswers.push_back(true);
    test::WhenModal(QStringLiteral("Jungsan"), [](QWidget& j) {
        test::WhenModal(QStringLiteral("frmLogin"), [](QWidget& f) {
            QTest::keyClicks(f.findChild<QLineEdit*>(QStringLiteral("txtPassword")), QStringLiteral("582047"));
            QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        QTest::mouseClick(j.findChild<QPushButton*>(QStringLiteral("Command1_0")), Qt::LeftButton);
    });
    QTest::keyClick(&a.window, Qt::Key_F1);
    ASSERT_EQ(a.value(QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1")).toInt(), 24);

    // Everything travels on: A to B, B to the host.
    EXPECT_TRUE(runUntil([&] { return a.unsent().isEmpty() && b.unsent().isEmpty(); }, 300))
        << "A: " << a.unsent().join(u',').toStdString() << " B: " << b.unsent().join(u',').toStdString();

    // A's records in B's tables, field by field.
    const QString exits = QStringLiteral(
        "SELECT 포스코드, 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, 할인시간, "
        "실수령금액, 할인구분 FROM 일반권 ORDER BY 티켓번호");
    EXPECT_EQ(b.rows(exits), a.rows(exits));
    EXPECT_EQ(b.rows(QStringLiteral("SELECT 티켓번호, 출차시간, 총주차시간, 실수령금액, 전송여부 FROM 일반권 "
                                    "ORDER BY 티켓번호")),
              QStringList({"0001|09:10|120|5500|1", "0002||||1"}));
    const QString cancels = QStringLiteral(
        "SELECT 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, 할인시간, 실수령금액, "
        "할인구분, 근무자코드, 근무자명, 시작일시, 종료일시, 정산구분 FROM 출차취소");
    EXPECT_EQ(b.rows(cancels), a.rows(cancels));
    const QString hours = QStringLiteral(
        "SELECT 시간대, 일반권입차수, 일반권출차수, 정기권입차수, 정기권출차수, 금액, 대수, 시작일시, 종료일시, 근무자코드 "
        "FROM 시간대별 WHERE 정산여부 = 1 AND 데이터유무 = 1 ORDER BY 시간대");
    EXPECT_EQ(b.rows(hours), a.rows(hours));
    EXPECT_EQ(b.rows(QStringLiteral("SELECT 시간대, 일반권입차수, 일반권출차수, 정기권입차수, 정기권출차수, 금액 FROM 시간대별 "
                                    "WHERE 정산여부 = 1 ORDER BY 시간대")),
              QStringList({"7|2|0|1|0|0", "8|0|0|0|1|0", "9|0|1|0|0|5500"}));
    const QString discounts =
        QStringLiteral("SELECT 명칭, 금액, 건수, 시작일시, 종료일시 FROM 할인현황 WHERE 정산여부 = 1 ORDER BY 명칭");
    EXPECT_EQ(b.rows(discounts), a.rows(discounts));
    QStringList bands;
    for (int n = 1; n <= 10; ++n) bands << QStringLiteral("금액%1, 건수%1").arg(n);
    for (const char* table : {"주차시간대별", "금액대별"}) {
        const QString sql = QStringLiteral("SELECT 시작일시, 종료일시, %1 FROM %2 WHERE 정산여부 = 1")
                                .arg(bands.join(QStringLiteral(", ")), QString::fromUtf8(table));
        EXPECT_EQ(b.rows(sql), a.rows(sql)) << table;
    }

    // B forwarded the exit, the cancellation and the statistics, not the entries, each acknowledged once.
    QStringList codes, bodies;
    for (const QString& text : hostPc.acknowledged) {
        codes << text.section(u' ', 0, 0).chopped(8);
        bodies << text.mid(text.indexOf(u' '));
    }
    codes.sort();
    QStringList expected{"CANCEL", "OUT", "PAMT", "PKTIME", "TIME", "TIME", "TIME"};
    for (int i = 0; i < a.rows(discounts).size(); ++i) expected << QStringLiteral("DISC");
    expected.sort();
    EXPECT_EQ(codes, expected);
    bodies.removeDuplicates();
    EXPECT_EQ(bodies.size(), hostPc.acknowledged.size());
    for (const QString& text : hostPc.frames) EXPECT_FALSE(text.startsWith(QLatin1String("TD"))) << text.toStdString();
    for (const auto* booth : {&a, &b})
        for (const auto& m : booth->msgs.shown)
            if (m.kind != QStringLiteral("MBox")) ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
}

} // namespace
