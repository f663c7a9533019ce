#include "platform/SerialPort.h"
#include "sim/PtyDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <termios.h>

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

// The settings text of a device table row, as the line is set. A pseudo-terminal
// keeps the speed and the stop bits but forces eight bits without parity, so
// those two are checked on the parsed settings and the port's parity they give.
TEST(QtSerialPortOnPty, TheSettingsTextSetsTheLine)
{
    const struct { const char* text; speed_t speed; bool twoStops; int dataBits; QSerialPort::Parity parity; } rows[] = {
        {"9600,n,8,1", B9600, false, 8, QSerialPort::NoParity},
        {"19200,E,7,2", B19200, true, 7, QSerialPort::EvenParity},
        {"2400,o,8,1", B2400, false, 8, QSerialPort::OddParity},
        {"4800,m,7,1", B4800, false, 7, QSerialPort::MarkParity},
        {"38400, s ,5,2", B38400, true, 5, QSerialPort::SpaceParity},
        {"1200,N,6,1", B1200, false, 6, QSerialPort::NoParity},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        SerialSettings s;
        ASSERT_TRUE(ParseSerialSettings(QString::fromLatin1(r.text), s));
        EXPECT_EQ(ToQtParity(s.parity), r.parity);
        EXPECT_EQ(s.dataBits, r.dataBits);
        sim::PtyDevice pty;
        ASSERT_TRUE(pty.ok());
        auto port = QtSerialPortFactory().create();
        s.parity = 'N';
        s.dataBits = 8;
        ASSERT_TRUE(port->open(pty.slavePath(), s)) << port->errorString().toStdString();
        termios t{};
        ASSERT_TRUE(pty.lineSettings(t));
        EXPECT_EQ(::cfgetospeed(&t), r.speed);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, r.twoStops);
    }
    // A malformed text is refused rather than opened with a guess.
    for (const char* bad : {"9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "fast,n,8,1", "9600,n,8", "9600,ne,8,1"}) {
        SerialSettings s;
        EXPECT_FALSE(ParseSerialSettings(QString::fromLatin1(bad), s)) << bad;
    }
}

} // namespace
} // namespace tolvo
