#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>
#include <termios.h>

namespace tolvo::sim {

// Both sides of a pseudo-terminal pair; master < 0 when none could be had.
struct PtyPair {
    int master = -1;
    int slave = -1;
    QString slavePath;
    QString error; // why the last terminal tried cannot serve
};

// A pseudo-terminal pair whose slave the station's serial port can open. A
// terminal it cannot (a lock left by another user's dead process, which only
// that user or root may remove) is passed over for the next, a few times at most.
PtyPair OpenPty(bool raw);

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

    // Bytes from the device to the station. False when they could not all go:
    // nobody reads the terminal and it stays full (given up after SendWaitMs,
    // at once while it stays full).
    bool send(const QByteArray& bytes);
    static constexpr int SendWaitMs = 2000;
    // Runs events until at least n bytes have arrived here or the time is up.
    bool waitForReceived(int n, int timeoutMs = 2000);
    // The device goes away (adapter unplugged): both sides of the pair close.
    void unplug();
    // The line as the station set it. Read through this side's own open end:
    // the station opens its port for exclusive use, which refuses a second open
    // to anyone but root.
    bool lineSettings(termios& out) const;

private:
    void onReadable();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    bool m_full = false; // the last send gave up
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tolvo::sim
