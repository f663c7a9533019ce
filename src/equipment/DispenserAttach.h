#pragma once

#include <memory>

namespace tolvo {

struct Station;
class DispenserFamily1;

// Attaches the first dispenser family to the station's routine slots: its
// receive routine, the timer's poll and the hourly clock and display settings.
// Returns the link for the screens that show texts on the dispenser.
std::shared_ptr<DispenserFamily1> AttachDispenser(Station& st);

} // namespace tolvo
