#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tolvo::sim {

// The exit reader's side of port 9. A command frame is answered with ACK and
// the station's ENQ fetches the positive reply; a "DSM0" message frame (no
// block check) is only noted. A ticket going in makes the reader send its read
// reply by itself.
class ExitReaderPeer {
public:
    QByteArray onBytes(const QByteArray& chunk);
    // The read reply frame of a card put into the reader.
    static QByteArray Inserted(const QString& cardData) { return Frame(QStringLiteral("P6100") + cardData); }

    static QByteArray Frame(const QString& text); // STX text ETX BCC
    // Paper card data: unpaid (entry stamp), paid (payment and exit stamps, yymmddhhnn).
    static QString UnpaidCard(const QString& ticketNo, const QString& entry);
    static QString PaidCard(const QString& ticketNo, const QString& paid, const QString& exit);

    QStringList commands; // command texts, in order
    QStringList messages; // "DSM0" texts

private:
    QString replyTo(const QString& command) const;

    QByteArray m_buf;
    bool m_inFrame = false;
    bool m_skipBcc = false;
    QByteArray m_reply;
};

} // namespace tolvo::sim
