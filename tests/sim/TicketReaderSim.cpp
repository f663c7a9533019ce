#include "sim/TicketReaderSim.h"

#include "platform/Cp949.h"

#include <QDate>
#include <QFile>
#include <QSaveFile>

namespace tolvo::sim {

namespace {
constexpr char STX = '\x02';
constexpr char ETX = '\x03';
constexpr char ENQ = '\x05';
constexpr char ACK = '\x06';
} // namespace

int NextTicketNumber(const QString& file, const QDate& today)
{
    const QString day = today.toString(Qt::ISODate);
    int last = 1000;
    QFile in(file);
    if (in.open(QIODevice::ReadOnly)) {
        const QStringList kept = QString::fromLatin1(in.readLine(64)).simplified().split(QLatin1Char(' '));
        bool ok = false;
        const int n = kept.value(1).toInt(&ok);
        if (kept.value(0) == day && ok && n >= 1000) last = n;
    }
    const int next = last + 1;
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(QStringLiteral("%1 %2\n").arg(day).arg(next).toLatin1());
        out.commit();
    }
    return next;
}

QByteArray TicketReaderSim::Frame(const QString& text)
{
    const QByteArray t = cp949::encode(text);
    char bcc = 0;
    for (const char c : t) bcc ^= c;
    return QByteArray(1, STX) + t + QByteArray(1, ETX) + QByteArray(1, char(bcc ^ ETX));
}

QString TicketReaderSim::PaperCard(const QString& ticketNo, const QString& stamp)
{
    return QStringLiteral("0001") + ticketNo + QStringLiteral("1") + stamp;
}

QString TicketReaderSim::RecycledCard(const QString& row, const QString& ticketNo, const QString& stamp)
{
    return row + PaperCard(ticketNo, stamp);
}

void TicketReaderSim::insert(const QString& cardData)
{
    card = cardData;
    inSlot = true;
}

QByteArray TicketReaderSim::readReplyFrame(const QString& code) const
{
    return Frame(code + QStringLiteral("00") + card);
}

QByteArray TicketReaderSim::onBytes(const QByteArray& chunk)
{
    QByteArray out;
    for (const char c : chunk) {
        if (m_skipBcc) {
            m_skipBcc = false;
            continue;
        }
        if (c == STX) {
            m_buf.clear();
            m_inFrame = true;
        } else if (c == ETX && m_inFrame) {
            m_inFrame = false;
            m_skipBcc = true;
            const QString command = cp949::decode(m_buf);
            commands << command;
            if (silent) continue;
            m_reply = Frame(replyTo(command));
            out += ACK;
        } else if (c == ENQ && !m_inFrame) {
            if (!m_reply.isEmpty()) out += m_reply;
            m_reply.clear();
        } else if (m_inFrame) {
            m_buf += c;
        }
    }
    return out;
}

QString TicketReaderSim::replyTo(const QString& command)
{
    const QString code = command.left(3);
    const QString answered = code.mid(1, 2);
    if (code == failCommand) return QStringLiteral("N") + answered;
    if (code == QLatin1String("C60") || code == QLatin1String("C61")) {
        if (!inSlot) return QStringLiteral("N") + answered;
        return QStringLiteral("P") + answered + QStringLiteral("00") + card;
    }
    if (code == QLatin1String("C70")) card = command.mid(3);
    else if (code == QLatin1String("C90") || code == QLatin1String("C96")) printed << command.mid(3);
    else if (code == QLatin1String("C30")) inSlot = false;
    else if (code == QLatin1String("C81")) card.clear();
    return QStringLiteral("P") + answered;
}

} // namespace tolvo::sim
