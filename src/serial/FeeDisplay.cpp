#include "serial/FeeDisplay.h"

#include "platform/Cp949.h"
#include "serial/Comm.h"
#include "core/Station.h"

namespace tolvo {

namespace {

constexpr char STX = '\x02';
constexpr char ETX = '\x03';
constexpr char ESC = '\x1B';
constexpr char CR = '\x0D';
constexpr char LF = '\x0A';
constexpr int RxCap = 512; // the display's answers are short; keep the buffer bounded

QByteArray ascii(const QString& s) { return cp949::encode(s); }

// STX ESC "{0m" ESC "{1;1H" text ETX: model 0's display text.
QByteArray veldamorText(const QByteArray& text)
{
    QByteArray f;
    f += STX;
    f += ESC;
    f += "{0m";
    f += ESC;
    f += "{1;1H";
    f += text;
    f += ETX;
    return f;
}

// STX text ETX BCCS(text): model 3's frame.
QByteArray plusFrame(const QString& text)
{
    QByteArray f;
    f += STX;
    f += ascii(text);
    f += ETX;
    f += static_cast<char>(Get_BCC_Stx(text));
    return f;
}

// STX "W" cmd ETX: model 4 and model 1's 9600-baud form (with CR LF).
QByteArray wFrame(const QByteArray& body, bool crlf)
{
    QByteArray f;
    f += STX;
    f += 'W';
    f += body;
    f += ETX;
    if (crlf) {
        f += CR;
        f += LF;
    }
    return f;
}

QByteArray stxEtx(const QByteArray& body)
{
    QByteArray f;
    f += STX;
    f += body;
    f += ETX;
    return f;
}

QString zeroFilled(const QString& a) { return QStringLiteral("%1").arg(a.trimmed().toInt(), 6, 10, QLatin1Char('0')); }

bool validModel(quint8 m) { return m <= 4; }

struct Target {
    Comm* comm = nullptr;
    quint8 model = 0;
    bool baud9600 = false;
};

// The fee display when its port is open and its model is known.
bool target(Station& st, Target& t, bool anyModel = false)
{
    if (!st.comm || !st.comm->PortOpen(PortFeeDisp)) return false;
    t.comm = st.comm.get();
    t.model = st.models.FeeDispType;
    t.baud9600 = st.comm->feeDisp.FeeDispBaud == QLatin1String("9600");
    return anyModel || validModel(t.model);
}

void send(const Target& t, const QByteArray& bytes)
{
    if (!bytes.isEmpty()) t.comm->Output(PortFeeDisp, bytes);
}

// On frame, a wait, then the off frame; the off frame is owed to the relay even
// if the ports close during the wait.
void relayPulse(Station& st, const Target& t, const QByteArray& on, const QByteArray& off)
{
    const int pulse = t.comm->beginPulse(PortFeeDisp, off);
    send(t, on);
    Delay_NoEvents(st, 0.5);
    if (st.comm) st.comm->finishPulse(pulse);
}

// The relay of a display whose pulse lets events run: "off" comes from the event
// loop 0.5 s after the last "on", so the caller goes on meanwhile and no device
// handler waits inside it (nor under a dialog opened during the wait). A second
// "on" within the time keeps the relay on; one "off" follows the last. It is
// owed even if the port closes first.
void relayPulseFromLoop(Station& st, const Target& t, const QByteArray& on, const QByteArray& off)
{
    FeeDispState& fd = t.comm->feeDisp;
    if (!t.comm->pulsePending(fd.RelayPulse)) fd.RelayPulse = t.comm->beginPulse(PortFeeDisp, off);
    send(t, on);
    const int request = ++fd.RelayRequests;
    const std::weak_ptr<Comm> weak = st.comm;
    t.comm->waits().callAfter(500, [weak, request] {
        const auto comm = weak.lock();
        if (!comm || comm->feeDisp.RelayRequests != request) return; // a later "on" owns the "off"
        comm->finishPulse(comm->feeDisp.RelayPulse);
    });
}

QByteArray model1GateOpen(bool baud9600)
{
    return baud9600 ? wFrame("R", true) : QByteArrayLiteral("R\r");
}

void gateLine(Station& st, qint16 gate)
{
    st.screen.appendList1(QStringLiteral("차단기작동 :  GATE NUM = ") + QString::number(gate));
}

} // namespace

namespace feedisp {

QString AmountField(qint32 amount)
{
    const QString digits = QString::number(std::max<qint32>(amount, 0));
    return digits.size() > 6 ? QStringLiteral("999999") : digits.rightJustified(6, QLatin1Char(' '));
}

QByteArray BestDisplayFrame(const QByteArray& sixChars)
{
    QByteArray f("\xA0\x01\x11\x07", 4);
    f += sixChars.left(6).leftJustified(6, ' ');
    f += '\x05';
    quint32 sum = 0;
    for (int i = 2; i <= 10; ++i) sum += static_cast<quint8>(f[i]);
    f += static_cast<char>(sum & 0x0F);
    f += '\xB0';
    return f;
}

QByteArray BestRelayFrame(quint8 command)
{
    QByteArray f("\xA0\x01", 2);
    f += static_cast<char>(command);
    f += QByteArray(3, '\0');
    f += '\xB0';
    return f;
}

QByteArray AmountFrame(quint8 model, bool baud9600, qint32 amount)
{
    const QString a = AmountField(amount);
    switch (model) {
    case 0: return veldamorText(ascii(a));
    case 1: return baud9600 ? wFrame("D" + ascii(zeroFilled(a)), true) : "D" + ascii(zeroFilled(a)) + CR;
    case 2: return BestDisplayFrame(ascii(a));
    case 3: return plusFrame(a);
    case 4: return wFrame("D" + ascii(a), false);
    default: return {};
    }
}

QByteArray TimeFrame(quint8 model, bool baud9600, const QString& hhnn)
{
    if (hhnn.size() != 4) return {};
    const QByteArray t = ascii(hhnn);
    const QByteArray shown = " " + t.left(2) + "-" + t.right(2);
    switch (model) {
    case 0: return veldamorText(shown);
    case 1: return baud9600 ? wFrame("T" + t, true) : "T" + t + CR;
    case 2: return BestDisplayFrame(shown);
    case 3: return plusFrame(QStringLiteral("T") + hhnn);
    case 4: return wFrame("T" + t, false);
    default: return {};
    }
}

QByteArray ClearFrame(quint8 model, bool baud9600)
{
    switch (model) {
    case 0: return veldamorText(QByteArray(6, ' '));
    case 1: return baud9600 ? wFrame("E", true) : QByteArrayLiteral("E\r");
    case 2: return BestDisplayFrame(QByteArray(6, ' '));
    case 3: return plusFrame(QStringLiteral("E"));
    case 4: return wFrame("E", false);
    default: return {};
    }
}

QByteArray TimeTextFrame(const QDateTime& now)
{
    return stxEtx("TS" + now.toString(QStringLiteral("yy/MM/dd HH:mm")).toLatin1());
}

} // namespace feedisp

void FeeDisp_Amount(Station& st, qint32 amount)
{
    Target t;
    if (target(st, t)) send(t, feedisp::AmountFrame(t.model, t.baud9600, amount));
}

void FeeDisp_Time(Station& st, const QString& hhnn)
{
    Target t;
    if (hhnn.size() == 4 && target(st, t)) send(t, feedisp::TimeFrame(t.model, t.baud9600, hhnn));
}

void FeeDisp_Clear(Station& st)
{
    Target t;
    if (target(st, t)) send(t, feedisp::ClearFrame(t.model, t.baud9600));
}

void FeeDisp_GateOpen(Station& st)
{
    Target t;
    if (!target(st, t)) return;
    FeeDispState& fd = st.comm->feeDisp;
    switch (t.model) {
    case 0: {
        QByteArray f;
        f += STX;
        f += ESC;
        f += "{5m";
        f += ESC;
        f += "{1;1H-PASS-";
        f += ESC;
        f += "{2m";
        f += ESC;
        f += "$?LR22";
        f += ETX;
        send(t, f);
        fd.GateFlagA = 0;
        fd.GateFlagB = true;
        break;
    }
    case 1:
        send(t, model1GateOpen(t.baud9600));
        fd.GateFlagB = false;
        break;
    case 2:
        relayPulseFromLoop(st, t, feedisp::BestRelayFrame(0x12), feedisp::BestRelayFrame(0x13));
        if (st.comm) st.comm->feeDisp.GateFlagB = false;
        break;
    case 3:
        send(t, plusFrame(QStringLiteral("GON")));
        fd.GateFlagB = false;
        break;
    case 4: {
        const QByteArray off = stxEtx("R20");
        relayPulse(st, t, wFrame("R", false), off);
        Delay_NoEvents(st, 0.1);
        send(t, off);
        Delay_NoEvents(st, 0.1);
        send(t, off);
        fd.GateFlagB = true;
        break;
    }
    default: break;
    }
}

void Gate_Pulse(Station& st, qint16 gate)
{
    Target t;
    if (!target(st, t)) return;
    switch (t.model) {
    case 0:
        if (gate == 0) send(t, stxEtx(QByteArray(1, ESC) + "$?LR12"));
        if (gate == 1) send(t, stxEtx(QByteArray(1, ESC) + "$?LR22"));
        gateLine(st, gate);
        break;
    case 1:
        if (gate == 0) send(t, model1GateOpen(t.baud9600));
        break;
    case 2:
        if (gate == 0) relayPulseFromLoop(st, t, feedisp::BestRelayFrame(0x12), feedisp::BestRelayFrame(0x13));
        break;
    case 3:
        if (gate == 0) send(t, plusFrame(QStringLiteral("GON")));
        break;
    case 4: {
        gateLine(st, gate);
        const QByteArray n = QByteArray::number(gate + 1);
        const QByteArray off = stxEtx("R" + n + "0");
        relayPulse(st, t, stxEtx("R" + n + "1"), off);
        Delay_NoEvents(st, 0.1);
        send(t, off);
        Delay_NoEvents(st, 0.1);
        send(t, off);
        break;
    }
    default: break;
    }
}

void FeeDisp_Status(Station& st)
{
    Target t;
    if (target(st, t) && t.model == 4) send(t, wFrame("S", false));
}

void Disp_TimeText(Station& st)
{
    Target t;
    if (target(st, t, true)) send(t, feedisp::TimeTextFrame(st.clock.now()));
}

void FeeDisp_Receive(Station& st)
{
    if (!st.comm) return;
    const QByteArray in = st.comm->Input(PortFeeDisp);
    QByteArray& buf = st.comm->feeDisp.RxBuf;
    for (const char c : in) {
        switch (c) {
        case STX: buf.clear(); break;
        case ETX:
            CheckPortTestEcho(st, buf);
            DebugTraceLine(st, PortFeeDisp, QStringLiteral("  < 요금표시기 ") + cp949::decode(buf) + QStringLiteral(" 수신"));
            buf.clear();
            break;
        case CR:
        case LF: break;
        default:
            buf += c;
            if (buf.size() > RxCap) buf.remove(0, buf.size() - RxCap);
        }
    }
}

} // namespace tolvo
