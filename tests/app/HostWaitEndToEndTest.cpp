// The host link while a record waits for its acknowledgement, end to end: the
// program's real serial layer on pseudo-terminals, a host that never answers,
// and the cashier's entry-time prompt opened inside that wait. The host's
// barrier command and season verdict are obeyed as they arrive.

#include "common/AppRig.h"
#include "host/HostLink.h"
#include "sim/HostPeer.h"
#include "sim/PtyDevice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

using namespace tolvo;

namespace {

// A normal entry verdict for card 0000012345 (85 characters, "1": an entry).
QString EntryVerdict()
{
    return QStringLiteral("2026-03-10") + QStringLiteral("08:20") + QString(15, u' ') + QStringLiteral("정상입차    ") +
           QStringLiteral("0000012345") + QString(13 + 12, u' ') + QStringLiteral("2026-12-31") + QStringLiteral("1 ");
}

const QByteArray kRelayOn = QByteArray::fromHex("A00112000000B0");

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
    Exec(st.Db, QStringLiteral("UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com8'"));
    // One entry waiting for the host.
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 전송여부) "
                               "VALUES (0, '0042', '2026-03-10', '08:00', '0042202603100800', 0)"));
    app.logIn();
    ASSERT_TRUE(st.comm->PortOpen(PortHost) && st.comm->PortOpen(PortFeeDisp)) << app.shown().toStdString();
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
            QTimer::singleShot(100, [&] {
                // The prompt is open above the send's wait.
                ASSERT_NE(QApplication::activeModalWidget(), nullptr);
                const qsizetype before = display.received.count(kRelayOn);
                sinceSent.start();
                host.sendFrame(QStringLiteral("I_OPEN"));
                host.sendFrame(EntryVerdict());
                if (QTest::qWaitFor([&] { return display.received.count(kRelayOn) >= before + 2; }, 3000))
                    relayMs = sinceSent.elapsed();
                rowsWhilePrompted = Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 정기권입출차")).toInt();
                if (QWidget* w = QApplication::activeModalWidget()) w->close();
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
