#include "sim/HostPeer.h"

#include "platform/Cp949.h"
#include "serial/Comm.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace tolvo::sim {

HostPeer::HostPeer()
{
    m_dev.replier = [this](const QByteArray& chunk) {
        take(chunk);
        return QByteArray();
    };
}

void HostPeer::sendFrame(const QString& text) { m_dev.send(TD_Frame(text)); }

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

void HostPeer::take(const QByteArray& chunk)
{
    m_pending += chunk;
    for (;;) {
        const qsizetype etx = m_pending.indexOf('\x03');
        if (etx < 0 || etx + 1 >= m_pending.size()) return; // the block check is still to come
        const qsizetype stx = m_pending.lastIndexOf('\x02', etx);
        const QByteArray data = stx >= 0 ? m_pending.mid(stx + 1, etx - stx - 1) : QByteArray();
        const auto bcc = static_cast<quint8>(m_pending[etx + 1]);
        m_pending.remove(0, etx + 2);
        if (stx < 0 || bcc != Get_BCC_Bytes(data)) continue;
        const QString text = cp949::decode(data);
        frames << text;
        const QString ack = acknowledge ? AckFor(text) : QString();
        if (!ack.isEmpty()) sendFrame(ack);
    }
}

} // namespace tolvo::sim
