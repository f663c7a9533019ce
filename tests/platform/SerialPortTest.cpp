#include "platform/SerialPort.h"
#include "sim/PtyDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/resource.h>

namespace tolvo {
namespace {

double cpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// Runs the event loop, sleeping in it while nothing is due.
void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(QtSerialPortOnPty, WritesReachTheDevice)
{
    sim::PtyDevice pty; // the device on the far side of a pseudo-terminal
    ASSERT_TRUE(pty.ok());
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(pty.slavePath(), SerialSettings{})) << port->errorString().toStdString();
    pty.replier = nullptr;
    port->write(QByteArray("\x02 1000\x03", 7));
    ASSERT_TRUE(pty.waitForReceived(7));
    EXPECT_EQ(pty.received, QByteArray("\x02 1000\x03", 7));
    EXPECT_TRUE(port->isOpen());
}

// A device that disappears (adapter unplugged, pseudo-terminal's far side gone)
// must not keep the station busy retrying the write for ever: the port closes,
// so every later sender sees it closed and stays silent.
TEST(QtSerialPortOnPty, UnpluggedDeviceClosesThePortInsteadOfSpinning)
{
    sim::PtyDevice pty; // the device on the far side of a pseudo-terminal
    ASSERT_TRUE(pty.ok());
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(pty.slavePath(), SerialSettings{})) << port->errorString().toStdString();
    pty.unplug();

    port->write(QByteArray("\x02WR\x03"));
    runEvents(300);
    EXPECT_FALSE(port->isOpen());

    const double before = cpuSeconds();
    runEvents(500);
    EXPECT_LT(cpuSeconds() - before, 0.25) << "the event loop spins on the dead port";

    port->write(QByteArray("\x02WE\x03")); // silent on a closed port
    EXPECT_FALSE(port->isOpen());
}

// A receipt is many writes in a row with no event processing between them; a
// device gone in the middle must not stall each of them.
TEST(QtSerialPortOnPty, WritesToAVanishedDeviceDoNotStallTheCaller)
{
    sim::PtyDevice pty; // the device on the far side of a pseudo-terminal
    ASSERT_TRUE(pty.ok());
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(pty.slavePath(), SerialSettings{})) << port->errorString().toStdString();
    pty.unplug();

    QElapsedTimer t;
    t.start();
    for (int line = 0; line < 40; ++line) port->write(QByteArray("receipt line\n"));
    EXPECT_LT(t.elapsed(), 2000);
    runEvents(100);
    EXPECT_FALSE(port->isOpen());
}

} // namespace
} // namespace tolvo
