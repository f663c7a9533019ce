#include "host/HostFrames.h"

#include "platform/Cp949.h"

#include <array>

namespace tolvo {

ByteRole ClassifyHostByte(quint8 byte)
{
    switch (byte) {
    case 0x02: return ByteRole::Start;
    case 0x03: return ByteRole::End;
    case 0x05:
    case 0x10: return ByteRole::Control;
    default: return ByteRole::Data;
    }
}

QString RxBytesToText(const QByteArray& bytes)
{
    static const QChar replacement(0xFFFD);
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            text += QChar(b);
            continue;
        }
        if (i + 1 >= bytes.size()) {
            text += replacement; // a lead byte with no trail byte stored
            break;
        }
        const QString pair = cp949::decode(bytes.mid(i, 2));
        text += pair.size() == 1 ? pair : QString(replacement);
        ++i;
    }
    return text;
}

namespace {

struct AckForm {
    int length;
    const char* name;
    int keyPos;   // 1-based
    int keyLength;
    HostKind kind;
    bool traceOnMismatch;
};

// Where two forms share a length they are tried in this order.
constexpr std::array<AckForm, 8> kAckForms{{
    {17, "TD_ACK", 8, 10, HostTD, true},
    {19, "OUT_ACK", 9, 11, HostOUT, false},
    {20, "PAMT_ACK", 9, 12, HostPAMT, true},
    {20, "DISC_ACK", 9, 12, HostDISC, true},
    {21, "TIME_ACK", 10, 12, HostTIME, true},
    {22, "DISC_ACK", 10, 12, HostDISC, true},
    {25, "PKTIME_ACK", 12, 14, HostPKTIME, true},
    {25, "CANCEL_ACK", 12, 14, HostCANCEL, true},
}};

} // namespace

std::optional<AckMatch> MatchAck(const QString& text, const QString& awaitedKey)
{
    for (const AckForm& f : kAckForms) {
        if (text.size() != f.length || !text.startsWith(QLatin1String(f.name))) continue;
        const bool matches = text.mid(f.keyPos - 1, f.keyLength) == awaitedKey;
        return AckMatch{f.kind, matches, matches || f.traceOnMismatch};
    }
    return std::nullopt;
}

std::optional<QDateTime> ClockFrameTime(const QString& text)
{
    if (text.size() != 23) return std::nullopt;
    const QString digits = text.mid(9);
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    const auto num = [&](int pos, int width) { return digits.mid(pos, width).toInt(); };
    const int year = num(0, 4);
    if (year < 2000 || year > 2099) return std::nullopt;
    const QDate date(year, num(4, 2), num(6, 2));
    const QTime time(num(8, 2), num(10, 2), num(12, 2));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}

} // namespace tolvo
