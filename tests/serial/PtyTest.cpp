#include "serial/SerialTestUtil.h"
#include "common/PrivateLockFolder.h"
#include "serial/FeeDisplay.h"
#include "sim/PtyDevice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

// The real QSerialPort, steady waits and a pseudo-terminal as the device.
class PtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dev.ok());
        st.comm = std::make_unique<Comm>();
        WriteIniText(st.IniPath, "[ports]\nCom7=" + dev.slavePath().toLocal8Bit() + "\n");
        UseDevice(st, "요금표시기", "Com7");
        ASSERT_TRUE(Comm::PortsInit(st)) << ts.msgs.texts().join('|').toStdString() << st.comm->OpenError(PortFeeDisp).toStdString();
        ASSERT_EQ(st.comm->PortPath(PortFeeDisp), dev.slavePath());
    }

    sim::PtyDevice dev;
    TestStation ts;
    Station& st = ts.st;
};

TEST_F(PtyTest, FeeDisplayFrameArrivesByteExact)
{
    dev.replier = nullptr;
    st.models.FeeDispType = 3;
    FeeDisp_Amount(st, 0);
    const QByteArray expected = QByteArray("\x02     0\x03", 8) + char(0x02 ^ 0x03 ^ 0x20 ^ 0x20 ^ 0x20 ^ 0x20 ^ 0x20 ^ '0');
    ASSERT_TRUE(dev.waitForReceived(expected.size()));
    EXPECT_EQ(dev.received, expected);
}

TEST_F(PtyTest, PortTestFrameComesBackThroughTheLoopBack)
{
    st.comm->setOnComm([&](int i, CommEvent ev) {
        if (i == PortFeeDisp && ev == comEvReceive) FeeDisp_Receive(st);
    });
    st.PortTestEcho = false;
    st.comm->Output(PortFeeDisp, PortTestFrame());
    EXPECT_TRUE(WaitUntil(st, [&] { return st.PortTestEcho; }, 2.0));
    EXPECT_EQ(dev.received, PortTestFrame());
}

