#include "core/Waits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace tolvo {

qint64 SteadyWaits::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyWaits::sleepMs(qint64 ms)
{
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyWaits::runEventsFor(qint64 ms)
{
    if (ms <= 0) return;
    if (!QCoreApplication::instance()) {
        sleepMs(ms);
        return;
    }
    // The timer only wakes the dispatcher at the deadline: the call blocks until
    // something has run, and whatever runs first ends it.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(static_cast<int>(ms));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void SteadyWaits::callAfter(qint64 ms, std::function<void()> f)
{
    if (!QCoreApplication::instance()) {
        sleepMs(ms);
        f();
        return;
    }
    QTimer::singleShot(static_cast<int>(std::max<qint64>(ms, 0)), Qt::PreciseTimer, std::move(f));
}

} // namespace tolvo
