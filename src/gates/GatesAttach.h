#pragma once

namespace tolvo {

struct Station;

// Attaches the season gates to the station's routine slots: the gate-control
// loader, barrier opening and refusal, the entry and exit decisions and the
// gates' receive routines; registers the reset of the gates' receive buffers
// with the port set-up. Call once the station's ports exist.
void AttachGates(Station& st);

} // namespace tolvo
