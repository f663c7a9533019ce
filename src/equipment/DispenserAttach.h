#pragma once

#include <memory>

namespace tolvo {

struct Station;
class DispenserFamily1;
class DispenserFamily2;

struct DispenserLinks {
    std::shared_ptr<DispenserFamily1> family1; // models 1 and 2
    std::shared_ptr<DispenserFamily2> family2; // every other model
};

// Attaches both dispenser families to the station's routine slots: the receive
// routines of port 0 (the dispatch picks one by model), the timer's poll and the
// hourly clock and display settings. Returns the links for the screens that
// talk to the dispenser.
DispenserLinks AttachDispenser(Station& st);

} // namespace tolvo
