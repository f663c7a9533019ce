#include "gates/Barrier.h"

#include "core/Station.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "serial/Trace.h"

namespace tolvo {

namespace {

enum class Dir { In, Out };

enum Code : quint8 { CodeRelayOrOwn = 0, CodeDtr = 1, CodeRts = 2, CodePlus = 3, CodeDispenser = 4 };
enum Model : quint8 { TagMaster = 1, RemoconT = 2, RemoconN = 3, PetCard = 4, Credipass = 7, DirA = 8, DirB = 9 };

constexpr double kLinePulseSeconds = 0.5;

QString traceText(Dir d, const char* means)
{
    return (d == Dir::In ? QStringLiteral(" 입구차단기 : ") : QStringLiteral(" 출구차단기 : ")) + QString::fromUtf8(means)
        + QLatin1Char(' ');
}

// Fee-display relay of a gate: 0 entrance 1, 1 exit 1, 2 entrance 2, 3 exit 2.
qint16 relayOf(Dir d, qint16 gate)
{
    if (d == Dir::In) return gate == 1 ? 0 : 2;
    return (gate == 1 || gate == 2) ? 1 : 3;
}

QString feeRelay(Station& st, Dir d, qint16 gate)
{
    Gate_Pulse(st, relayOf(d, gate));
    return traceText(d, "요금표시기에서 OPEN");
}

QString ownController(Station& st, Dir d, qint16 gate, int port, quint8 model)
{
    Comm& c = *st.comm;
    switch (model) {
    case TagMaster:
        c.Output(gate, QByteArray(1, '\x06')); // addressed by the gate, not the control port
        return {};
    case RemoconT:
        c.Output(port, QByteArray(1, '\xB1'));
        return traceText(d, "(REMOCON_T) 자체 CONTROLLER에서 OPEN");
    case RemoconN:
        c.Output(port, QByteArrayLiteral("Y"));
        return traceText(d, "(REMOCON_N) 자체 CONTROLLER에서 OPEN");
    case Credipass:
        c.Output(port, QByteArrayLiteral("\x02\xF3\x0D"));
        return traceText(d, "(CREDIPASS) 자체 CONTROLLER에서 OPEN");
    case DirA:
    case DirB:
        c.Output(port, d == Dir::In ? QByteArrayLiteral("1I") : QByteArrayLiteral("1O"));
        return traceText(d, model == DirA ? "(리츠앤A) 자체 CONTROLLER에서 OPEN" : "(리츠앤B) 자체 CONTROLLER에서 OPEN");
    default: return {}; // ID Tech, PET_CARD, HOST PASS, FIRSTECH have no controller command
    }
}

void linePulse(Station& st, int port, bool dtr)
{
    const auto set = [&](bool on) {
        if (!st.comm) return;
        if (dtr) st.comm->SetDTR(port, on);
        else st.comm->SetRTS(port, on);
    };
    set(true);
    Delay_NoEvents(st, kLinePulseSeconds);
    set(false);
}

QString dispenser(Station& st, DispenserPair& pair)
{
    if (!st.comm->PortOpen(PortDispenser)) return {};
    switch (st.models.DispenserType) {
    case 0:
        st.comm->Output(PortDispenser, TD_Frame(st.models.DispenserUnitNo + QStringLiteral("12")));
        return traceText(Dir::In, "바코드발행기 에서 OPEN");
    case 1:
    case 2:
        pair.request();
        return traceText(Dir::In, "M/S발행기 에서 OPEN");
    default: return {};
    }
}

// Sends by the gate-control code; the trace text of what was sent, empty when nothing.
QString act(Station& st, DispenserPair& pair, Dir d, qint16 gate, const GateControl& ctl, quint8 model)
{
    switch (ctl.code) {
    case CodeRelayOrOwn:
        return ctl.port == PortFeeDisp ? feeRelay(st, d, gate) : ownController(st, d, gate, ctl.port, model);
    case CodeDtr:
        linePulse(st, ctl.port, true);
        return traceText(d, "(DTR) 신호에서 OPEN");
    case CodeRts:
        linePulse(st, ctl.port, false);
        return traceText(d, "(RTS) 신호에서 OPEN");
    case CodePlus:
        st.comm->Output(ctl.port, d == Dir::In ? QByteArrayLiteral("\x02I\x03") : QByteArrayLiteral("\x02O\x03"));
        return traceText(d, "(PLUS TYPE) 에서 OPEN");
    case CodeDispenser: return d == Dir::In ? dispenser(st, pair) : QString();
    default: return {};
    }
}

void trace(Station& st, const QString& text)
{
    if (!text.isEmpty()) DebugTraceLineAny(st, text);
}

} // namespace

// ---- the dispenser's output ports ----

DispenserPair::DispenserPair(Station& st) : m_st(st)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(OffDelayMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { off(); });
}

