// The host link while a record waits for its acknowledgement, end to end: the
// program's real serial layer on pseudo-terminals, a host that answers late or
// never, and the cashier working inside that wait. The host's barrier command
// and season verdict are obeyed as they arrive; an exit completed meanwhile
// still reaches the host, one settled meanwhile reaches it once; the timer's
// other steps keep their pace while the entry-time prompt holds the wait.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "equipment/DispenserAttach.h"
#include "host/HostLink.h"
#include "settlement/Jungsan.h"
#include "sim/DispenserPeer.h"
#include "sim/HostPeer.h"
#include "sim/PtyDevice.h"
#include "station/FrmLogin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <functional>

using namespace tolvo;
using test::WhenModal;

namespace {

// A normal entry verdict for card 0000012345 (85 characters, "1": an entry).
QString EntryVerdict()
{
    return QStringLiteral("2026-03-10") + QStringLiteral("08:20") + QString(15, u' ') + QStringLiteral("정상입차    ") +
           QStringLiteral("0000012345") + QString(13 + 12, u' ') + QStringLiteral("2026-12-31") + QStringLiteral("1 ");
}

const QByteArray kRelayOn = QByteArray::fromHex("A00112000000B0");

// The host on Com8, and one entry waiting for it.
void UseHostWithAWaitingEntry(Station& st)
{
    Exec(st.Db, QStringLiteral("UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com8'"));
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 전송여부) "
                               "VALUES (0, '0042', '2026-03-10', '08:00', '0042202603100800', 0)"));
}

// The station started with the host on Com8 and receipts to a file.
void StartWithHost(test::AppRig& app, const sim::HostPeer& host)
{
    AttachHost(app.st);
    app.mapPorts({{"Com8", host.slavePath()}});
    app.startUp();
    Exec(app.st.Db, QStringLiteral("UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com8'"));
    Exec(app.st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
}

QLineEdit* TicketBox(test::AppRig& app) { return app.window.findChild<QLineEdit*>(QStringLiteral("TNum")); }

int EntrySent(const Station& st, const QString& code)
{
    return Scalar(st.Db, QStringLiteral("SELECT 전송여부 FROM 일반권 WHERE 입차코드 = ?"), {code}).toInt();
}

// A key pressed and released (with its modifiers' own presses) where the screen has the keyboard.
void PressAndRelease(QWidget& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const QPointer<QWidget> target = w.focusWidget() ? w.focusWidget() : &w;
    QTest::keyPress(target, key, mods);
    if (target) QTest::keyRelease(target, key, mods);
}

} // namespace

TEST(HostWaitEndToEnd, CommandsAndVerdictsRunInsideAnUnansweredSendAndItsPrompt)
{
    sim::HostPeer host;
    sim::PtyDevice display;
    ASSERT_TRUE(host.ok() && display.ok());
    host.ack = sim::HostPeer::Ack::Never;
    display.replier = nullptr;

    test::AppRig app(QDateTime(QDate(2026, 3, 10), QTime(8, 15)));
    Station& st = app.st;
    AttachHost(st);
    app.mapPorts({{"Com8", host.slavePath()}, {"Com7", display.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = 'Com7', 기종 = 'BEST TYPE'"));
    UseHostWithAWaitingEntry(st);
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortHost, PortFeeDisp})) << app.shown().toStdString();
    st.settings.PauseTime = 3.0f;
    st.settings.TransTime = 1;

    // Inside the send's wait the cashier types a number with no open entry:
    // the entry-time prompt opens and stays open while the host speaks.
    bool prompted = false;
    bool closed = false;
    qint64 relayMs = -1; // from the host's frames to both barrier openings
    int rowsWhilePrompted = -1;
    QElapsedTimer sinceSent;
    host.onFrame = [&](const QString& text, const QString&) {
        if (prompted || !text.startsWith(QLatin1String("TD"))) return;
        prompted = true;
        QTimer::singleShot(0, &app.window, [&] {
            // The prompt, open above the send's wait.
            WhenModal(QStringLiteral("FrmInput"), [&](QWidget& prompt) {
                const qsizetype before = display.received.count(kRelayOn);
                sinceSent.start();
                host.sendFrame(QStringLiteral("I_OPEN"));
                host.sendFrame(EntryVerdict());
                if (QTest::qWaitFor([&] { return display.received.count(kRelayOn) >= before + 2; }, 3000))
                    relayMs = sinceSent.elapsed();
                rowsWhilePrompted = Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 정기권입출차")).toInt();
                prompt.close();
                closed = true;
            });
            auto* tnum = app.window.findChild<QLineEdit*>(QStringLiteral("TNum"));
            QTest::keyClicks(tnum, QStringLiteral("7777"));
            QTest::keyClick(tnum, Qt::Key_Return);
        });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 15000)) << "the send never went out";
    EXPECT_GE(relayMs, 0) << "the host's frames waited for the prompt";
    EXPECT_LT(relayMs, 500);
    EXPECT_EQ(rowsWhilePrompted, 1);
    EXPECT_TRUE(host.frames.contains(QStringLiteral("JI_ACK")) || host.received().contains("JI_ACK"));
    st.comm.reset();
}

