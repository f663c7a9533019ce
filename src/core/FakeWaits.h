#pragma once

#include "core/Waits.h"

#include <QCoreApplication>
#include <algorithm>
#include <functional>
#include <map>
#include <utility>

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
        runDueCalls();
        if (onEvents) onEvents();
    }
    void callAfter(qint64 ms, std::function<void()> f) override
    {
        calls.emplace(std::make_pair(now + std::max<qint64>(ms, 0), nextCall++), std::move(f));
    }
    // Calls fall due only while events run, as a timer's would; each runs once,
    // in order of due time and then of scheduling, those it schedules included.
    void runDueCalls()
    {
        while (!calls.empty() && calls.begin()->first.first <= now) {
            auto f = std::move(calls.begin()->second);
            calls.erase(calls.begin());
            f();
        }
    }

    qint64 now = 1000000;
    qint64 maxStepMs = 50;
    int sleeps = 0;
    qint64 sleptMs = 0;
    int eventRuns = 0;
    std::function<void()> onEvents;
    std::map<std::pair<qint64, int>, std::function<void()>> calls;
    int nextCall = 0;
};

} // namespace tolvo
