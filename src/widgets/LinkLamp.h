#pragma once

#include "core/LinkLamp.h"

class QWidget;

namespace tolvo {

// The lamp on screen: Led1_0 (transmit), Led1_1 (receive), Label1 (status),
// Image1 (off line), Image2 (on line). It follows a Connect that outlives it;
// owned by parent.
QWidget* MakeConnectWidget(Connect& state, QWidget* parent = nullptr);

} // namespace tolvo
