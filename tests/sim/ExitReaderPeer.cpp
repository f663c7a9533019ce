#include "sim/ExitReaderPeer.h"

#include "platform/Cp949.h"

#include <utility>

namespace tolvo::sim {

namespace {
constexpr char STX = '\x02', ETX = '\x03', ENQ = '\x05', ACK = '\x06';
}

QByteArray ExitReaderPeer::Frame(const QString& text)
{
    const QByteArray t = cp949::encode(text);
    char bcc = ETX;
    for (const char c : t) bcc ^= c;
    return STX + t + ETX + bcc;
}

QString ExitReaderPeer::UnpaidCard(const QString& ticketNo, const QString& entry)
{
    return QStringLiteral("0001") + ticketNo + QStringLiteral("1") + entry;
}

QString ExitReaderPeer::PaidCard(const QString& ticketNo, const QString& paid, const QString& exit)
{
    return QStringLiteral("0008") + ticketNo + QStringLiteral("0") + paid + exit;
}

QByteArray ExitReaderPeer::onBytes(const QByteArray& chunk)
{
    QByteArray out;
    for (const char c : chunk) {
        if (std::exchange(m_skipBcc, false)) continue;
        if (c == STX) {
            m_buf.clear();
            m_inFrame = true;
        } else if (c == ETX && m_inFrame) {
            m_inFrame = false;
            const QString text = cp949::decode(m_buf);
            if (text.startsWith(QLatin1String("DSM0"))) {
                messages << text.mid(4);
                continue;
            }
            m_skipBcc = true;
            commands << text;
            m_reply = Frame(replyTo(text));
            out += ACK;
        } else if (m_inFrame) {
            m_buf += c;
        } else if (c == ENQ) {
            out += std::exchange(m_reply, {});
        }
    }
    return out;
}

QString ExitReaderPeer::replyTo(const QString& command) const
{
    // Its clock (yyyymmdd hhnnss), a day code and its allowed minutes.
    if (command == QLatin1String("CTR")) return QStringLiteral("PTR00202601050930000105");
    // "C30" -> "P30", "CG1" -> "PG1", "CTW..." -> "PTW".
    return QStringLiteral("P") + command.mid(1, 2);
}

} // namespace tolvo::sim
