#pragma once

#include "serial/ByteFramer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <memory>

// The exit reader on port 9 (with 출구판독기 on): its command senders, the
// message frame, its receive routine and reply codes, and the paid-ticket check
// that lets a car out within the allowed minutes after its payment.
namespace tolvo {

struct Station;

// What the lane does with a ticket read at the exit.
enum class ExitVerdict { Unreadable, Unpaid, TooLate, Valid };

// The verdict on a read reply ("P60"/"P61" and the paper card), read at now
// with allowedMinutes after the payment.
ExitVerdict JudgeExitTicket(const QString& reply, const QDateTime& now, int allowedMinutes);
// The payment stamp "yyyymmddhhnn" of a paid card's "mmddhhnn": this year's,
// or last year's when this year's would lie more than a day after now. Empty
// when the text is not a real date and time.
QString PaymentStamp(const QString& mmddhhnn, const QDateTime& now);
// The List1 line of a reply code; empty for a code that has none.
QString ExitReaderMessage(const QString& code);

class ExitReaderLink {
public:
    explicit ExitReaderLink(Station& st);

    // Senders: false at once when port 9 is closed, else true only when a
    // positive reply ("P...", an event report included) came within one second.
    // A ticket that arrives while another is judged is judged after it.
    bool OutRd_CG(quint8 relay);
    bool OutRd_CTW(const QString& dateTime, const QString& minutes);
    bool OutRd_CAW(const QString& minutes);
    bool OutRd_CTR();
    bool OutRd_Eject();
    bool OutRd_C31();
    // A text on the reader's display; waits for nothing.
    void Disp_Message(const QString& text);

    // Receive routine of port 9. A ticket that comes while another is being
    // handled waits for it: tickets are judged one at a time, in arrival order.
    void OutRd_Receive();
    // Handles one read (the receive side without the port).
    void feed(const QByteArray& bytes);
    void reset();
    // The reply parser, given one frame's text.
    void OutRd_ParseFrame(const QString& reply);

    bool OutRdResult = false; // the last reply was positive
    QString OutRdReply;       // the last "PTR" reply, for the equipment test screen

private:
    bool send(const QString& command);
    bool portOpen(int port) const;
    ByteRole classify(quint8 byte);
    void onControl(quint8 byte);
    void onFrame(const QByteArray& frame);
    void paidTicketCheck(const QString& reply);
    void outcome(const char* indication);
    void pulseWhenDue();
    void pulseDue();

    Station& m_st;
    ByteFramer m_framer;
    bool m_checkNext = false; // the next byte is a block check
    bool m_skipByte = false;  // the byte being handled is that block check
    // Barrier pulses of paid tickets, each due a while after its verdict. The
    // tickets behind it are judged meanwhile; the pulses follow in order.
    int m_pulsesDue = 0;
    bool m_pulsing = false;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0); // outlived by no pending pulse
};

// Makes the link and fills st.routines.OutRd_Receive; the port set-up resets it.
std::shared_ptr<ExitReaderLink> AttachExitReader(Station& st);

} // namespace tolvo
