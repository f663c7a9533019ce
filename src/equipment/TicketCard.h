#pragma once

#include <QString>
#include <QtGlobal>

// What a read reply of the ticket reader holds, without any port or screen:
// the reply code's verdict and the ticket's data block (TicketCardData) in its
// paper, recycled and season-card variants. Positions below count from 1 in
// the reply: the code (3), two characters the station does not read, the card.
namespace tolvo {

struct ReaderReply {
    quint8 result = 2;  // 1 positive (the code begins with "P"), 2 any other
    QString message;    // the line for List1; empty when the code has none
    bool ticketData = false; // "P60"/"P61": a card follows
};
// The verdict of a reply. recycledParser: the recycled-ticket installation,
// the only one that reports a failed "C96" print.
ReaderReply JudgeReaderReply(const QString& reply, bool recycledParser);

struct TicketCardData {
    enum class Kind { Unpaid, Paid, Season, Unreadable };
    Kind kind = Kind::Unreadable;
    QString ticketNo;  // ticket number, or the season card's number
    QString inStamp;   // "yymmddhhnn": the entry (unpaid), the other time field (paid)
    QString outStamp;  // "yymmddhhnn": the exit time of a paid ticket
    QString seasonNo;  // season card: six "0" and the card number
    QChar passFlag;    // season card: "1" as issued, "0" after an exit read
    QString rewrite;   // season card: the card data with its passage flag "0"
    QString refusal;   // unreadable: the message, before the raw reply
};

// Paper installations: unpaid 24, paid 34 characters; a 36-character reply with
// "4" at 9 is a season card.
TicketCardData ReadPaperReply(const QString& reply);
// Recycled installations: unpaid 26, paid 36 characters, behind the print row.
TicketCardData ReadRecycledReply(const QString& reply);
// The print row of a recycled reply (characters 6-7; 0 when not a number).
qint16 RecycledPrintRow(const QString& reply);

// A stamp that is a real date and time of this century.
bool IsRealStamp(const QString& yymmddhhnn);
// "20yy-mm-dd hh:nn" from a stamp, its characters as they stand.
QString StampShown(const QString& yymmddhhnn);
// The 16-character ticket data of a card: number, "20" and its stamp.
QString CardTicketData(const QString& ticketNo, const QString& yymmddhhnn);

} // namespace tolvo
