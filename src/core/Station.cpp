#include "core/Station.h"

#include "platform/FolderLock.h"

namespace tolvo {

Station::Station(Clock& c, Messages& m, MainScreen& s) : clock(c), msgs(m), screen(s) {}

Station::~Station()
{
    if (screens.closeAll) screens.closeAll();
}

} // namespace tolvo
