#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QDate;

namespace tolvo::sim {

// The next ticket number of the day: one past the number kept in file
// ("yyyy-mm-dd number"), or 1001 when the file is missing, unreadable or of
// another day; the file then keeps the new number. A new session of the
// simulator so goes on from the last one and never re-uses a number that day.
int NextTicketNumber(const QString& file, const QDate& today);

// The ticket reader's side of port 6. Each command frame from the station is
// answered with ACK; the station's ENQ then fetches the reply frame. The
// reader holds at most one card: a read returns it, a write replaces it, a
// print adds a line, an eject takes it out. Feed it the bytes the station
// sends (a fake device's replier or a pseudo-terminal's); what it returns goes
// back to the station.
class TicketReaderSim {
public:
    QByteArray onBytes(const QByteArray& chunk);

    // A card in the slot (its data block, without the reply code).
    void insert(const QString& cardData);
    // The read reply frame of the card in the slot, as the reader sends it
    // ("P61" paper, "P60" recycled; two characters "00"; the card).
    QByteArray readReplyFrame(const QString& code = QStringLiteral("P61")) const;

    static QByteArray Frame(const QString& text); // STX text ETX BCC
    // Card data blocks: unpaid paper (19), unpaid recycled (21).
    static QString PaperCard(const QString& ticketNo, const QString& yymmddhhnn);
    static QString RecycledCard(const QString& row, const QString& ticketNo, const QString& yymmddhhnn);

    QStringList commands; // every command text received, in order ("C70...", "C30")
    QStringList printed;  // the print texts, in order
    QString card;
    bool inSlot = false;
    bool silent = false;  // answers nothing (a reader switched off)
    QString failCommand;  // a command code ("C70") answered negatively

private:
    QString replyTo(const QString& command);

    QByteArray m_buf;
    bool m_inFrame = false;
    bool m_skipBcc = false;
    QByteArray m_reply; // fetched by the next ENQ
};

} // namespace tolvo::sim
