#include "sim/DispenserPeer.h"

namespace tolvo::sim {

namespace {
constexpr char STX = 0x02, ETX = 0x03;
const QByteArray kPortTest = QByteArrayLiteral("PORT_TEST");

QByteArray two(int v) { return QByteArray::number(v).rightJustified(2, '0'); }
QByteArray hhnn(const QTime& t) { return two(t.hour()) + two(t.minute()); }
QByteArray stamp(const QDateTime& t) { return t.toString(QStringLiteral("yyMMddHHmmss")).toLatin1(); }
QByteArray ticket4(const QByteArray& no) { return no.left(4).rightJustified(4, '0'); }
} // namespace

namespace dispenser {

QByteArray Frame(const QByteArray& text)
{
    quint8 bcc = 0;
    for (const char c : text) bcc ^= quint8(c);
    return STX + text + ETX + char(bcc ^ 0x03);
}

QByteArray PollReply(const char code[2], quint8 status)
{
    return QByteArray("D0") + QByteArray(code, 2) + "00" + char(status);
}

QByteArray IssueData(const QByteArray& ticketNo, const QTime& issued, char kind)
{
    // Record: 12 characters of the dispenser's own, hhnn, 6 more, the kind, the number, 19 more.
    QByteArray record = QByteArray(12, '0') + hhnn(issued) + QByteArray(6, '0') + kind + ticket4(ticketNo);
    record += QByteArray(46 - record.size(), '0');
    return QByteArray("D014000") + record;
}

QByteArray StatusEntry(const QByteArray& ticketNo, const QTime& issued, quint8 s1, quint8 s2)
{
    QByteArray t = QByteArray("D006") + '0' + char(s1) + char(s2) + "0000" + ticket4(ticketNo) + "0000000" + hhnn(issued);
    return t;
}

QByteArray Event(const QByteArray& number, const QDateTime& when, const QByteArray& code)
{
    return QByteArray("D015000") + '0' + number.left(5).rightJustified(5, '0') + stamp(when) + code.left(2);
}

QByteArray ClockReport(const QDateTime& clock) { return QByteArray("D01300") + '0' + stamp(clock); }

QByteArray Ticket14(const QByteArray& ticketNo, const QTime& issued)
{
    return ticket4(ticketNo) + "260105" + hhnn(issued);
}

QByteArray Ticket18(const QByteArray& unit, const QByteArray& status, const QByteArray& ticketNo, const QTime& issued)
{
    return unit.left(2) + status.left(2) + ticket4(ticketNo) + "260105" + hhnn(issued);
}

} // namespace dispenser

void DispenserPeer::issue(const QByteArray& ticketNo, const QTime& issued)
{
    m_waiting.push_back(dispenser::IssueData(ticketNo, issued));
}

QByteArray DispenserPeer::answer(const QByteArray& chunk)
{
    m_rx += chunk;
    QByteArray out;
    for (;;) {
        const qsizetype start = m_rx.indexOf(STX);
        if (start < 0) {
            m_rx.clear(); // ENQ "C0" and the like: nothing to answer
            break;
        }
        const qsizetype end = m_rx.indexOf(ETX, start);
        const QByteArray text = end < 0 ? QByteArray() : m_rx.mid(start + 1, end - start - 1);
        // The station's loop-test frame has no block check.
        const qsizetype frameEnd = text == kPortTest ? end + 1 : end + 2;
        if (end < 0 || frameEnd > m_rx.size()) {
            m_rx.remove(0, start); // wait for the rest and the block check
            break;
        }
        m_rx.remove(0, frameEnd);
        commands.push_back(text);
        out += answerCommand(text);
    }
    return out;
}

QByteArray DispenserPeer::answerCommand(const QByteArray& text)
{
    if (text == kPortTest) return STX + kPortTest + ETX; // looped back as it came
    if (text == "C000") {
        if (!answerPolls) return {};
        return dispenser::Frame(dispenser::PollReply("00", m_waiting.empty() ? 0x00 : 0x30));
    }
    if (text == "C014") {
        if (m_waiting.empty()) return {};
        QByteArray f = dispenser::Frame(m_waiting.front());
        m_waiting.pop_front();
        return f;
    }
    if (text.startsWith("C005")) {
        lastClockSet = QDateTime::fromString(QString::fromLatin1(text.mid(4, 12)), QStringLiteral("yyMMddHHmmss"))
                           .addYears(100);
        return dispenser::Frame("C005P");
    }
    if (text.startsWith("C029")) return dispenser::Frame("C029P");
    return {};
}

} // namespace tolvo::sim
