#pragma once

#include <QDateTime>

namespace tolvo {

// The one source of "now". Tests use ManualClock; nothing reads the wall clock directly.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Sets the station's time (host time command). Returns false when refused.
    virtual bool setNow(const QDateTime& t) = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override;
    bool setNow(const QDateTime& t) override;
};

class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)))
        : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    bool setNow(const QDateTime& t) override { m_now = t; return true; }
    void advanceSecs(qint64 s) { m_now = m_now.addSecs(s); }

private:
    QDateTime m_now;
};

} // namespace tolvo
