#include "sim/HostPeer.h"

#include "platform/Cp949.h"
#include "serial/Comm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace tolvo::sim {

namespace {

// The frames the station sends without a block check: the search request and the port test.
bool HasNoBlockCheck(const QByteArray& data)
{
    return data == "PORT_TEST" || data.startsWith("CAR_SEARCH") || data.startsWith("TAG_SEARCH");
}

QString Field(const QString& text, int width) { return text.left(width).leftJustified(width, QLatin1Char(' ')); }

} // namespace

HostPeer::HostPeer()
{
    m_dev.replier = [this](const QByteArray& chunk) {
        take(chunk);
        return QByteArray();
    };
}

void HostPeer::sendFrame(const QString& text) { m_dev.send(TD_Frame(text)); }

void HostPeer::sendClock(const QDateTime& t)
{
    sendFrame(QStringLiteral("TIME_SET_") + t.toString(QStringLiteral("yyyyMMddHHmmss")));
}

bool HostPeer::waitForFrames(int n, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (frames.size() < n && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return frames.size() >= n;
}

QString HostPeer::AckFor(const QString& recordText)
{
    static const std::pair<const char*, const char*> words[] = {
        {"PKTIME", "PKTIME_ACK "}, {"CANCEL", "CANCEL_ACK "}, {"DISC", "DISC_ACK"}, {"TIME", "TIME_ACK "},
        {"PAMT", "PAMT_ACK"},     {"OUT", "OUT_ACK "},       {"TD", "TD_ACK "},
    };
    const QString key = recordText.section(QLatin1Char(' '), 0, 0);
    for (const auto& [code, word] : words)
        if (key.startsWith(QLatin1String(code)) && key.size() == int(qstrlen(code)) + 8)
            return QLatin1String(word) + key;
    return {};
}

QString HostPeer::VerdictFor(const QString& forwarded, const QDateTime& at, const QMap<QString, QString>& status)
{
    static const QStringList tags = {"JI1", "JO1", "JI2", "JO2"};
    if (forwarded.size() != 20 || !tags.contains(forwarded.left(3))) return {};
    const bool entry = forwarded.startsWith(QLatin1String("JI"));
    const QString card = forwarded.mid(3).trimmed().right(10).rightJustified(10, QLatin1Char('0'));
    const QString date = at.toString(QStringLiteral("yyyy-MM-dd"));
    const QString time = at.toString(QStringLiteral("HH:mm"));
    const QString passed = status.value(card, entry ? QStringLiteral("정상입차") : QStringLiteral("정상출차"));
    return Field(entry ? date : QString(), 10) + Field(entry ? time : QString(), 5) +
           Field(entry ? QString() : date, 10) + Field(entry ? QString() : time, 5) + Field(passed, 8) + card +
           Field(QString(), 13) + Field(QString(), 12) + QStringLiteral("2099-12-31") +
           (entry ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char(' ');
}

void HostPeer::take(const QByteArray& chunk)
{
    for (const char byte : chunk) takeByte(byte);
}

void HostPeer::takeByte(char byte)
{
    if (m_rx == Rx::BlockCheck) { // whatever its value
        m_rx = Rx::Idle;
        if (static_cast<quint8>(byte) == Get_BCC_Bytes(m_frame)) answer(cp949::decode(m_frame));
        return;
    }
    switch (byte) {
    case '\x05':
    case '\x10':
        if (onControl) onControl(byte == '\x05' ? QStringLiteral("ENQ") : QStringLiteral("DLE"));
        return;
    case '\x02':
        m_frame.clear();
        m_rx = Rx::InFrame;
        return;
    case '\x03':
        if (m_rx != Rx::InFrame) return;
        m_rx = Rx::BlockCheck;
        if (HasNoBlockCheck(m_frame)) {
            m_rx = Rx::Idle;
            answer(cp949::decode(m_frame));
        }
        return;
    default:
        if (m_rx == Rx::InFrame) m_frame += byte;
    }
}

void HostPeer::answer(const QString& text)
{
    frames << text;
    const QString verdict = VerdictFor(text, now(), seasonStatus);
    if (!verdict.isEmpty()) {
        sendFrame(verdict);
        if (onFrame) onFrame(text, verdict);
        return;
    }
    const QString ackText = AckFor(text);
    if (ackText.isEmpty() || ack == Ack::Never) {
        if (onFrame) onFrame(text, {});
        return;
    }
    if (ack == Ack::WrongKey) {
        QString wrong = ackText;
        wrong.back() = wrong.back() == QLatin1Char('9') ? QLatin1Char('0') : QChar(wrong.back().unicode() + 1);
        sendFrame(wrong);
        if (onFrame) onFrame(text, wrong);
    } else if (ack == Ack::Late) {
        QTimer::singleShot(lateMs, &m_context, [this, text, ackText] { acknowledge(text, ackText); });
    } else {
        acknowledge(text, ackText);
    }
}

void HostPeer::acknowledge(const QString& text, const QString& ackText)
{
    acknowledged << text;
    sendFrame(ackText);
    if (onFrame) onFrame(text, ackText);
}

} // namespace tolvo::sim
