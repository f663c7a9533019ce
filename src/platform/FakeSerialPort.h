#pragma once

#include "platform/SerialPort.h"

#include <QSet>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tolvo {

// In-memory serial ports for tests. Each device path has one FakeDevice that
// outlives the port handles opened on it: it records writes and DTR/RTS
// changes with their times, holds DSR/CTS, injects received bytes and can
// answer each write on a script.
struct FakeWrite {
    qint64 atMs = 0;
    QByteArray bytes;
};
struct FakeLineChange {
    qint64 atMs = 0;
    char line = 'D'; // 'D' DTR, 'R' RTS
    bool on = false;
};

class FakeSerialPort;

struct FakeDevice {
    QString path;
    bool open = false;
    int opens = 0;
    SerialSettings settings;
    std::vector<FakeWrite> writes;
    std::vector<FakeLineChange> lineChanges;
    bool dtr = true, rts = true; // as before any open drove them
    bool dsr = false, cts = false;
    QByteArray rx;
    // Answers a write; the answer (if not empty) is injected as received bytes.
    std::function<QByteArray(const QByteArray& written)> replier;
    FakeSerialPort* port = nullptr;

    // Bytes arrive: queued for readAll and announced like the real port does.
    void inject(const QByteArray& bytes);
    // The device goes away: its open port closes and says so, as the real one does.
    void unplug();
    // All bytes written, joined.
    QByteArray written() const
    {
        QByteArray all;
        for (const auto& w : writes) all += w.bytes;
        return all;
    }
    void clearWrites() { writes.clear(); }
};

class FakeSerialPort : public SerialPort {
public:
    FakeSerialPort(std::function<qint64()> now, std::function<std::shared_ptr<FakeDevice>(const QString&)> lookup,
                   std::function<bool(const QString&)> fails)
        : m_now(std::move(now)), m_lookup(std::move(lookup)), m_fails(std::move(fails))
    {
    }
    ~FakeSerialPort() override { close(); }

    bool open(const QString& path, const SerialSettings& settings) override
    {
        if (m_fails(path)) {
            m_error = QStringLiteral("Permission error while locking the device");
            return false;
        }
        auto dev = m_lookup(path);
        if (dev->open) { // the platform refuses a second opener too
            m_error = QStringLiteral("Device or resource busy");
            return false;
        }
        m_dev = std::move(dev);
        m_dev->open = true;
        ++m_dev->opens;
        m_dev->settings = settings;
        m_dev->port = this;
        return true;
    }
    QString errorString() const override { return m_error; }
    void close() override
    {
        if (!m_dev) return;
        m_dev->open = false;
        m_dev->port = nullptr;
        m_dev.reset();
    }
    bool isOpen() const override { return m_dev != nullptr; }
    QString path() const override { return m_dev ? m_dev->path : QString(); }
    void write(const QByteArray& bytes) override
    {
        if (!m_dev) return;
        auto dev = m_dev;
        dev->writes.push_back({m_now(), bytes});
        if (dev->replier) {
            const QByteArray answer = dev->replier(bytes);
            if (!answer.isEmpty()) dev->inject(answer);
        }
    }
    QByteArray readAll() override
    {
        if (!m_dev) return {};
        QByteArray out;
        out.swap(m_dev->rx);
        return out;
    }
    void setDtr(bool on) override { setLine('D', on); }
    void setRts(bool on) override { setLine('R', on); }
    bool dsr() const override { return m_dev && m_dev->dsr; }
    bool cts() const override { return m_dev && m_dev->cts; }

    void announce()
    {
        if (onReadyRead) onReadyRead();
    }
    void lose()
    {
        close();
        if (onLost) onLost();
    }

private:
    void setLine(char line, bool on)
    {
        if (!m_dev) return;
        (line == 'D' ? m_dev->dtr : m_dev->rts) = on;
        m_dev->lineChanges.push_back({m_now(), line, on});
    }

    std::function<qint64()> m_now;
    std::function<std::shared_ptr<FakeDevice>(const QString&)> m_lookup;
    std::function<bool(const QString&)> m_fails;
    std::shared_ptr<FakeDevice> m_dev;
    QString m_error;
};

inline void FakeDevice::inject(const QByteArray& bytes)
{
    rx += bytes;
    if (port) port->announce();
}

inline void FakeDevice::unplug()
{
    if (port) port->lose();
}

class FakeSerialPortFactory : public SerialPortFactory {
public:
    // Time stamp of writes and line changes (milliseconds).
    std::function<qint64()> now = [] { return qint64(0); };
    // Paths whose open fails (missing device, busy port).
    QSet<QString> failing;

    FakeDevice& device(const QString& path) { return *lookup(path); }
    // A handle that outlives the factory (and the Comm that owns it).
    std::shared_ptr<FakeDevice> shared(const QString& path) { return lookup(path); }
    bool has(const QString& path) const { return m_devices.count(path) != 0; }

    std::unique_ptr<SerialPort> create() override
    {
        return std::make_unique<FakeSerialPort>([this] { return now(); },
                                                [this](const QString& p) { return lookup(p); },
                                                [this](const QString& p) { return failing.contains(p); });
    }

private:
    std::shared_ptr<FakeDevice> lookup(const QString& path)
    {
        auto& d = m_devices[path];
        if (!d) {
            d = std::make_shared<FakeDevice>();
            d->path = path;
        }
        return d;
    }
    std::map<QString, std::shared_ptr<FakeDevice>> m_devices;
};

} // namespace tolvo
