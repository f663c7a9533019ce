#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>

namespace tolvo::sim {

// A device at the far end of a pseudo-terminal pair. The station opens
// slavePath() through the real QSerialPort; this side sees every byte sent
// and answers: by default it echoes (a loop-back plug), or through replier.
// DTR/RTS and DSR/CTS do not exist on a pseudo-terminal.
class PtyDevice {
public:
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    bool ok() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Everything the station has sent so far.
    QByteArray received;
    // Answer to a chunk the station sent; default echo. Empty: no answer.
    std::function<QByteArray(const QByteArray& chunk)> replier = [](const QByteArray& c) { return c; };

    // Bytes from the device to the station.
    void send(const QByteArray& bytes);
    // Runs events until at least n bytes have arrived here or the time is up.
    bool waitForReceived(int n, int timeoutMs = 2000);
    // The device goes away (adapter unplugged): both sides of the pair close.
    void unplug();

private:
    void onReadable();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tolvo::sim
