#include "sim/PtyDevice.h"

#include "platform/SerialPort.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tolvo::sim {

PtyPair OpenPty(bool raw)
{
    constexpr int kTries = 16;
    termios mode{};
    cfmakeraw(&mode);
    PtyPair pair;
    std::vector<std::pair<int, int>> passed; // kept open meanwhile, so their numbers are not given again
    for (int k = 0; k < kTries; ++k) {
        char name[256] = {};
        int master = -1, slave = -1;
        if (::openpty(&master, &slave, name, raw ? &mode : nullptr, nullptr) != 0) {
            pair.error = QStringLiteral("openpty: ") + QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        // Opened as the station opens it: its lock file and all.
        const auto probe = QtSerialPortFactory().create();
        if (probe->open(QString::fromLocal8Bit(name), SerialSettings{})) {
            probe->close();
            pair = {master, slave, QString::fromLocal8Bit(name), {}};
            break;
        }
        pair.error = QString::fromLocal8Bit(name) + QStringLiteral(" : ") + probe->errorString();
        passed.emplace_back(master, slave);
    }
    for (const auto& [master, slave] : passed) {
        ::close(master);
        ::close(slave);
    }
    if (pair.master < 0) qWarning().noquote() << "no usable pseudo-terminal:" << pair.error;
    return pair;
}

PtyDevice::PtyDevice()
{
    const PtyPair pair = OpenPty(true);
    if (pair.master < 0) return;
    m_master = pair.master;
    // The slave stays open here too, so the master never sees a hang-up while
    // the station closes and reopens its port.
    m_slave = pair.slave;
    m_slavePath = pair.slavePath;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { onReadable(); });
}

PtyDevice::~PtyDevice() { unplug(); }

void PtyDevice::unplug()
{
    m_notifier.reset();
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
    m_master = m_slave = -1;
}

bool PtyDevice::lineSettings(termios& out) const { return m_slave >= 0 && ::tcgetattr(m_slave, &out) == 0; }

bool PtyDevice::send(const QByteArray& bytes)
{
    // A terminal nobody reads fills up: wait for room a bounded time, never spin.
    QElapsedTimer waited;
    waited.start();
    const int budgetMs = m_full ? 0 : SendWaitMs;
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        const qint64 left = budgetMs - waited.elapsed();
        if (n == 0 || errno != EAGAIN || left <= 0) break;
        pollfd room{m_master, POLLOUT, 0};
        ::poll(&room, 1, int(left));
    }
    const bool wasFull = std::exchange(m_full, done < bytes.size());
    if (m_full && !wasFull && m_master >= 0)
        qWarning().noquote() << m_slavePath << ": nobody reads the terminal; what is sent to it is dropped";
    return !m_full;
}

void PtyDevice::onReadable()
{
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) break;
        const QByteArray chunk(buf, n);
        received += chunk;
        if (replier) {
            const QByteArray answer = replier(chunk);
            if (!answer.isEmpty()) send(answer);
        }
    }
}

bool PtyDevice::waitForReceived(int n, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (received.size() < n && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return received.size() >= n;
}

} // namespace tolvo::sim