TEST_F(PtyTest, ReceiveRoutineGetsTheReplyItWaitsForInsideItsOwnEvent)
{
    dev.replier = [](const QByteArray& c) { return c.contains('\x05') ? QByteArray("\x06") : QByteArray(); };
    bool ack = false;
    bool waited = false;
    QByteArray all;
    st.comm->setOnComm([&](int i, CommEvent ev) {
        if (i != PortFeeDisp || ev != comEvReceive) return;
        const QByteArray in = st.comm->Input(PortFeeDisp);
        all += in;
        if (in.contains('\x06')) ack = true;
        if (in.contains("REQ")) {
            st.comm->Output(PortFeeDisp, "\x05");
            waited = WaitUntil(st, [&] { return ack; }, 2.0);
        }
    });
    dev.send("REQ");
    QElapsedTimer t;
    t.start();
    while (!waited && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_TRUE(waited);
    EXPECT_EQ(all, QByteArray("REQ\x06"));
}

TEST_F(PtyTest, ASecondDeviceCannotTakeTheSamePseudoTerminal)
{
    WriteIniText(st.IniPath, "[ports]\nCom7=" + dev.slavePath().toLocal8Bit() + "\nCom9=" + dev.slavePath().toLocal8Bit() + "\n");
    UseDevice(st, "호스트", "Com9");
    EXPECT_FALSE(Comm::PortsInit(st));
    EXPECT_EQ(ts.msgs.texts(), QStringList{"호스트포트를 사용할 수 없습니다."});
    EXPECT_FALSE(st.comm->PortOpen(PortHost));
}

TEST_F(PtyTest, ALinkToAnOpenPortCountsAsTheSamePort)
{
    const QString link = ts.path("ttyLink");
    ASSERT_TRUE(QFile::link(dev.slavePath(), link));
    WriteIniText(st.IniPath, "[ports]\nCom7=" + dev.slavePath().toLocal8Bit() + "\nCom9=" + link.toLocal8Bit() + "\n");
    UseDevice(st, "호스트", "Com9");
    EXPECT_FALSE(Comm::PortsInit(st));
    EXPECT_FALSE(st.comm->PortOpen(PortHost));
}

// Nobody reads the terminal, so it fills: the device gives up sending instead
// of retrying for ever, and at once while the terminal stays full. Opened by
// the station, the terminal takes bytes again.
TEST(PtyDeviceSend, ATerminalNobodyReadsMakesSendingGiveUp)
{
    sim::PtyDevice dev;
    ASSERT_TRUE(dev.ok());
    EXPECT_FALSE(dev.send(QByteArray(1 << 20, 'x')));
    EXPECT_FALSE(dev.send("y"));
    auto port = QtSerialPortFactory().create();
    ASSERT_TRUE(port->open(dev.slavePath(), SerialSettings{})) << port->errorString().toStdString();
    bool sent = false;
    for (int i = 0; i < 100 && !sent; ++i) {
        QTest::qWait(20);
        port->readAll();
        sent = dev.send("z");
    }
    EXPECT_TRUE(sent);
}

// The lock of an open port: LCK..<device below /dev, '/' as '_'> in the machine's
// lock folder (/run/lock, which /var/lock may name), as the README tells.
QString LockOfOpenPort(const QString& device)
{
    const QString name = QStringLiteral("/LCK..") + QString(device).remove(0, 5).replace(u'/', u'_');
    for (const QString& dir : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")})
        if (QFile::exists(dir + name)) return dir + name;
    return {};
}

// Another program of the same name: still running, or killed and gone.
class OtherProgram {
public:
    explicit OtherProgram(bool runs) : m_pid(::fork())
    {
        if (m_pid == 0) {
            if (runs) for (;;) ::pause();
            ::_exit(0);
        }
        if (!runs) reap();
    }
    ~OtherProgram()
    {
        if (m_pid > 0) ::kill(m_pid, SIGKILL);
        reap();
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    pid_t pid() const { return m_pid; }

private:
    void reap()
    {
        if (m_pid > 0) ::waitpid(m_pid, nullptr, 0);
    }
    pid_t m_pid;
};

// A program killed while it had the port open leaves its lock behind, naming
// it. The station takes over a lock whose program is gone; one whose program
// still runs keeps the port from it and stays as it was.
TEST(PortLock, ALockWhoseProgramIsGoneIsTakenOverOneStillRunningKeepsThePort)
{
    const struct {
        const char* name;
        bool holderRuns;
    } rows[] = {{"its program was killed", false}, {"its program still runs", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::PtyDevice dev;
        ASSERT_TRUE(dev.ok());
        QString lock;
        QByteArray left;
        {
            auto killed = QtSerialPortFactory().create();
            ASSERT_TRUE(killed->open(dev.slavePath(), SerialSettings{})) << killed->errorString().toStdString();
            lock = LockOfOpenPort(dev.slavePath());
            ASSERT_FALSE(lock.isEmpty()) << "no lock for " << dev.slavePath().toStdString();
            QFile f(lock);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            left = f.readAll();
        }
        ASSERT_FALSE(QFile::exists(lock));
        const OtherProgram holder(row.holderRuns);
        ASSERT_GT(holder.pid(), 0);
        // What the holder leaves: the same lock, naming it instead.
        left = QByteArray::number(holder.pid()) + left.mid(left.indexOf('\n'));
        {
            QFile f(lock);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(left);
        }
        auto port = QtSerialPortFactory().create();
        const bool opened = port->open(dev.slavePath(), SerialSettings{});
        EXPECT_EQ(opened, !row.holderRuns) << port->errorString().toStdString();
        if (!opened) {
            EXPECT_EQ(port->errorString(), QStringLiteral("the port's lock %1 is held by process %2").arg(lock).arg(holder.pid()));
        }
        QFile f(lock);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readLine().trimmed();
        EXPECT_EQ(now, QByteArray::number(row.holderRuns ? holder.pid() : ::getpid()));
        f.close();
        if (row.holderRuns) QFile::remove(lock);
    }
}

// What the station's port says on opening a pseudo-terminal, "opened" when it
// opens, once `plant` has put what it will at that terminal's lock.
QString StationPortSays(const std::function<bool(const QString& lock)>& plant)
{
    sim::PtyDevice dev;
    const QString lock = QStringLiteral("/var/lock/LCK..pts_") + dev.slavePath().section(u'/', -1);
    if (!dev.ok() || !plant(lock)) return QStringLiteral("not planted");
    auto port = QtSerialPortFactory().create();
    if (port->open(dev.slavePath(), SerialSettings{})) return QStringLiteral("opened");
    return dev.slavePath() + QStringLiteral(" : ") + port->errorString();
}

// Any user may make a FIFO, or anything else, at a port lock's name in the lock
// folder, or at the name Qt takes to remove a stale lock. The station's port and
// the tests' pseudo-terminal probe tell it by its path and go on, where Qt would
// wait on the FIFO for a writer or read the file until memory runs out.
TEST(PortLock, AFifoOrAHugeFileWhereQtReadsALockIsToldNotRead)
{
    // What the opening says, "opened" when it opens. Each row in a lock folder of its own.
    const struct {
        const char* what;
        std::function<QString()> open;
        const char* said;
    } rows[] = {
        {"the station's port, a FIFO at the lock", [] {
             return StationPortSays([](const QString& lock) { return ::mkfifo(QFile::encodeName(lock).constData(), 0666) == 0; });
         }, "^/dev/pts/(\\d+) : the port's lock /var/lock/LCK\\.\\.pts_\\1 is a FIFO, not a lock file: remove it$"},
        {"the station's port, a FIFO at the removal lock of a stale lock", [] {
             return StationPortSays([](const QString& lock) {
                 const OtherProgram gone(false);
                 QFile f(lock);
                 return f.open(QIODevice::WriteOnly)
                     && f.write(QByteArray::number(gone.pid()) + '\n' + QCoreApplication::applicationName().toUtf8() + '\n'
                                + QSysInfo::machineHostName().toUtf8() + '\n')
                     > 0
                     && ::mkfifo(QFile::encodeName(lock + QStringLiteral(".rmlock")).constData(), 0666) == 0;
             });
         }, "^/dev/pts/(\\d+) : the port's lock /var/lock/LCK\\.\\.pts_\\1\\.rmlock is a FIFO, not a lock file: remove it$"},
        {"the station's port, a sparse file of 64 GB at the lock", [] {
             return StationPortSays([](const QString& lock) {
                 QFile f(lock);
                 return f.open(QIODevice::WriteOnly) && f.resize(qint64(64) << 30);
             });
         }, "^/dev/pts/(\\d+) : the port's lock /var/lock/LCK\\.\\.pts_\\1 is a file of 68719476736 bytes, not a lock file: remove it$"},
        {"the pseudo-terminal probe, a FIFO at every lock", [] {
             for (int n = 0; n < 4096; ++n)
                 if (::mkfifo(QFile::encodeName(QStringLiteral("/var/lock/LCK..pts_%1").arg(n)).constData(), 0666) != 0)
                     return QStringLiteral("no FIFO");
             const sim::PtyPair pair = sim::OpenPty(true);
             if (pair.master < 0) return pair.error;
             ::close(pair.master);
             ::close(pair.slave);
             return QStringLiteral("opened");
         }, "^/dev/pts/(\\d+) : the port's lock /var/lock/LCK\\.\\.pts_\\1 is a FIFO, not a lock file: remove it$"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const QString said = InPrivateLockFolder(row.open, 20);
        if (said == QStringLiteral("no mount namespace")) GTEST_SKIP() << "needs a mount namespace of its own (root, or user namespaces)";
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(row.said)).match(said).hasMatch()) << said.toStdString();
    }
}

} // namespace
