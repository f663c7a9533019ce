#pragma once

#include "serial/Comm.h"
#include "core/DeviceRoutines.h"

#include <QString>

namespace tolvo {

struct Station;
struct DeviceModels;

// The receive event of the ten ports (MSComm_OnComm): a receive runs the routine of the
// port's device and model, a CTS change shows the reader lamp from the reader port's CTS,
// a DSR change judges the reader port's DSR (a ticket inserted starts its read). Errors
// inside a routine end the event silently; the next event is handled normally.
void MSComm_OnComm(Station& st, int index, CommEvent ev);

// Routes the station's port events to MSComm_OnComm (once its ports exist).
void AttachCommDispatch(Station& st);

// Season gate number 0..3 of a gate port (1, 2, 3, 5); -1 for any other port.
int SeasonGateOfPort(int port);

// Where a receive event on a port goes with these models: the routine's name ("TD_Receive",
// "Rx_Out1_TagMaster", "FeeDisp_Receive", ...) and its slot; an empty name when none.
struct ReceiveRoute {
    QString name;
    const DeviceRoutine* slot = nullptr; // null for the fee display, which is called directly
};
ReceiveRoute ReceiveRouteFor(const DeviceRoutines& routines, const DeviceModels& models, int port);

} // namespace tolvo
