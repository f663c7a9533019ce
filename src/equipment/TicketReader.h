#pragma once

#include "serial/ByteFramer.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

// The ticket reader on port 6: its command senders, its receive routine with
// the ACK/ENQ handshake, the reply handling and the two read parsers (paper
// tickets and season cards; recycled tickets), and the erase of a recycled
// ticket. One link per station; AttachTicketReader hands it to the routine
// slots and the exit's reader commands.
namespace tolvo {

struct Station;
struct TicketCardData;

class TicketReaderLink {
public:
    explicit TicketReaderLink(Station& st);

    // Senders: false at once when port 6 is closed, else true only when the
    // positive reply arrived in time (1 s; 2 s for printing). A card the reader
    // sends meanwhile is handled at once inside the wait (after it, when the
    // wait is part of another card's handling or of an exit under way); it
    // answers only a read.
    bool Eject_CMD();
    bool Read_CMD61();
    bool Read_CMD60();
    bool Write_CMD(const QString& data);
    bool Print_CMD96(const QString& data);
    bool Print_CMD90(const QString& data);
    bool RD_Erase_Recycle();

    // Receive routine of port 6.
    void RD_Receive();
    // The parsers, given one reply frame's text.
    void RD_Parse(const QString& reply);
    void RD_ParseType2(const QString& reply);

    // The erase of a recycled ticket; the eject's result.
    bool RD_EraseTicket();

    // Outcome of the last reply: 0 none yet, 1 positive, 2 any other.
    quint8 RDResult() const { return m_result; }
    bool RDInFrame() const { return m_framer.inFrame(); }
    // The port set-up empties the receive state.
    void ResetRx() { m_framer.reset(); }
    // Cards wait while held (the exit under way); the last release handles them.
    void holdCards(bool on);
    // Handles the held cards now, unless an exit under way holds them.
    void catchUp() { m_framer.catchUp(); }
    // Frames waiting their turn.
    qsizetype heldFrames() const { return m_framer.heldFrames(); }

private:
    enum class Caption { None, Write, Print, Eject };
    bool send(const QString& command, const QString& data, double seconds, const QString& trace, Caption caption);
    // While the link is busy a ticket's data waits for it to end.
    bool holdsTicket(const QByteArray& text);
    // A card that arrives while others wait: the same card again, or a run of
    // refusals, is one card.
    HeldFold foldHeld(const QByteArray& last, const QByteArray& next);
    bool refused(const QByteArray& text) const;
    // Shows one of the link's own boxes: cards wait while it is open.
    template <typename Show> void ownBox(Show&& show);
    void onFrame(const QByteArray& text);
    void onControl(char c);
    void judge(const QString& reply, bool recycled);
    bool takesTicketData() const;
    void handleCard(const QString& reply, const TicketCardData& card);
    void season(const TicketCardData& card);
    void settledCheck(const TicketCardData& card);
    void showPaidCard(const TicketCardData& card);
    void refuse(const QString& reply, const QString& text);
    void alreadyPaid();
    void startFeeRun();
    void answer(quint8 result, bool card);

    Station& m_st;
    ByteFramer m_framer;
    quint8 m_result = 0;
    // The commands waiting for their replies, innermost last.
    struct Waiting {
        bool read = false;
        quint8 answer = 0;
    };
    std::vector<Waiting*> m_waiting;
};

// Holds Station::ReaderBusy for a card job that owns the reader outside the
// exit flow; cleared however the job ends.
class ReaderBusyScope {
public:
    explicit ReaderBusyScope(Station& st);
    ~ReaderBusyScope();
    ReaderBusyScope(const ReaderBusyScope&) = delete;
    ReaderBusyScope& operator=(const ReaderBusyScope&) = delete;

private:
    Station& m_st;
};

// Makes the link and fills st.routines (RD_Receive, Read_CMD61, Read_CMD60,
// Eject_CMD, RD_EraseTicket) and the exit's reader commands (st.exitLinks).
// Attach after the station's ports exist, so the port set-up resets the link.
std::shared_ptr<TicketReaderLink> AttachTicketReader(Station& st);

} // namespace tolvo
