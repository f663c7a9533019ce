#pragma once

#include "serial/ByteFramer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace tolvo {

struct Station;

// The first dispenser family (models 1 and 2) on port 0: polls it, keeps its
// clock and display in step, answers its ACK and turns its frames into entries,
// season-card entries, lamps and list lines.
class DispenserFamily1 {
public:
    explicit DispenserFamily1(Station& st);

    // Senders: false at once when port 0 is closed, else true when the awaited
    // answer came within one second.
    bool TD_Poll();
    bool CTL_TimeSetUp();
    bool Vfd_TimeSet();
    bool Vfd_Out(const QString& text);

    // Reads what arrived on port 0 and handles it.
    void TD_Receive();
    // Handles one read (the receive side without the port).
    void feed(const QByteArray& bytes);
    // Empties the receive buffer (the ports were set up again).
    void reset() { m_framer.reset(); }

    // Acknowledgements and the awaited reply texts, as the senders left them.
    bool TDPollAck = false;
    bool TDClockAck = false;
    bool TDDisplayAck = false;
    QString TDClockReply;
    QString TDDisplayReply;

private:
    bool sendAndWait(const QString& command, bool& ack, const QString& traceText);
    void send(const QString& command);
    bool portOpen() const;
    void onControl(quint8 byte);
    // A frame a sender may be waiting for (passes at once); every other one is a
    // report, held while a sender waits or another frame is being handled.
    bool isReply(const QByteArray& frame) const;
    void onFrame(const QByteArray& frame);
    void onError(const QString& cause);

    void TD_ParseFrame(const QString& t);
    void clockReport(const QString& t);
    void issueData(const QString& t);
    void statusEntry(const QString& t);
    void pollReply(const QString& t);
    void TD_Event(const QString& t);

    Station& m_st;
    ByteFramer m_framer;
};

// Texts the station sends, for the time given.
QString ClockSetCommand(const QDateTime& now);   // "C005" yymmddhhnnss weekday (Monday 1 .. Sunday 7)
QString DisplayTimeCommand(const QDateTime& now); // "C029" "TS" yy/mm/dd hh:nn:ss, one second before now

} // namespace tolvo
