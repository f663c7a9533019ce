#include "serial/Trace.h"

#include "serial/Comm.h"
#include "core/Station.h"

namespace tolvo {

void TraceLog::append(const QString& line)
{
    m_text += line;
    if (m_text.size() <= CapChars) {
        if (onAppend) onAppend(line);
        return;
    }
    // Drop the oldest lines, keeping whole lines.
    QString kept = m_text.right(TrimChars);
    const qsizetype nl = kept.indexOf(QLatin1Char('\n'));
    if (nl >= 0 && nl + 1 < kept.size()) kept = kept.mid(nl + 1);
    reset(std::move(kept));
}

void TraceLog::trim()
{
    if (m_text.size() >= TrimChars) reset(m_text.right(TrimChars));
}

void TraceLog::clear() { reset(QString()); }

void TraceLog::reset(QString text)
{
    m_text = std::move(text);
    if (onReset) onReset(m_text);
}

QString TraceStamp(const QTime& t)
{
    const int ms = t.isValid() ? t.msecsSinceStartOfDay() : 0;
    const int secs = ms / 1000;
    return (secs > 0 ? QString::number(secs) : QString()) + QLatin1Char('.')
        + QStringLiteral("%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

bool DebugTracing(const Station& st, int device)
{
    return st.comm && st.comm->DebugOn && st.comm->DebugDevice == device;
}

void DebugTraceLine(Station& st, int device, const QString& text)
{
    if (DebugTracing(st, device)) DebugTraceLineAny(st, text);
}

void DebugTraceLineAny(Station& st, const QString& text)
{
    if (!st.comm || !st.comm->DebugOn) return;
    st.comm->trace.append(TraceStamp(st.clock.now().time()) + text + QStringLiteral("\r\n"));
}

void DebugTraceSeparator(Station& st, int device)
{
    if (DebugTracing(st, device)) st.comm->trace.append(QString(49, QLatin1Char('-')) + QStringLiteral("\r\n"));
}

void DebugTraceTrim(Station& st)
{
    if (st.comm) st.comm->trace.trim();
}

} // namespace tolvo
