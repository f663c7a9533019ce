#include "equipment/DispenserFamily1.h"

#include "core/Station.h"
#include "equipment/EntryRecord.h"
#include "serial/Comm.h"
#include "serial/Trace.h"

#include <QDateTime>
#include <array>

namespace tolvo {

namespace {

constexpr quint8 ACK = 0x06;
// The longest frame of this family has 53 characters.
constexpr int kFrameCap = 256;
constexpr double kReplyWait = 1.0;

const QString kTrace = QStringLiteral("  주차권발행기: ");
const QString kClockReply = QStringLiteral("C005P");
const QString kDisplayReply = QStringLiteral("C029P");

struct EventKind {
    const char* code;
    const char* text;
    const char* lamp; // null: the alarm stays as it is
};
constexpr std::array<EventKind, 11> kEvents{{
    {"01", "장비의 전원이 켜졌다.", nullptr},
    {"10", "장비정지 카드걸림 불량...", "카드걸림"},
    {"11", "장비정지 TPH 위치 불량...", nullptr},
    {"12", "장비정지 CUTTER 위치 불량...", nullptr},
    {"13", "장비정지 카드회수 불량...", nullptr},
    {"14", "장비정지 ....", "장비정지"},
    {"15", "장비정지 발행기 통신 불량", nullptr},
    {"16", "장비정지 발행기 기록불량", nullptr},
    {"17", "장비정지 알수 없는 불량", nullptr},
    {"26", "주차권이 떨어짐", "주차권없음"},
    {"57", "날짜/시간 재 설정", nullptr},
}};

ByteFramer::Options framerOptions()
{
    ByteFramer::Options o;
    o.capBytes = kFrameCap;
    o.dataOutsideFrame = true; // the dispenser's bytes count whether or not STX came
    return o;
}

// Byte value of a character of a frame read as Latin-1 (one character per byte).
quint8 byteAt(const QString& t, int pos) { return pos < t.size() ? quint8(t.at(pos).unicode()) : 0; }

bool allDigits(const QString& s)
{
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return !s.isEmpty();
}

// "yymmddhhnnss" as a time of this century; invalid when any part is impossible.
QDateTime dispenserTime(const QString& digits12)
{
    if (digits12.size() != 12 || !allDigits(digits12)) return {};
    const auto n = [&](int i) { return digits12.mid(i, 2).toInt(); };
    const QDate d(2000 + n(0), n(2), n(4));
    const QTime t(n(6), n(8), n(10));
    if (!d.isValid() || !t.isValid()) return {};
    return QDateTime(d, t, Qt::UTC);
}

} // namespace

QString ClockSetCommand(const QDateTime& now)
{
    return QStringLiteral("C005") + now.toString(QStringLiteral("yyMMddHHmmss")) +
           QString::number(now.date().dayOfWeek());
}

QString DisplayTimeCommand(const QDateTime& now)
{
    return QStringLiteral("C029TS") + now.addSecs(-1).toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
}

DispenserFamily1::DispenserFamily1(Station& st) : m_st(st), m_framer(framerOptions())
{
    m_framer.classify = ClassifyStxEtx;
    m_framer.onControl = [this](quint8 b) { onControl(b); };
    m_framer.onFrame = [this](const QByteArray& frame, const QByteArray&) { onFrame(frame); };
    m_framer.holdWhileBusy = [this](const QByteArray& frame) { return !isReply(frame); };
    m_framer.onError = [this](const QByteArray&, const QString& cause) { onError(cause); };
    m_framer.onOverflow = [this](qsizetype n) {
        onError(QStringLiteral("수신 프레임이 너무 깁니다 (%1 바이트)").arg(n));
    };
}

bool DispenserFamily1::portOpen() const { return m_st.comm && m_st.comm->PortOpen(PortDispenser); }

void DispenserFamily1::send(const QString& command) { m_st.comm->Output(PortDispenser, TD_Frame(command)); }

bool DispenserFamily1::sendAndWait(const QString& command, bool& ack, const QString& traceText)
{
    // Reports that arrive meanwhile are handled at once, inside the wait.
    ack = false;
    send(command);
    DebugTraceLine(m_st, PortDispenser, traceText);
    WaitUntil(m_st, [&ack] { return ack; }, kReplyWait, PortDispenser);
    return ack;
}

bool DispenserFamily1::TD_Poll()
{
    if (!portOpen()) return false;
    return sendAndWait(QStringLiteral("C000"), TDPollAck, kTrace + QStringLiteral("> TD_Poll CMD (C000) 송신"));
}

bool DispenserFamily1::CTL_TimeSetUp()
{
    if (!portOpen()) return false;
    TDClockReply = kClockReply;
    const QString cmd = ClockSetCommand(m_st.clock.now());
    return sendAndWait(cmd, TDClockAck, kTrace + QStringLiteral("> CTL_TimeSetUp CMD (C005) 송신 ") + cmd);
}

bool DispenserFamily1::Vfd_TimeSet()
{
    if (!portOpen()) return false;
    TDDisplayReply = kDisplayReply;
    const QString cmd = DisplayTimeCommand(m_st.clock.now());
    return sendAndWait(cmd, TDDisplayAck, kTrace + QStringLiteral("> Vfd_TimeSet CMD (C029) 송신 ") + cmd);
}

bool DispenserFamily1::Vfd_Out(const QString& text)
{
    if (!portOpen() || text.isEmpty()) return false;
    TDDisplayReply = kDisplayReply;
    const QString cmd = QStringLiteral("C029DSM0") + text;
    return sendAndWait(cmd, TDDisplayAck, kTrace + QStringLiteral("> Vfd_Out CMD (C029) 송신 ") + cmd);
}

void DispenserFamily1::TD_Receive()
{
    if (!m_st.comm) return;
    feed(m_st.comm->Input(PortDispenser));
}

void DispenserFamily1::feed(const QByteArray& bytes) { m_framer.feed(bytes); }

void DispenserFamily1::onControl(quint8 byte)
{
    if (byte != ACK) return; // ENQ and NAK mean nothing to the station
    DebugTraceLine(m_st, PortDispenser, kTrace + QStringLiteral("< ACK 수신"));
    DebugTraceLine(m_st, PortDispenser, kTrace + QStringLiteral("> ENQ 송신"));
    if (m_st.comm) m_st.comm->Output(PortDispenser, QByteArrayLiteral("\x05" "C0"));
}

bool DispenserFamily1::isReply(const QByteArray& frame) const
{
    if (frame == QByteArrayLiteral("PORT_TEST") || frame.size() == 7) return true; // echo, poll reply
    const QString head = QString::fromLatin1(frame.left(5));
    return (!TDClockReply.isEmpty() && head == TDClockReply) || (!TDDisplayReply.isEmpty() && head == TDDisplayReply);
}

void DispenserFamily1::onFrame(const QByteArray& frame)
{
    if (CheckPortTestEcho(m_st, frame)) return;
    const QString t = QString::fromLatin1(frame);
    DebugTraceLine(m_st, PortDispenser, kTrace + QStringLiteral("< 수신데이터 ") + t);
    TD_ParseFrame(t);
}

void DispenserFamily1::onError(const QString& cause)
{
    m_st.screen.appendList1(QStringLiteral("발권기 수신 오류 : ") + cause);
    DebugTraceLine(m_st, PortDispenser, kTrace + QStringLiteral("< 수신 오류 ") + cause);
}

void DispenserFamily1::TD_ParseFrame(const QString& t)
{
    const QString head = t.left(5);
    if (!TDClockReply.isEmpty() && head == TDClockReply) {
        TDClockReply.clear();
        TDClockAck = true;
        return;
    }
    if (!TDDisplayReply.isEmpty() && head == TDDisplayReply) {
        TDDisplayReply.clear();
        TDDisplayAck = true;
        return;
    }
    if (t.size() == 7) {
        pollReply(t);
        return;
    }
    if (t.size() < 7) return;
    const QString code = t.mid(2, 2);
    if (code == QLatin1String("13"))
        clockReport(t);
    else if (code == QLatin1String("14") && t.size() == 53)
        issueData(t);
    else if (code == QLatin1String("06") && t.size() == 26)
        statusEntry(t);
    else if (code == QLatin1String("15") && t.size() == 27)
        TD_Event(t);
}

void DispenserFamily1::pollReply(const QString& t)
{
    if (t.mid(2, 2) == QLatin1String("00")) TDPollAck = true;
    const quint8 s = byteAt(t, 6);
    if (s & 0x10) {
        send(QStringLiteral("C014"));
        DebugTraceLine(m_st, PortDispenser, kTrace + QStringLiteral("> 발권 데이터 요구 CMD (C014) 송신"));
    } else if (s & 0x20) {
        send(QStringLiteral("C015"));
        DebugTraceLine(m_st, PortDispenser, kTrace + QStringLiteral("> 이벤트 데이터 요구 CMD (C015) 송신"));
    }
}

void DispenserFamily1::clockReport(const QString& t)
{
    const auto two = [&](int pos) { return t.mid(pos - 1, 2); };
    const QString label = QStringLiteral("20") + two(8) + QLatin1Char('-') + two(10) + QLatin1Char('-') + two(12) +
                          QLatin1Char(' ') + two(14) + QLatin1Char(':') + two(16) + QLatin1Char(':') + two(18);
    m_st.screen.setText(QStringLiteral("LblTDTime"), label);

    const QDateTime theirs = dispenserTime(t.mid(7, 12));
    if (!theirs.isValid()) return; // an impossible time is only shown
    const QDateTime local = m_st.clock.now();
    const QDateTime ours(local.date(), local.time(), Qt::UTC);
    const qint64 behind = theirs.secsTo(ours); // 64 bits: a dispenser years off is still set right
    if (ours.toString(QStringLiteral("yyyy-MM-dd HH:mm")) == label.left(label.size() - 3)) return;
    if (behind < 3 && behind >= 0) return;
    if (CTL_TimeSetUp())
        m_st.screen.appendList1(QStringLiteral("TD EVENT : 발행기의 시간이 시스템 시간으로 재설정 되었습니다."));
}

void DispenserFamily1::issueData(const QString& t)
{
    const QString record = t.mid(7, 46);
    ClearDispenserAlarm(m_st);
    if (record.at(22) == QLatin1Char('4')) {
        // A season card read by the dispenser: the gates decide at entrance 1.
        if (!m_st.routines.Season_In) return;
        QString card = QStringLiteral("000000") + record.mid(23, 4);
        qint16 gate = 1;
        m_st.routines.Season_In(m_st, card, gate);
        return;
    }
    RecordEntry(m_st, DispenserFamily::First, {record.mid(23, 4), record.mid(12, 2), record.mid(14, 2)});
}

void DispenserFamily1::statusEntry(const QString& t)
{
    ClearDispenserAlarm(m_st);
    const QString inDate =
        RecordEntry(m_st, DispenserFamily::First, {t.mid(11, 4), t.mid(22, 2), t.mid(24, 2)});
    const quint8 s1 = byteAt(t, 5), s2 = byteAt(t, 6);
    const auto rule = [&](bool set, const QString& what, const QString& lamp) {
        if (!set) return;
        m_st.screen.appendList1(QStringLiteral("TD EVENT : 일시 = ") + inDate + QStringLiteral("내역 = ") + what);
        RaiseDispenserAlarm(m_st, lamp);
    };
    rule(s1 & 0x01, QStringLiteral("발행기 이상발생!"), QStringLiteral("장비정지"));
    rule(s2 & 0x02, QStringLiteral("장비점검중!"), QStringLiteral("장비점검중"));
    rule(s2 & 0x08, QStringLiteral("용지없음!"), QStringLiteral("주차권없음"));
}

void DispenserFamily1::TD_Event(const QString& t)
{
    const QString rec = t.mid(7, 20);
    const auto two = [&](int pos) { return rec.mid(pos - 1, 2); };
    const QString number = rec.mid(1, 5);
    const QString when = QStringLiteral("20") + two(7) + QLatin1Char('-') + two(9) + QLatin1Char('-') + two(11) +
                         QLatin1Char(' ') + two(13) + QLatin1Char(':') + two(15) + QLatin1Char(':') + two(17);
    const QString code = two(19);
    for (const EventKind& e : kEvents) {
        if (code != QLatin1String(e.code)) continue;
        if (e.lamp) RaiseDispenserAlarm(m_st, QString::fromUtf8(e.lamp));
        m_st.screen.appendList1(QStringLiteral("TD EVENT : 번호 = ") + number + QStringLiteral("일시 = ") + when +
                                QStringLiteral("내역 = ") + QString::fromUtf8(e.text));
        return;
    }
}

} // namespace tolvo
