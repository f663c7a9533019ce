#pragma once

#include <QString>
#include <QTime>
#include <functional>

namespace tolvo {

struct Station;

// The text of the trace monitor's box. Appended to, never rewritten per line;
// capped so a long trace cannot grow without bound.
class TraceLog {
public:
    static constexpr int TrimChars = 20000;   // what DebugTraceTrim keeps
    static constexpr int CapChars = 100000;   // beyond this the oldest lines go

    void append(const QString& line);
    void trim();   // keep the last TrimChars characters
    void clear();
    const QString& text() const { return m_text; }

    // The screen listens: a line added at the end, or the whole text replaced.
    std::function<void(const QString& line)> onAppend;
    std::function<void(const QString& text)> onReset;

private:
    void reset(QString text);
    QString m_text;
};

// The stamp "#####.000": seconds since midnight, no leading zeros, three decimals.
QString TraceStamp(const QTime& t);

// One stamped line when tracing is on for this device (port index).
void DebugTraceLine(Station& st, int device, const QString& text);
// One stamped line whenever tracing is on, whatever device is traced
// (season-ticket decisions and barrier openings).
void DebugTraceLineAny(Station& st, const QString& text);
// The separator line (49 hyphens, no stamp) when tracing is on for this device.
void DebugTraceSeparator(Station& st, int device);
// Keeps the trace box at its last 20000 characters; tracing on or not.
void DebugTraceTrim(Station& st);
// Whether a line for this device would be written.
bool DebugTracing(const Station& st, int device);

} // namespace tolvo