// The entry of ticket 1111 waits for its acknowledgement; the car leaves inside
// that wait. The acknowledgement of the entry does not count for the exit,
// which is sent as an exit afterwards.
TEST(HostWaitEndToEnd, AnExitCompletedWhileItsEntryAwaitsTheAcknowledgementStillReachesTheHost)
{
    sim::HostPeer host;
    ASSERT_TRUE(host.ok());
    host.ack = sim::HostPeer::Ack::Never; // the entry is acknowledged by hand below

    test::AppRig app(QDateTime(QDate(2026, 3, 10), QTime(9, 0)));
    Station& st = app.st;
    StartWithHost(app, host);
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권출차전송 = 1, 영수증인쇄여부 = 0"));
    const QString code = QStringLiteral("1111202603100800");
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                               "VALUES (0, '1111', '2026-03-10', '08:00', ?, 0, 0)"),
         {code});
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortHost})) << app.shown().toStdString();
    test::GenerateTariff(st);
    st.settings.PauseTime = 6.0f;
    st.settings.TransTime = 1;
    st.HostPending.fill(false);
    st.HostPending[HostTD] = true;

    bool completed = false;
    int sentAfterEntryAck = -1;
    host.onFrame = [&](const QString& text, const QString&) {
        if (completed || !text.startsWith(QLatin1String("TD"))) return;
        completed = true;
        QTimer::singleShot(0, &app.window, [&, text] {
            QLineEdit* tnum = TicketBox(app);
            tnum->setFocus();
            QTest::keyClicks(tnum, QStringLiteral("1111"));
            QTest::keyClick(tnum, Qt::Key_Return); // 60 minutes: 2,500 won
            ASSERT_TRUE(st.trx.TicketInProgress) << app.shown().toStdString();
            QTest::keyClick(&app.window, Qt::Key_Return); // completes the exit
            ASSERT_FALSE(st.trx.TicketInProgress);
            host.ack = sim::HostPeer::Ack::Prompt;
            host.sendFrame(sim::HostPeer::AckFor(text)); // the entry's acknowledgement, after the exit
            QTimer::singleShot(300, &app.window, [&] { sentAfterEntryAck = EntrySent(st, code); });
        });
    };
    const auto exitAcknowledged = [&] {
        for (const QString& t : host.acknowledged)
            if (t.startsWith(QLatin1String("OUT")) && t.contains(code)) return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(exitAcknowledged, 20000)) << host.frames.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(completed);
    EXPECT_EQ(sentAfterEntryAck, 0) << "the entry's acknowledgement marked the exit";
    EXPECT_EQ(EntrySent(st, code), 1);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 실수령금액 FROM 일반권 WHERE 입차코드 = ?"), {code}).toInt(), 2500);
    st.comm.reset();
}

// The exit of ticket 2222 waits for an acknowledgement that comes 4 s late;
// 2.5 s into the wait the cashier settles the day by keys. The settlement marks
// the exit settled, which makes no new record: the host gets the exit once.
TEST(HostWaitEndToEnd, AnExitSettledWhileItAwaitsTheAcknowledgementReachesTheHostOnce)
{
    sim::HostPeer host;
    ASSERT_TRUE(host.ok());
    host.ack = sim::HostPeer::Ack::Late;
    host.lateMs = 4000;

    test::AppRig app(QDateTime(QDate(2026, 3, 10), QTime(18, 0)));
    Station& st = app.st;
    app.window.registerScreen(QStringLiteral("Jungsan"), [&st](QWidget* parent) { ShowJungsan(st, parent); });
    st.screens.frmLogin = [&app](Station& s) { ShowFrmLogin(s, &app.window); };
    StartWithHost(app, host);
    Exec(st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES ('영업마감', 25, 123, 0, 1)"));
    const QString code = QStringLiteral("2222202603100800");
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, "
                               "총주차요금, 할인시간, 실수령금액, 할인구분, 정산구분, 전송여부) VALUES (0, '2222', "
                               "'2026-03-10', '08:00', '2026-03-10', '17:55', ?, '595', 30000, 0, 30000, '현금출차', 0, 0)"),
         {code});
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortHost})) << app.shown().toStdString();
    app.msgs.modal = true; // the confirmation is the real box
    st.settings.PauseTime = 6.0f;
    st.settings.TransTime = 1;
    st.HostPending.fill(false);
    st.HostPending[HostOUT] = true;

    // The cashier's keys, from 2.5 s after the exit went out (its acknowledgement
    // is then 1.5 s away), each screen's keys once it is on top with the keyboard.
    bool settledInTheWait = false;
    const auto settle = [&] {
        WhenModal(QStringLiteral("Jungsan"), [&](QWidget& jungsan) {
            WhenModal(QStringLiteral("MBox"), [&](QWidget& box) {
                WhenModal(QStringLiteral("frmLogin"), [&](QWidget& login) {
                    QTest::keyClicks(login.findChild<QLineEdit*>(QStringLiteral("txtPassword")), QStringLiteral("582047"));
                    QTest::mouseClick(login.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
                    settledInTheWait = EntrySent(st, code) == 0;
                });
                PressAndRelease(box, Qt::Key_Return);
            });
            PressAndRelease(jungsan, Qt::Key_P, Qt::AltModifier); // 정산(&P)
        });
        TicketBox(app)->setFocus();
        PressAndRelease(*TicketBox(app), Qt::Key_F12);
    };
    QTimer exitOut; // looks for the exit's frame at the host
    QObject::connect(&exitOut, &QTimer::timeout, [&] {
        if (host.frames.isEmpty() || !host.frames.last().startsWith(QLatin1String("OUT"))) return;
        exitOut.stop();
        host.ack = sim::HostPeer::Ack::Prompt; // this one late, the settled period's records at once
        QTimer::singleShot(2500, &app.window, settle);
    });
    exitOut.start(20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !st.HostPending[HostOUT]; }, 40000)) << "the exit is still waiting";
    EXPECT_TRUE(settledInTheWait);
    const auto outs = std::count_if(host.frames.begin(), host.frames.end(), [&](const QString& t) {
        return t.startsWith(QLatin1String("OUT")) && t.contains(code);
    });
    EXPECT_EQ(outs, 1) << host.frames.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 정산구분 * 10 + 전송여부 FROM 일반권 WHERE 입차코드 = ?"), {code}).toInt(), 11);
    st.comm.reset();
}

