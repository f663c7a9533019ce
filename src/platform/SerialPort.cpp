#include "platform/SerialPort.h"

#include "platform/UniqueFd.h"

#include <QFile>
#include <QSerialPort>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvo {

bool ParseSerialSettings(const QString& text, SerialSettings& out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    bool ok = false;
    SerialSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) return false;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity)) return false;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8) return false;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2)) return false;
    out = s;
    return true;
}

QSerialPort::Parity ToQtParity(char p)
{
    switch (p) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

namespace {

// The lock Qt takes for the port at `path` (LCK..<device>), in the lock folder
// Qt would choose; empty when no folder would do.
QString SerialPortLockPath(const QString& path)
{
    // Qt's own choice: the first folder it may read in which the lock already
    // stands or which it may write in; the device's name below /dev, '/' as '_'.
    const QString location = path.startsWith(QLatin1Char('/')) ? path : QStringLiteral("/dev/") + path;
    const QString device = location.startsWith(QLatin1String("/dev/")) ? location.mid(5) : location;
    const QString name = QStringLiteral("/LCK..") + QString(device).replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"}) {
        if (::access(folder, R_OK) != 0) continue;
        const QString lock = QString::fromLatin1(folder) + name;
        if (::access(QFile::encodeName(lock).constData(), F_OK) == 0 || ::access(folder, W_OK) == 0) return lock;
    }
    return {};
}

// The most a lock may hold: Qt writes a few short lines, and the scripts read no
// more of one either.
constexpr off_t kLockBytes = 4096;

// What stands at `lock`, or at a name Qt would read after it, when it is no lock
// file (a FIFO, a socket, a folder, a link, a device, or a file too large for a
// lock), told with its path; empty otherwise. Qt reads a lock that stands to
// judge it and, for one that looks stale, takes <lock>.rmlock as a lock of its
// own, reading that one the same way, and so on: each name that stands is
// judged, and the length a name may have ends the chain.
QString SerialPortLockProblem(const QString& lock)
{
    if (lock.isEmpty()) return {};
    for (QString name = lock;; name += QLatin1String(".rmlock")) {
        struct stat st {};
        if (::lstat(QFile::encodeName(name).constData(), &st) != 0) return {};
        if (S_ISREG(st.st_mode)) {
            if (st.st_size <= kLockBytes) continue;
            return QStringLiteral("the port's lock %1 is a file of %2 bytes, not a lock file: remove it")
                .arg(name)
                .arg(qint64(st.st_size));
        }
        const char* kind = S_ISFIFO(st.st_mode) ? "a FIFO"
            : S_ISSOCK(st.st_mode)             ? "a socket"
            : S_ISDIR(st.st_mode)              ? "a folder"
            : S_ISLNK(st.st_mode)              ? "a link"
                                               : "a device";
        return QStringLiteral("the port's lock %1 is %2, not a lock file: remove it").arg(name, QLatin1String(kind));
    }
}

// The living process a lock at `lock` names on its first line, as Qt writes
// it; 0 when none does. Anyone may have swapped the lock since it was judged,
// so no link is followed, no FIFO waited on and no more than a lock read.
pid_t LiveLockHolder(const QString& lock)
{
    const UniqueFd file(::open(QFile::encodeName(lock).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    char text[kLockBytes];
    const ssize_t n = ::read(file.get(), text, sizeof text);
    if (n <= 0) return 0;
    const QByteArray line = QByteArray(text, n).split('\n').first();
    // Ten digits at most: more would overflow a process number.
    if (line.isEmpty() || line.size() > 10 || std::any_of(line.begin(), line.end(), [](char c) { return c < '0' || c > '9'; }))
        return 0;
    const qint64 pid = line.toLongLong();
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return 0;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM ? pid_t(pid) : 0;
}

class QtSerialPort : public SerialPort {
public:
    QtSerialPort()
    {
        QObject::connect(&m_port, &QSerialPort::readyRead, [this] {
            if (onReadyRead) onReadyRead();
        });
        // A device that went away fails every retry of the pending write; left
        // open, the port keeps the event loop spinning. It is closed instead (after
        // the failing call has returned), so the device is silent until reopened.
        QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError e) {
            if (!isFatal(e)) return;
            QMetaObject::invokeMethod(&m_port, [this] {
                if (!m_port.isOpen()) return;
                close();
                if (onLost) onLost();
            }, Qt::QueuedConnection);
        });
    }

    bool open(const QString& path, const SerialSettings& s) override
    {
        // Qt reads a lock that stands already to judge it, and would wait on a
        // FIFO there (any user may make one in the lock folder) until a writer
        // comes, or read a huge file to its end: the station would freeze at
        // login, or die.
        const QString lock = SerialPortLockPath(path);
        m_lockProblem = SerialPortLockProblem(lock);
        if (!m_lockProblem.isEmpty()) return false;
        m_port.setPortName(path);
        if (!m_port.open(QIODevice::ReadWrite)) {
            // Qt's refusal names neither the lock nor what holds it.
            const pid_t holder = m_port.error() == QSerialPort::PermissionError && !lock.isEmpty() ? LiveLockHolder(lock) : 0;
            if (holder > 0) m_lockProblem = QStringLiteral("the port's lock %1 is held by process %2").arg(lock).arg(holder);
            return false;
        }
        const bool ok = m_port.setBaudRate(s.baud) && m_port.setParity(ToQtParity(s.parity))
            && m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits))
            && m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
            && m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (!ok) {
            m_port.close();
            return false;
        }
        m_path = path;
        return true;
    }
    QString errorString() const override { return m_lockProblem.isEmpty() ? m_port.errorString() : m_lockProblem; }
    void close() override
    {
        if (m_port.isOpen()) m_port.close();
        m_path.clear();
    }
    bool isOpen() const override { return m_port.isOpen(); }
    QString path() const override { return m_path; }
    void write(const QByteArray& bytes) override
    {
        if (!m_port.isOpen() || bytes.isEmpty()) return;
        m_port.write(bytes);
        m_port.flush();
        if (m_port.bytesToWrite() > 0) m_port.waitForBytesWritten(500);
    }
    QByteArray readAll() override { return m_port.isOpen() ? m_port.readAll() : QByteArray(); }
    // Pseudo-terminals refuse the modem lines; that is not an error of ours.
    void setDtr(bool on) override
    {
        if (m_port.isOpen()) m_port.setDataTerminalReady(on);
    }
    void setRts(bool on) override
    {
        if (m_port.isOpen()) m_port.setRequestToSend(on);
    }
    bool dsr() const override { return pins() & QSerialPort::DataSetReadySignal; }
    bool cts() const override { return pins() & QSerialPort::ClearToSendSignal; }

private:
    static bool isFatal(QSerialPort::SerialPortError e)
    {
        return e == QSerialPort::ResourceError || e == QSerialPort::WriteError;
    }

    QSerialPort::PinoutSignals pins() const
    {
        if (!m_port.isOpen()) return QSerialPort::NoSignal;
        return const_cast<QSerialPort&>(m_port).pinoutSignals();
    }

    QSerialPort m_port;
    QString m_path;
    QString m_lockProblem;
};

} // namespace

std::unique_ptr<SerialPort> QtSerialPortFactory::create() { return std::make_unique<QtSerialPort>(); }

} // namespace tolvo
