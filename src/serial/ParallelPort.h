#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace tolvo {

// A parallel printer device (/dev/lp0, /dev/lp1), opened without creating it.
class ParallelPort {
public:
    virtual ~ParallelPort() = default;
    virtual bool open(const QString& path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The status register (LPGETSTATUS); nothing when it cannot be read.
    virtual std::optional<quint8> status() = 0;
    // Writes all bytes or gives up after timeoutMs; false when not all went out.
    virtual bool write(const QByteArray& bytes, int timeoutMs) = 0;
};

class ParallelPortFactory {
public:
    virtual ~ParallelPortFactory() = default;
    virtual std::unique_ptr<ParallelPort> create() = 0;
};

// The real device through open(2), ioctl(LPGETSTATUS), poll(2) and write(2).
class LinuxParallelPortFactory : public ParallelPortFactory {
public:
    std::unique_ptr<ParallelPort> create() override;
};

} // namespace tolvo
