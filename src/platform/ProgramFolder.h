#pragma once

#include <QString>

namespace tolvo {

// $TOLVO_HOME when set, else the executable's folder. No trailing slash.
QString ProgramFolder();

} // namespace tolvo