QByteArray DispenserPair::OnFrame() { return TD_Frame(QStringLiteral("C00200000001")); }
QByteArray DispenserPair::OffFrame() { return TD_Frame(QStringLiteral("C00200000000")); }

bool DispenserPair::offPending() const
{
    return m_pulse != 0 && m_st.comm && m_st.comm.get() == m_comm && m_st.comm->pulsePending(m_pulse);
}

void DispenserPair::request()
{
    if (!m_st.comm) return;
    m_st.comm->Output(PortDispenser, OnFrame());
    if (!offPending()) {
        m_comm = m_st.comm.get();
        m_pulse = m_st.comm->beginPulse(PortDispenser, OffFrame());
    }
    m_timer.start();
}

void DispenserPair::off()
{
    if (offPending()) m_st.comm->finishPulse(m_pulse);
    m_pulse = 0;
    m_comm = nullptr;
}

// ---- opening and refusal ----

void Barriers::OpenIn(Station& st, qint16 gate)
{
    const bool first = gate == 1;
    const auto ctl = st.gates.Control[first ? GateIn1 : GateIn2];
    const quint8 model = first ? st.models.SeasonIn1Type : st.models.SeasonIn2Type;
    if (!ctl || !st.comm || !st.comm->PortOpen(ctl->port)) return;
    // Season cards of this entrance are read by the ticket dispenser, which opens it.
    if (model == PetCard) return;
    trace(st, act(st, m_pair, Dir::In, gate, *ctl, model));
}

void Barriers::OpenOut(Station& st, qint16 gate)
{
    if (!st.comm) return;
    if (gate == 1 || gate == 3) {
        // The exit direction of a combined reader on an entrance port.
        const bool first = gate == 1;
        const quint8 model = first ? st.models.SeasonIn1Type : st.models.SeasonIn2Type;
        const auto ctl = st.gates.Control[first ? GateIn1 : GateIn2];
        if ((model != DirA && model != DirB) || !ctl) return;
        if (ctl->code == CodeRelayOrOwn && ctl->port == PortFeeDisp) {
            trace(st, feeRelay(st, Dir::Out, gate));
            return;
        }
        if (!st.comm->PortOpen(ctl->port)) return;
        trace(st, act(st, m_pair, Dir::Out, gate, *ctl, model));
        return;
    }
    const bool first = gate == 2;
    const auto ctl = st.gates.Control[first ? GateOut1 : GateOut2];
    const quint8 model = first ? st.models.SeasonOut1Type : st.models.SeasonOut2Type;
    if (!ctl || !st.comm->PortOpen(ctl->port)) return;
    trace(st, act(st, m_pair, Dir::Out, gate, *ctl, model));
}

void Barriers::Refuse(Station& st, qint16 gate)
{
    const DeviceModels& m = st.models;
    quint8 model = 0;
    switch (gate) {
    case 1: model = m.SeasonIn1Type; break;
    case 2: model = m.SeasonOut1Type; break;
    case 3: model = m.SeasonIn2Type; break;
    case 5: model = m.SeasonOut2Type; break;
    default: return;
    }
    // Only to an open port (Output writes nothing to a closed one).
    if (model == RemoconN && st.comm) st.comm->Output(gate, QByteArrayLiteral("N"));
}

} // namespace tolvo
