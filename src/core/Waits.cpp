#include "core/Waits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
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
    // A local loop blocks in the event dispatcher until the deadline: no spinning.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(static_cast<int>(ms));
    loop.exec();
}

} // namespace tolvo
