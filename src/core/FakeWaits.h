#pragma once

#include "core/Waits.h"

#include <QCoreApplication>
#include <algorithm>
#include <functional>

namespace tolvo {

// Virtual time for tests: sleeping and waiting move the clock at once.
// Each event run processes the queued Qt events and then calls onEvents.
class FakeWaits : public Waits {
public:
    qint64 nowMs() const override { return now; }
    void sleepMs(qint64 ms) override
    {
        if (ms <= 0) return;
        now += ms;
        ++sleeps;
        sleptMs += ms;
    }
    void runEventsFor(qint64 ms) override
    {
        if (ms <= 0) return;
        now += std::min(ms, maxStepMs);
        ++eventRuns;
        QCoreApplication::processEvents();
        if (onEvents) onEvents();
    }

    qint64 now = 1000000;
    qint64 maxStepMs = 50;
    int sleeps = 0;
    qint64 sleptMs = 0;
    int eventRuns = 0;
    std::function<void()> onEvents;
};

} // namespace tolvo
