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

void clearGate(Station& st, int gate)
{
    bufferOf(st, gate).clear();
    inFrameOf(st, gate) = false;
}

// One character per byte; a buffer past its cap starts over.
void append(Station& st, int gate, const QString& chars)
{
    QString& buf = bufferOf(st, gate);
    buf += chars;
    if (buf.size() > SeasonRxCap) clearGate(st, gate);
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

void receiveFramed(Station& st, int gate, quint8 model, const QByteArray& in)
{
    const int port = kGates[size_t(gate)].port;
    for (const char ch : in) {
        const quint8 b = quint8(ch);
        if (b == STX) {
            bufferOf(st, gate).clear();
            inFrameOf(st, gate) = true;
        } else if (b == ACK) {
            continue;
        } else if (b != ETX) {
            append(st, gate, QString(QChar(b)));
        } else {
            // Copied out and cleared first: bytes arriving during the decision start afresh.
            const QString frame = bufferOf(st, gate);
            clearGate(st, gate);
            if (frame == QLatin1String("PORT_TEST")) {
                st.PortTestEcho = true;
                if (writesFeedBack(gate, model)) DebugTraceLine(st, port, QStringLiteral("  Feed Back Test   : PORT_TEST"));
                return; // the rest of this read is dropped
            }
            if (model != ReaderRemoconN) traceFrame(st, gate, frame);
            framedFrame(st, gate, model, frame);
        }
    }
}

// FIRSTECH: each data byte as its decimal text; a frame is 4 characters.
void receiveFirstech(Station& st, int gate, const QByteArray& in)
{
    for (const char ch : in) {
        const quint8 b = quint8(ch);
        QString& buf = bufferOf(st, gate);
        if (b == STX && !inFrameOf(st, gate)) {
            buf.clear();
            inFrameOf(st, gate) = true;
        } else if (b == ETX && buf.size() == 4) {
            traceFrame(st, gate, buf);
            const QString card = QStringLiteral("000000") + buf;
            clearGate(st, gate);
            decide(st, kGates[size_t(gate)].entrance, card, gateNumber(gate));
        } else {
            buf += QString::number(b);
            // Past 4 characters no frame can end: start clean at the next STX.
            if (buf.size() > 4) clearGate(st, gate);
        }
    }
}

// Remocon(T): A3h starts a code; bytes append as hexadecimal text; 2 to 4
// characters make the number.
void receiveRemoconT(Station& st, int gate, const QByteArray& in)
{
    for (const char ch : in) {
        const quint8 b = quint8(ch);
        if (b == RemoconStart) {
            bufferOf(st, gate).clear();
            inFrameOf(st, gate) = true;
            continue;
        }
        append(st, gate, QString::number(b, 16).toUpper());
        const QString& buf = bufferOf(st, gate);
        if (buf.size() < 2 || buf.size() > 4) continue;
        const int n = buf.toInt(nullptr, 16);
        const QString card = QStringLiteral("000000") + QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
        clearGate(st, gate);
        decide(st, kGates[size_t(gate)].entrance, card, gateNumber(gate));
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
    switch (model) {
    case ReaderFirstech: receiveFirstech(st, gateIndex, in); break;
    case ReaderRemoconT: receiveRemoconT(st, gateIndex, in); break;
    default: receiveFramed(st, gateIndex, model, in); break;
    }
}

} // namespace tolvo
