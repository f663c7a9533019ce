#include "platform/Clock.h"

#include <cerrno>
#include <ctime>

namespace tolvo {

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

bool SystemClock::setNow(const QDateTime& t)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.toSecsSinceEpoch());
    return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

} // namespace tolvo
