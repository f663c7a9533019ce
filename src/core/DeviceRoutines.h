#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>
#include <vector>

namespace tolvo {

struct Station;

using DeviceRoutine = std::function<void(Station&)>;

// Where the device subsystems attach the routines that the serial event dispatch and
// the one-second timer run. Each subsystem fills its own slots when it sets up; an
// empty slot does nothing (a poll that is not attached counts as unanswered).
struct DeviceRoutines {
    // Receive routines, each reading its own port.
    DeviceRoutine TD_Receive;     // port 0, dispenser models 1 and 2
    DeviceRoutine TD_Receive4101; // port 0, any other dispenser model
    DeviceRoutine RD_Receive;     // port 6, ticket reader
    DeviceRoutine Host_Receive;   // port 8
    DeviceRoutine OutRd_Receive;  // port 9 with an exit reader
    DeviceRoutine Master_Receive; // port 9 without one (master link)
    // Season gates by gate (SeasonGateOfPort: ports 1, 2, 3, 5) and reader model 0..9.
    std::array<std::array<DeviceRoutine, 10>, 4> SeasonRx;

    // A ticket inserted into the reader: paper tickets, recycled tickets (dispenser model 2).
    DeviceRoutine Read_CMD61;
    DeviceRoutine Read_CMD60;

    // One-second timer jobs.
    std::function<bool(Station&)> TD_Poll; // true when the dispenser answered
    DeviceRoutine CTL_TimeSetUp;           // sets the dispenser's clock
    DeviceRoutine Vfd_TimeSet;             // sets the time on the dispenser's display
    std::function<bool(Station&)> ArchiveDay; // empty: the database's Archive_DayData; true when archived
    // Season gates. The decisions take the card by reference and hand it back
    // without its blanks; gate 1.. as the callers number them.
    std::function<void(Station&, QString& card, qint16& gate)> Season_In;
    std::function<void(Station&, QString& card, qint16& gate)> Season_Out;
    DeviceRoutine Load_GateCtl;                    // reads the gates' barrier control settings
    std::function<void(Station&, qint16)> Gate_OpenIn;    // opens an entrance barrier
    std::function<void(Station&, qint16)> Gate_OpenOut;   // opens an exit barrier
    std::function<void(Station&, qint16)> Gate_RefuseIn;  // refusal signal at an entrance
    std::function<void(Station&, qint16)> Gate_RefuseOut; // refusal signal at an exit

    // Ticket reader jobs the function keys run.
    DeviceRoutine Eject_CMD;
    DeviceRoutine RD_EraseTicket;

    // Host senders by HostKind (Station.h); each sends one row at most and clears its
    // kind's pending flag when nothing of that kind is left.
    std::array<DeviceRoutine, 7> HostSend;
};

// State of the one-second timer.
struct Timer1State {
    quint8 TDPollFailCount = 0; // consecutive unanswered dispenser polls
    // The event-loop level at which each running tick began, outermost first:
    // a tick runs inside another only once a dialog has opened above it.
    std::vector<int> TickLevels;
    quint64 TicksBegun = 0;     // ticks that have run; a tick a later one overtook stops
    unsigned StepsUnderWay = 0; // steps a running tick is inside (Timer1.cpp), never run inside themselves
    QString LastError;          // shown on List1 once until a tick runs clean

    bool InTick() const { return !TickLevels.empty(); }
};

} // namespace tolvo
