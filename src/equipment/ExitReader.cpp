#include "equipment/ExitReader.h"

#include "core/Station.h"
#include "platform/Cp949.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

namespace tolvo {

namespace {

constexpr quint8 STX = 0x02, ETX = 0x03, ENQ = 0x05, ACK = 0x06, NAK = 0x15;
// The longest reply is a season card's 36 characters.
constexpr int kFrameCap = 256;

struct CodeMessage {
    const char* codes;  // codes separated by blanks
    const char* text;
};
const CodeMessage kMessages[] = {
    {"PTW", "출구판독기 : 시간및 출차허용 시간이 재설정 되었습니다."},
    {"PAW", "출구판독기 : 출차허용 시간이 재설정 되었습니다."},
    {"PTR", "출구판독기 : 시간및 출차허용 시간을 확인합니다."},
    {"PG1", "출구판독기 : 1번 RELAY를 ON/OFF (1초)"},
    {"PG2", "출구판독기 : 2번 RELAY를 ON/OFF (1초)"},
    {"PG3", "출구판독기 : 3번 RELAY를 ON/OFF (0.5초)"},
    {"POK", "출구판독기 : 정상출차 되었습니다."},
    {"PEA", "출구판독기 : 미정산차량이 출차를 시도합니다."},
    {"PET", "출구판독기 : 허용시간 초과차량이 출차를 시도합니다."},
    {"PER", "출구판독기 : 카드정보를 읽을수 없습니다."},
    {"PEJ", "출구판독기 : 장비가 걸림(JAM)에 의하여 작동불가"},
    {"P00 P01", "출구판독기가 초기화 되었습니다."},
    {"N00 N01", "출구판독기 초기화 명령 실패"},
    {"N10 N11", "출구판독기 상태 명령 실패"},
    {"N20 N21", "출구판독기 ENTRY 명령 실패"},
    {"N30", "출구판독기 EJECT 명령 실패"},
    {"N40 N41 N42 N43 N44", "출구판독기 RETRY 명령 실패"},
    {"N60 N61", "출구판독기 READ 명령 실패"},
    {"N70", "출구판독기 WRITE 명령 실패"},
    {"N90 N91", "출구판독기 PRINT 명령 실패"},
    {"NH0 NH1", "출구판독기 HEATING 명령 실패"},
};

struct Outcome {
    const char* message;
    const char* indication; // to the fee display
};
// By ExitVerdict.
const Outcome kOutcomes[] = {
    {"출구판독기 : 카드정보를 읽을수 없습니다.", "SW2L"},
    {"출구판독기 : 미정산차량이 출차를 시도합니다.", "SW3L"},
    {"출구판독기 : 출차시간 초과차량입니다.", "SW4L"},
    {"출구판독기 : 정상출차 되었습니다.", "SW5L"},
};

constexpr double kGateDelay = 0.7;
const QString kStampFormat = QStringLiteral("yyyyMMddHHmm");

// A ticket put in: judging it sends a command and waits, so a ticket that comes
// while another is judged waits for it. Every other frame (replies, the reader's
// event reports) is handled at once; one starting with "P" ends a command's wait.
bool isTicket(const QByteArray& frame)
{
    const QByteArray code = frame.left(3);
    return code == "P60" || code == "P61";
}

bool allDigits(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

QString PaymentStamp(const QString& mmddhhnn, const QDateTime& now)
{
    if (mmddhhnn.size() != 8 || !allDigits(mmddhhnn)) return {};
    int year = now.date().year();
    // A stamp beyond tomorrow cannot be this year's payment.
    if (QString::number(year) + mmddhhnn > now.addDays(1).toString(kStampFormat)) --year;
    const QDate date(year, mmddhhnn.mid(0, 2).toInt(), mmddhhnn.mid(2, 2).toInt());
    const QTime time(mmddhhnn.mid(4, 2).toInt(), mmddhhnn.mid(6, 2).toInt());
    if (!date.isValid() || !time.isValid()) return {};
    return QString::number(year) + mmddhhnn;
}

ExitVerdict JudgeExitTicket(const QString& reply, const QDateTime& now, int allowedMinutes)
{
    if (reply.size() == 24) return ExitVerdict::Unpaid;
    if (reply.size() != 34) return ExitVerdict::Unreadable;
    // Characters 17-24: the payment time the exit write put on the ticket.
    const QString paid = PaymentStamp(reply.mid(16, 8), now);
    if (paid.isEmpty()) return ExitVerdict::Unreadable;
    const QString limit = now.addSecs(-60 * qint64(allowedMinutes)).toString(kStampFormat);
    return paid >= limit ? ExitVerdict::Valid : ExitVerdict::TooLate;
}

QString ExitReaderMessage(const QString& code)
{
    if (code.size() != 3) return {};
    for (const CodeMessage& m : kMessages)
        if (QString::fromLatin1(m.codes).split(QLatin1Char(' ')).contains(code)) return QString::fromUtf8(m.text);
    return {};
}

ExitReaderLink::ExitReaderLink(Station& st) : m_st(st), m_framer(ByteFramer::Options{kFrameCap, false, 0})
{
    m_framer.classify = [this](quint8 b) { return classify(b); };
    m_framer.onControl = [this](quint8 b) { onControl(b); };
    m_framer.onFrame = [this](const QByteArray& frame, const QByteArray&) { onFrame(frame); };
    // A ticket handled waits for the reader: the next one waits its turn.
    m_framer.holdWhileBusy = isTicket;
    m_framer.onError = [this](const QByteArray&, const QString& cause) {
        m_st.screen.appendList1(QStringLiteral("출구판독기 수신 오류 : ") + cause);
    };
    m_framer.onOverflow = [this](qsizetype n) {
        m_st.screen.appendList1(QStringLiteral("출구판독기 수신 오류 : 수신 프레임이 너무 깁니다 (%1 바이트)").arg(n));
    };
}

// ---- senders ----

bool ExitReaderLink::portOpen(int port) const { return m_st.comm && m_st.comm->PortOpen(port); }

bool ExitReaderLink::send(const QString& command)
{
    if (!portOpen(PortCalc)) return false;
    OutRdResult = false;
    m_st.comm->Output(PortCalc, TD_Frame(command));
    WaitUntil(m_st, [this] { return OutRdResult; }, 1.0, PortCalc);
    return OutRdResult;
}

bool ExitReaderLink::OutRd_CG(quint8 relay) { return send(QStringLiteral("CG") + QString::number(relay % 10)); }

bool ExitReaderLink::OutRd_CTW(const QString& dateTime, const QString& minutes)
{
    return send(QStringLiteral("CTW") + dateTime + minutes);
}

bool ExitReaderLink::OutRd_CAW(const QString& minutes) { return send(QStringLiteral("CAW") + minutes); }
bool ExitReaderLink::OutRd_CTR() { return send(QStringLiteral("CTR")); }
bool ExitReaderLink::OutRd_Eject() { return send(QStringLiteral("C30")); }
bool ExitReaderLink::OutRd_C31() { return send(QStringLiteral("C31")); }

void ExitReaderLink::Disp_Message(const QString& text)
{
    if (text.isEmpty() || !portOpen(PortCalc)) return;
    m_st.comm->Output(PortCalc, QByteArray(1, char(STX)) + cp949::encode(QStringLiteral("DSM0") + text) +
                                    QByteArray(1, char(ETX)));
}

// ---- receiving ----

void ExitReaderLink::OutRd_Receive()
{
    if (m_st.comm) feed(m_st.comm->Input(PortCalc));
}

void ExitReaderLink::feed(const QByteArray& bytes) { m_framer.feed(bytes); }

void ExitReaderLink::reset()
{
    m_framer.reset();
    m_checkNext = false;
}

ByteRole ExitReaderLink::classify(quint8 byte)
{
    // Exactly one block check follows ETX, whatever its value; it is not read.
    if (std::exchange(m_checkNext, false)) {
        m_skipByte = true;
        return ByteRole::Control;
    }
    switch (byte) {
    case STX: return ByteRole::Start;
    case ETX:
        m_checkNext = m_framer.inFrame();
        return ByteRole::End;
    case ENQ:
    case ACK:
    case NAK: return ByteRole::Control;
    default: return ByteRole::Data;
    }
}

void ExitReaderLink::onControl(quint8 byte)
{
    if (std::exchange(m_skipByte, false)) return;
    if (byte == ACK && m_st.comm) m_st.comm->Output(PortCalc, QByteArray(1, char(ENQ)));
}

void ExitReaderLink::onFrame(const QByteArray& frame)
{
    if (CheckPortTestEcho(m_st, frame)) {
        reset(); // the rest of this read goes with the test
        return;
    }
    OutRd_ParseFrame(cp949::decode(frame));
}

void ExitReaderLink::OutRd_ParseFrame(const QString& reply)
{
    OutRdResult = reply.startsWith(QLatin1Char('P'));
    const QString code = reply.left(3);
    if (code == QLatin1String("P60") || code == QLatin1String("P61")) {
        paidTicketCheck(reply);
        return;
    }
    if (code == QLatin1String("PTR")) OutRdReply = reply;
    const QString message = ExitReaderMessage(code);
    if (!message.isEmpty()) m_st.screen.appendList1(message);
}

void ExitReaderLink::paidTicketCheck(const QString& reply)
{
    const ExitVerdict verdict = JudgeExitTicket(reply, m_st.clock.now(), m_st.settings.MsgLevel);
    const Outcome& o = kOutcomes[int(verdict)];
    if (verdict == ExitVerdict::Valid) OutRd_C31();
    else OutRd_Eject();
    m_st.screen.appendList1(QString::fromUtf8(o.message));
    if (!portOpen(PortFeeDisp)) return;
    outcome(o.indication);
    if (verdict == ExitVerdict::Valid) pulseWhenDue();
}

// Waiting out the delay inside the ticket's handling would hold every ticket
// behind it for as long; the pulse comes from the event loop instead.
void ExitReaderLink::pulseWhenDue()
{
    const std::weak_ptr<int> alive = m_alive;
    m_st.comm->waits().callAfter(std::llround(kGateDelay * 1000.0), [this, alive] {
        if (alive.lock()) pulseDue();
    });
}

void ExitReaderLink::pulseDue()
{
    ++m_pulsesDue;
    if (m_pulsing) return; // the pulse running now takes this one after it
    m_pulsing = true;
    while (m_pulsesDue > 0) {
        --m_pulsesDue;
        try {
            Gate_Pulse(m_st, 1);
        } catch (const std::exception& e) {
            m_st.screen.appendList1(QStringLiteral("출구판독기 수신 오류 : ") + QString::fromUtf8(e.what()));
        }
    }
    m_pulsing = false;
}

void ExitReaderLink::outcome(const char* indication)
{
    m_st.comm->Output(PortFeeDisp, QByteArray(1, char(STX)) + indication + QByteArray(1, char(ETX)));
}

std::shared_ptr<ExitReaderLink> AttachExitReader(Station& st)
{
    auto link = std::make_shared<ExitReaderLink>(st);
    st.routines.OutRd_Receive = [link](Station&) { link->OutRd_Receive(); };
    if (st.comm) {
        std::weak_ptr<ExitReaderLink> weak = link;
        st.comm->addRxReset([weak] {
            if (const auto l = weak.lock()) l->reset();
        });
    }
    return link;
}

} // namespace tolvo
