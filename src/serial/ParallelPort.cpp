#include "serial/ParallelPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/lp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace tolvo {

namespace {

class LinuxParallelPort : public ParallelPort {
public:
    ~LinuxParallelPort() override { close(); }

    bool open(const QString& path) override
    {
        close();
        // Never O_CREAT: a missing device must not become a file.
        m_fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        return m_fd >= 0;
    }
    void close() override
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    bool isOpen() const override { return m_fd >= 0; }
    std::optional<quint8> status() override
    {
        int s = 0;
        if (m_fd < 0 || ::ioctl(m_fd, LPGETSTATUS, &s) != 0) return std::nullopt;
        return static_cast<quint8>(s & 0xFF);
    }
    bool write(const QByteArray& bytes, int timeoutMs) override
    {
        using clock = std::chrono::steady_clock;
        const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
        qsizetype done = 0;
        while (m_fd >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) return false;
            // The parallel-port driver has no poll of its own (it reports ready at
            // once), so a short sleep keeps the retry from spinning.
            pollfd p{m_fd, POLLOUT, 0};
            if (::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50))) < 0 && errno != EINTR) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done == bytes.size();
    }

private:
    int m_fd = -1;
};

} // namespace

std::unique_ptr<ParallelPort> LinuxParallelPortFactory::create() { return std::make_unique<LinuxParallelPort>(); }

} // namespace tolvo