// The host never answers. While the entry-time prompt, opened inside a send's
// wait, stays open, the clock panel goes on, the dispenser is polled every
// second, and no other record goes to the host; once it closes, the sending
// goes on.
TEST(HostWaitEndToEnd, TheTimerKeepsItsPaceWhileAPromptHoldsTheHostWait)
{
    sim::HostPeer host;
    sim::PtyDevice dispenserPort;
    ASSERT_TRUE(host.ok() && dispenserPort.ok());
    host.ack = sim::HostPeer::Ack::Never;
    sim::DispenserPeer dispenser;
    dispenserPort.replier = [&dispenser](const QByteArray& chunk) { return dispenser.answer(chunk); };

    test::AppRig app(QDateTime(QDate(2026, 3, 10), QTime(8, 15)));
    Station& st = app.st;
    AttachHost(st);
    AttachDispenser(st);
    app.mapPorts({{"Com8", host.slavePath()}, {"Com1", dispenserPort.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 발권기 SET 사용여부 = 1, 포트번호 = 'Com1', 기종 = 'M/S (종이)'"));
    UseHostWithAWaitingEntry(st);
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortHost, PortDispenser})) << app.shown().toStdString();
    ASSERT_EQ(st.models.DispenserType, 1);
    st.settings.PauseTime = 6.0f;
    st.settings.TransTime = 2;
    st.settings.TDPoll = 1;
    st.settings.PollTime = 1;
    st.HostPending.fill(false);
    st.HostPending[HostTD] = true;

    // The station's clock runs as a wall clock would.
    QTimer seconds;
    QObject::connect(&seconds, &QTimer::timeout, [&] { app.clock.advanceSecs(1); });
    seconds.start(1000);

    const auto polls = [&] { return std::count(dispenser.commands.begin(), dispenser.commands.end(), "C000"); };
    bool prompted = false;
    bool closed = false;
    qsizetype framesAtPrompt = -1, framesAtClose = -1;
    qsizetype pollsAtPrompt = -1, pollsAtClose = -1;
    QString clockAtPrompt, clockAtClose;
    host.onFrame = [&](const QString& text, const QString&) {
        if (prompted || !text.startsWith(QLatin1String("TD"))) return;
        prompted = true;
        QTimer::singleShot(100, &app.window, [&] {
            WhenModal(QStringLiteral("FrmInput"), [&](QWidget& prompt) {
                framesAtPrompt = host.frames.size();
                pollsAtPrompt = polls();
                clockAtPrompt = app.window.text(QStringLiteral("PnlTime"));
                QTimer::singleShot(4500, &prompt, [&, p = &prompt] {
                    framesAtClose = host.frames.size();
                    pollsAtClose = polls();
                    clockAtClose = app.window.text(QStringLiteral("PnlTime"));
                    p->close();
                    closed = true;
                });
            });
            QLineEdit* tnum = TicketBox(app);
            tnum->setFocus();
            QTest::keyClicks(tnum, QStringLiteral("0999")); // no such entry: the prompt opens
            QTest::keyClick(tnum, Qt::Key_Return);
        });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 20000)) << "the send never went out";
    EXPECT_GE(pollsAtClose - pollsAtPrompt, 3) << "the dispenser was not polled";
    EXPECT_NE(clockAtClose, clockAtPrompt) << "the clock panel stood still";
    EXPECT_EQ(framesAtClose, framesAtPrompt) << "a second send went out";
    // The record is offered again once the prompt has closed.
    const qsizetype framesBefore = host.frames.size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.frames.size() > framesBefore; }, 10000));
    seconds.stop();
    st.comm.reset();
}
