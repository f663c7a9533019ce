#include "gates/SeasonReaders.h"

#include "core/Station.h"
#include "serial/Comm.h"
#include "serial/Trace.h"

#include <array>

namespace tolvo {

namespace {

constexpr quint8 STX = 0x02, ETX = 0x03, ACK = 0x06, RemoconStart = 0xA3;

struct GateInfo {
    int port;
    bool entrance;
    const char* label;   // trace label, 16 characters
    const char* hostTag; // HOST PASS tag
};

constexpr std::array<GateInfo, SeasonGateCount> kGates{{
    {PortSeasonIn1, true, "  정기권입구1: 수신데이터 ", "JI1"},
    {PortSeasonOut1, false, "  정기권출구1: 수신데이터 ", "JO1"},
    {PortSeasonIn2, true, "  정기권입구2: 수신데이터 ", "JI2"},
    {PortSeasonOut2, false, "  정기권출구2: 수신데이터 ", "JO2"},
}};

struct FramedLayout {
    int length;
    int from; // 0-based first character of the card field
    const char* zeros;
};

// By model code; length 0 for the models that are not framed this way.
constexpr std::array<FramedLayout, ReaderModelCount> kLayouts{{
    {8, 2, "0000"},      // ID Tech
    {12, 4, "00"},       // TAG Master
    {0, 0, ""},          // Remocon(T)
    {5, 0, "00000"},     // Remocon(N)
    {0, 0, ""},          // PET_CARD
    {0, 0, ""},          // HOST PASS
    {0, 0, ""},          // FIRSTECH
    {16, 8, "00"},       // CREDIPASS
    {9, 2, "000"},       // 리츠앤A
    {9, 2, "000"},       // 리츠앤B
}};

// The routines that write "Feed Back Test" after a port-test frame, by gate.
bool writesFeedBack(int gate, quint8 model)
{
    switch (model) {
    case ReaderIDTech:
    case ReaderTagMaster: return gate == GateIn1;
    case ReaderCredipass:
    case ReaderDirA:
    case ReaderDirB: return kGates[size_t(gate)].entrance;
    default: return false;
    }
}

QString& bufferOf(Station& st, int gate) { return st.gates.RxBuf[size_t(gate)]; }
bool& inFrameOf(Station& st, int gate) { return st.gates.InFrame[size_t(gate)]; }
bool& overflowedOf(Station& st, int gate) { return st.gates.Overflowed[size_t(gate)]; }
SeasonGateLink& linkOf(Station& st, int gate) { return st.gates.Link[size_t(gate)]; }

void clearGate(Station& st, int gate)
{
    bufferOf(st, gate).clear();
    inFrameOf(st, gate) = false;
}

// A frame start: a new frame, whatever came before.
void startFrame(Station& st, int gate)
{
    bufferOf(st, gate).clear();
    inFrameOf(st, gate) = true;
    overflowedOf(st, gate) = false;
}

// A frame too long for the buffer is dropped whole: what follows it up to its own
// end is ignored, so no tail of it passes for a frame of its own, and a frame
// sent after it without STX is still read.
void overflow(Station& st, int gate)
{
    clearGate(st, gate);
    overflowedOf(st, gate) = true;
}

// One character per byte, up to the cap; false when the buffer is full.
bool appendWithinCap(Station& st, int gate, const QString& chars)
{
    QString& buf = bufferOf(st, gate);
    if (buf.size() + chars.size() > SeasonRxCap) return false;
    buf += chars;
    return true;
}

qint16 gateNumber(int gate) { return qint16(kGates[size_t(gate)].port); }

// Hands the card to a decision on a copy, then refreshes the counters.
void decide(Station& st, bool entry, const QString& card, qint16 gate)
{
    QString c = card;
    qint16 g = gate;
    const auto& routine = entry ? st.routines.Season_In : st.routines.Season_Out;
    if (routine) routine(st, c, g);
    st.screen.refreshTotals();
}

void traceFrame(Station& st, int gate, const QString& frame)
{
    DebugTraceLine(st, kGates[size_t(gate)].port, QString::fromUtf8(kGates[size_t(gate)].label) + frame);
}

void forwardToHost(Station& st, int gate, const QString& frame)
{
    if (st.comm->PortOpen(PortHost))
        st.comm->Output(PortHost, SeasonHostFrame(QString::fromLatin1(kGates[size_t(gate)].hostTag), frame));
}

void framedFrame(Station& st, int gate, quint8 model, const QString& frame)
{
    const GateInfo& info = kGates[size_t(gate)];
    if (model == ReaderHostPass) {
        forwardToHost(st, gate, frame);
        return;
    }
    const auto card = FramedCard(model, frame);
    if (!card) return;
    const QChar dir = frame.at(1);
    if (model == ReaderDirA) {
        if (dir == QLatin1Char('I')) {
            decide(st, true, *card, gateNumber(gate));
        } else {
            // The exit read of a combined reader: the exit buffer of the same lane
            // holds the card, the decision gets the entrance's number.
            bufferOf(st, gate == GateIn1 ? GateOut1 : GateOut2) = *card;
            decide(st, false, *card, gateNumber(gate));
        }
        return;
    }
    if (model == ReaderDirB && dir != QLatin1Char(info.entrance ? 'I' : 'O')) {
        st.screen.refreshTotals();
        return;
    }
    decide(st, info.entrance, *card, gateNumber(gate));
}

// What a complete frame causes: the trace line, then the decision (or the host frame).
void handleFrame(Station& st, int gate, const SeasonFrame& f)
{
    const bool entrance = kGates[size_t(gate)].entrance;
    switch (f.model) {
    case ReaderFirstech:
        traceFrame(st, gate, f.text);
        decide(st, entrance, QStringLiteral("000000") + f.text, gateNumber(gate));
        break;
    case ReaderRemoconT: {
        const int n = f.text.toInt(nullptr, 16);
        decide(st, entrance, QStringLiteral("000000") + QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0')),
               gateNumber(gate));
        break;
    }
    default:
        if (f.model != ReaderRemoconN) traceFrame(st, gate, f.text);
        framedFrame(st, gate, f.model, f.text);
        break;
    }
}

void handleOne(Station& st, int gate, const SeasonFrame& f)
{
    try {
        handleFrame(st, gate, f);
    } catch (...) {
        // The decision reports its own failures; this one costs only its card,
        // and the cards behind it in the read are still decided.
    }
}

// A frame completed while the gate handles another (inside a barrier wait that runs
// events) waits for it, then runs in its turn.
void deliver(Station& st, int gate, SeasonFrame f)
{
    HeldQueue<SeasonFrame>& held = linkOf(st, gate).held;
    held.setHandler([&st, gate](const SeasonFrame& x) { handleOne(st, gate, x); });
    held.offer(std::move(f), true);
}

// Framed models and HOST PASS. False when the rest of the read is dropped.
bool framedByte(Station& st, int gate, quint8 model, quint8 b)
{
    const int port = kGates[size_t(gate)].port;
    if (b == STX) {
        startFrame(st, gate);
        return true;
    }
    if (b == ACK) return true;
    bool& overflowed = overflowedOf(st, gate);
    if (b != ETX) {
        if (!overflowed && !appendWithinCap(st, gate, QString(QChar(b)))) {
            // HOST PASS forwards even an over-long text: its first characters.
            if (model == ReaderHostPass) overflowed = true;
            else overflow(st, gate);
        }
        return true;
    }
    // The end of a frame already dropped: the next one starts here.
    if (overflowed && model != ReaderHostPass) {
        overflowed = false;
        clearGate(st, gate);
        return true;
    }
    overflowed = false;
    // Copied out and cleared first: bytes arriving during the decision start afresh.
    const QString frame = bufferOf(st, gate);
    clearGate(st, gate);
    if (frame == QLatin1String("PORT_TEST")) {
        st.PortTestEcho = true;
        if (writesFeedBack(gate, model)) DebugTraceLine(st, port, QStringLiteral("  Feed Back Test   : PORT_TEST"));
        return false;
    }
    deliver(st, gate, SeasonFrame{model, frame});
    return true;
}

// FIRSTECH: each data byte as its decimal text; a frame is 4 characters.
void firstechByte(Station& st, int gate, quint8 b)
{
    QString& buf = bufferOf(st, gate);
    if (b == STX && !inFrameOf(st, gate)) {
        startFrame(st, gate);
        return;
    }
    if (overflowedOf(st, gate)) return;
    if (b == ETX && buf.size() == 4) {
        const QString digits = buf;
        clearGate(st, gate);
        deliver(st, gate, SeasonFrame{ReaderFirstech, digits});
        return;
    }
    buf += QString::number(b);
    // Past 4 characters no frame can end.
    if (buf.size() > 4) overflow(st, gate);
}

// Remocon(T): A3h starts a code; bytes append as hexadecimal text; 2 to 4
// characters make the number.
void remoconTByte(Station& st, int gate, quint8 b)
{
    if (b == RemoconStart) {
        startFrame(st, gate);
        return;
    }
    if (overflowedOf(st, gate)) return;
    if (!appendWithinCap(st, gate, QString::number(b, 16).toUpper())) {
        overflow(st, gate);
        return;
    }
    const QString& buf = bufferOf(st, gate);
    if (buf.size() < 2 || buf.size() > 4) return;
    const QString code = buf;
    clearGate(st, gate);
    deliver(st, gate, SeasonFrame{ReaderRemoconT, code});
}

// False when the rest of the read is dropped.
bool receiveByte(Station& st, int gate, quint8 model, quint8 b)
{
    switch (model) {
    case ReaderFirstech: firstechByte(st, gate, b); return true;
    case ReaderRemoconT: remoconTByte(st, gate, b); return true;
    default: return framedByte(st, gate, model, b);
    }
}

} // namespace

std::optional<QString> FramedCard(quint8 model, const QString& frame)
{
    if (model >= kLayouts.size() || kLayouts[model].length == 0) return std::nullopt;
    const FramedLayout& l = kLayouts[model];
    if (frame.size() != l.length) return std::nullopt;
    return QString::fromLatin1(l.zeros) + frame.mid(l.from);
}

QByteArray SeasonHostFrame(const QString& tag, const QString& text)
{
    const QByteArray field = (tag + text).left(20).leftJustified(20, QLatin1Char(' ')).toLatin1();
    QByteArray f;
    f += char(STX);
    f += field;
    f += char(ETX);
    f += char(Get_BCC_Bytes(field));
    return f;
}

bool HasSeasonReceive(int gateIndex, quint8 model)
{
    if (gateIndex < 0 || gateIndex >= SeasonGateCount || model >= ReaderModelCount) return false;
    if (model == ReaderPetCard) return false;
    if (model == ReaderDirA) return kGates[size_t(gateIndex)].entrance;
    return true;
}

void SeasonReceive(Station& st, int gateIndex, quint8 model)
{
    if (!st.comm || !HasSeasonReceive(gateIndex, model)) return;
    const QByteArray in = st.comm->Input(kGates[size_t(gateIndex)].port);
    if (in.isEmpty()) return;
    // Run inside a wait of this gate, the call first takes the bytes the outer
    // call has not reached yet: nothing is lost or reordered.
    linkOf(st, gateIndex).read.feed(in, [&](quint8 b) { return receiveByte(st, gateIndex, model, b); });
}

} // namespace tolvo
