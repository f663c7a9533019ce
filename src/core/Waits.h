#pragma once

#include <QtGlobal>
#include <functional>

namespace tolvo {

// Time for waits and pulses: a monotonic clock, a sleep that runs no events
// and a wait that keeps the event loop running. Tests replace it with
// FakeWaits, which moves virtual time.
class Waits {
public:
    virtual ~Waits() = default;
    // Monotonic milliseconds; unaffected by setting the wall clock.
    virtual qint64 nowMs() const = 0;
    // Blocks the thread for ms; no event runs.
    virtual void sleepMs(qint64 ms) = 0;
    // Runs events for at most ms, returning once some have run, so that a
    // caller's condition is looked at again at once; never spins.
    virtual void runEventsFor(qint64 ms) = 0;
    // Runs f from the event loop once ms have passed; calls made with the same
    // ms run in the order they were made.
    virtual void callAfter(qint64 ms, std::function<void()> f) = 0;
};

class SteadyWaits : public Waits {
public:
    qint64 nowMs() const override;
    void sleepMs(qint64 ms) override;
    void runEventsFor(qint64 ms) override;
    void callAfter(qint64 ms, std::function<void()> f) override;
};

} // namespace tolvo
