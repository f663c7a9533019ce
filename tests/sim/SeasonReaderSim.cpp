#include "sim/SeasonReaderSim.h"

namespace tolvo::sim {

namespace {

QByteArray framed(const QByteArray& text)
{
    char bcc = 0x03;
    for (const char c : text) bcc = char(bcc ^ c);
    return QByteArray(1, '\x02') + text + '\x03' + bcc;
}

QByteArray remoconT(int n)
{
    QByteArray f(1, char(0xA3));
    if (n >= 16 && n <= 255) return f + char(n);
    if (n >= 0 && n < 16) return f + '\0' + char(n);
    if (n > 255 && n <= 4095 && (n & 0xFF) >= 16) return f + char(n >> 8) + char(n & 0xFF);
    return {};
}

} // namespace

QByteArray SeasonReaderSim::CardFrame(quint8 model, const QByteArray& digits, char direction)
{
    switch (model) {
    case 0:
    case 5: return digits.size() == 6 ? framed("XY" + digits) : QByteArray();
    case 1: return digits.size() == 8 ? framed("TAG0" + digits) : QByteArray();
    case 2: return remoconT(digits.toInt());
    case 3: return digits.size() == 5 ? QByteArray(1, '\x02') + digits + '\x03' : QByteArray();
    case 6: {
        if (digits.size() != 4) return {};
        QByteArray f(1, '\x02');
        for (const char d : digits) f += char(d - '0');
        return f + '\x03';
    }
    case 7: return digits.size() == 8 ? framed("CP000000" + digits) : QByteArray();
    case 8:
    case 9: return digits.size() == 7 ? framed(QByteArray("z") + direction + digits) : QByteArray();
    default: return {}; // PET_CARD cards are read by the dispenser and the ticket reader
    }
}

} // namespace tolvo::sim
