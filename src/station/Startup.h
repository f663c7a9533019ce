#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tolvo {

struct Station;

// The start-up screen's load without the screen: the program's folders, the
// database (leftover "*.bak" removed, checked, compacted, opened), the settings
// file and the car counters; then createMainScreen runs the hidden main screen's
// load, the record settings are read and the rest of a day's archive move a crash
// cut short is finished. Returns the exit code when the program must end (a failure is shown as
// a critical message first), nothing when the login follows.
std::optional<int> Startup_Load(Station& st, const std::function<void()>& createMainScreen);

} // namespace tolvo
