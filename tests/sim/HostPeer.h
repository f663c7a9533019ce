#pragma once

#include "sim/PtyDevice.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace tolvo::sim {

// The host PC at the far end of the station's port 8, over a pseudo-terminal.
// It collects the frames the station sends (STX text ETX block check; a search
// request and the port test come without the block check) and its handshake
// bytes, answers each record with the acknowledgement that carries its key,
// answers a season card forwarded from a "HOST PASS" gate with an 85-character
// verdict, and sends the host's own frames and handshake bytes when told.
class HostPeer {
public:
    // How records are acknowledged.
    enum class Ack {
        Prompt,   // at once
        Late,     // after lateMs
        Never,    // not at all
        WrongKey, // at once, with another key
    };

    HostPeer();

    bool ok() const { return m_dev.ok(); }
    QString slavePath() const { return m_dev.slavePath(); }

    Ack ack = Ack::Prompt;
    int lateMs = 0;
    // The verdict's status by card number; a card not listed passes normally
    // ("정상입차" or "정상출차").
    QMap<QString, QString> seasonStatus;
    // The time a verdict carries.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Told of each frame received and of each answer sent (the program prints them).
    std::function<void(const QString& text, const QString& answer)> onFrame;
    // Told of each handshake byte the station sends ("ENQ", "DLE").
    std::function<void(const QString& name)> onControl;

    // Texts of the frames received whole (with a good block check where one follows), in order.
    QStringList frames;
    // Texts of the records acknowledged with their own key, in order.
    QStringList acknowledged;
    // Every byte the station sent.
    const QByteArray& received() const { return m_dev.received; }

    void sendFrame(const QString& text); // STX text ETX block check, code page 949
    void sendBytes(const QByteArray& bytes) { m_dev.send(bytes); }
    void sendEnq() { sendBytes(QByteArray("\x05")); }
    void sendDle() { sendBytes(QByteArray("\x10")); }
    // The 23-character clock frame: "TIME_SET_" and yyyyMMddhhmmss.
    void sendClock(const QDateTime& t);

    // Runs events until n frames (or n bytes) have arrived or the time is up.
    bool waitForFrames(int n, int timeoutMs = 3000);
    bool waitForBytes(int n, int timeoutMs = 3000) { return m_dev.waitForReceived(n, timeoutMs); }

    // The acknowledgement a host sends for a record text ("TD_ACK " and the key,
    // ...); empty for a text that is no record.
    static QString AckFor(const QString& recordText);
    // The verdict on a forwarded season card ("JI1" ... "JO2" and the reader's
    // text, 20 characters); empty for a text that is no forwarded card.
    static QString VerdictFor(const QString& forwarded, const QDateTime& at, const QMap<QString, QString>& status);

private:
    void take(const QByteArray& chunk);
    void takeByte(char byte);
    void answer(const QString& text);
    void acknowledge(const QString& text, const QString& ackText);

    PtyDevice m_dev;
    enum class Rx { Idle, InFrame, BlockCheck } m_rx = Rx::Idle;
    QByteArray m_frame;
    QObject m_context; // late acknowledgements die with the peer
};

} // namespace tolvo::sim
