#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <deque>
#include <vector>

namespace tolvo::sim {

// Frame texts of a first-family ticket dispenser, as it sends them.
namespace dispenser {
QByteArray Frame(const QByteArray& text); // STX text ETX block check
QByteArray PollReply(const char code[2], quint8 status);                      // 7 characters
QByteArray IssueData(const QByteArray& ticketNo, const QTime& issued, char kind = '1'); // 53
QByteArray StatusEntry(const QByteArray& ticketNo, const QTime& issued, quint8 s1, quint8 s2); // 26
QByteArray Event(const QByteArray& number, const QDateTime& when, const QByteArray& code);  // 27
QByteArray ClockReport(const QDateTime& clock);                                              // 19
// The second family reports tickets by itself.
QByteArray Ticket14(const QByteArray& ticketNo, const QTime& issued);
QByteArray Ticket18(const QByteArray& unit, const QByteArray& status, const QByteArray& ticketNo, const QTime& issued);
} // namespace dispenser

// A first-family dispenser that answers the station: polls with its status
// (issue data waiting), data requests with the next issued ticket, clock and
// display commands with their replies, and the port test's frame with itself.
// Feed it what the station wrote; it returns the bytes the dispenser sends
// back. Usable on a fake port and on a pseudo-terminal.
class DispenserPeer {
public:
    // A ticket comes out of the dispenser; it is reported when the station asks.
    void issue(const QByteArray& ticketNo, const QTime& issued);
    QByteArray answer(const QByteArray& chunk);

    std::vector<QByteArray> commands; // command texts the station sent, in order
    bool answerPolls = true;
    QDateTime lastClockSet;           // from the last "C005"

private:
    QByteArray answerCommand(const QByteArray& text);

    QByteArray m_rx;
    std::deque<QByteArray> m_waiting; // issue frames not yet requested
};

} // namespace tolvo::sim
