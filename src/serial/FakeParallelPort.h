#pragma once

#include "serial/ParallelPort.h"

#include <map>
#include <memory>

namespace tolvo {

// A parallel printer for tests: present or not, its status byte, the bytes
// it took, and whether it stalls (offline: writes time out).
struct FakeLptDevice {
    bool exists = true;
    quint8 statusByte = 0xD0; // not busy, acknowledge and select high, paper present
    bool stall = false;
    bool open = false;
    int opens = 0;
    int timedOutWrites = 0;
    QByteArray written;
};

class FakeParallelPort : public ParallelPort {
public:
    explicit FakeParallelPort(std::map<QString, std::shared_ptr<FakeLptDevice>>& devices) : m_devices(devices) {}
    ~FakeParallelPort() override { close(); }

    bool open(const QString& path) override
    {
        close();
        auto it = m_devices.find(path);
        if (it == m_devices.end() || !it->second->exists) return false;
        m_dev = it->second;
        m_dev->open = true;
        ++m_dev->opens;
        return true;
    }
    void close() override
    {
        if (m_dev) m_dev->open = false;
        m_dev.reset();
    }
    bool isOpen() const override { return m_dev != nullptr; }
    std::optional<quint8> status() override
    {
        if (!m_dev) return std::nullopt;
        return m_dev->statusByte;
    }
    bool write(const QByteArray& bytes, int) override
    {
        if (!m_dev) return false;
        if (m_dev->stall) {
            ++m_dev->timedOutWrites;
            return false;
        }
        m_dev->written += bytes;
        return true;
    }

private:
    std::map<QString, std::shared_ptr<FakeLptDevice>>& m_devices;
    std::shared_ptr<FakeLptDevice> m_dev;
};

class FakeParallelPortFactory : public ParallelPortFactory {
public:
    // Registers (or returns) the device at a path; unknown paths do not exist.
    FakeLptDevice& device(const QString& path)
    {
        auto& d = m_devices[path];
        if (!d) d = std::make_shared<FakeLptDevice>();
        return *d;
    }
    std::unique_ptr<ParallelPort> create() override { return std::make_unique<FakeParallelPort>(m_devices); }

private:
    std::map<QString, std::shared_ptr<FakeLptDevice>> m_devices;
};

} // namespace tolvo
