#pragma once

#include "core/SeasonGates.h"

#include <QString>
#include <optional>

namespace tolvo {

struct Station;

// The settings table of each gate index ("정기권입구1", "정기권출구1", ...) and its port.
QString GateTable(int gateIndex);
int GatePort(int gateIndex);

// The code and port of a Gate제어 text, compared exactly; ownPort is the gate's
// own port (for "자체콘트롤러"). Empty for any other text.
std::optional<GateControl> GateControlOf(const QString& text, int ownPort);

// Load_GateCtl: reads the four gates' Gate제어. A recognised text sets the gate;
// any other keeps what it had. A gate left without a setting drives no barrier;
// when the gate is in use (사용여부), the operator is told on List1 and the trace.
void Load_GateCtl(Station& st);

} // namespace tolvo
