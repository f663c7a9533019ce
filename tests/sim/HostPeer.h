#pragma once

#include "sim/PtyDevice.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tolvo::sim {

// The host PC at the far end of the station's port 8, over a pseudo-terminal.
// It collects the frames the station sends (STX text ETX block check), answers
// each record with the acknowledgement that carries its key, and sends the
// host's own frames and handshake bytes when told.
class HostPeer {
public:
    HostPeer();

    bool ok() const { return m_dev.ok(); }
    QString slavePath() const { return m_dev.slavePath(); }

    // Answer records with their acknowledgement (on by default).
    bool acknowledge = true;
    // Texts of the frames received with a good block check, in order.
    QStringList frames;
    // Every byte the station sent.
    const QByteArray& received() const { return m_dev.received; }

    void sendFrame(const QString& text); // STX text ETX block check, code page 949
    void sendBytes(const QByteArray& bytes) { m_dev.send(bytes); }

    // Runs events until n frames (or n bytes) have arrived or the time is up.
    bool waitForFrames(int n, int timeoutMs = 3000);
    bool waitForBytes(int n, int timeoutMs = 3000) { return m_dev.waitForReceived(n, timeoutMs); }

    // The acknowledgement a host sends for a record text ("TD_ACK " and the key,
    // ...); empty for a text that is no record.
    static QString AckFor(const QString& recordText);

private:
    void take(const QByteArray& chunk);

    PtyDevice m_dev;
    QByteArray m_pending;
};

} // namespace tolvo::sim
