#include "core/LinkLamp.h"

#include "core/Waits.h"

#include <algorithm>

namespace tolvo {

QColor VbColor(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void Connect::setStatus(bool v)
{
    m_status = v;
    changed();
}

void Connect::setRxColor(quint32 c)
{
    m_rxColor = c;
    m_rxLamp = c;
    changed();
}

void Connect::setTxColor(quint32 c)
{
    m_txColor = c;
    m_txLamp = c;
    changed();
}

void Connect::setFont(const QFont& f)
{
    m_font = f;
    changed();
}

QString Connect::statusText() const
{
    return m_status ? QStringLiteral("On Line....") : QStringLiteral("Off Line....");
}

bool Connect::OnLine_Chk(Waits& waits, double pauseSeconds)
{
    // A monotonic clock: a wait across midnight lasts as long as any other.
    const qint64 start = waits.nowMs();
    const qint64 limit = static_cast<qint64>(pauseSeconds * 1000.0);
    m_onLine = false;
    setTxColor(kRed);
    while (waits.nowMs() - start < limit) {
        waits.runEventsFor(std::min<qint64>(10, limit - (waits.nowMs() - start)));
        if (m_onLine) {
            setTxColor(kSilver);
            setRxColor(kSilver);
            setStatus(true);
            m_missCount = 0;
            break;
        }
    }
    setTxColor(kSilver);
    setRxColor(kSilver);
    if (m_missCount < 1) {
        ++m_missCount;
        return m_onLine;
    }
    setStatus(false);
    m_onLine = false;
    return false;
}

} // namespace tolvo
