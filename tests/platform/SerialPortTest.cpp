#include "platform/SerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <sys/resource.h>

namespace tolvo {
namespace {

// A pseudo-terminal pair; the port under test opens the slave side by path,
// the test plays the device on the master side.
class PtyPair {
public:
    PtyPair()
    {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) return;
        m_path = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair()
    {
        unplug();
        if (m_slave >= 0) ::close(m_slave);
    }
    bool ok() const { return m_master >= 0; }
    const QString& path() const { return m_path; }
    // The device goes away: the master side closes, and so does our spare slave.
    void unplug()
    {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
        if (m_slave >= 0) ::close(m_slave);
        m_slave = -1;
    }
    QByteArray drain() const
    {
        QByteArray out;
        char buf[256];
        for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0;) out.append(buf, n);
        return out;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

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
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(pty.path(), SerialSettings{}));
    port->write(QByteArray("\x02 1000\x03", 7));
    runEvents(50);
    EXPECT_EQ(pty.drain(), QByteArray("\x02 1000\x03", 7));
    EXPECT_TRUE(port->isOpen());
}

// A device that disappears (adapter unplugged, pseudo-terminal's far side gone)
// must not keep the station busy retrying the write for ever: the port closes,
// so every later sender sees it closed and stays silent.
TEST(QtSerialPortOnPty, UnpluggedDeviceClosesThePortInsteadOfSpinning)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(pty.path(), SerialSettings{}));
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
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(pty.path(), SerialSettings{}));
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
