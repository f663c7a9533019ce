#include "sim/PtyDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tolvo::sim {

PtyDevice::PtyDevice()
{
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // The slave stays open here too, so the master never sees a hang-up while
    // the station closes and reopens its port.
    m_slavePath = QString::fromLocal8Bit(name);
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

void PtyDevice::send(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
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
