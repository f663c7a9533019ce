#pragma once

#include "core/LinkQueue.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

namespace tolvo {

// The four season gates by index: 0 entrance 1, 1 exit 1, 2 entrance 2, 3 exit 2
// (ports 1, 2, 3, 5).
enum SeasonGateIndex { GateIn1 = 0, GateOut1, GateIn2, GateOut2, SeasonGateCount };

// How a gate's barrier is driven (its Gate제어 text): the gate-control code
// (0 relay or own controller, 1 DTR, 2 RTS, 3 PLUS frame, 4 ticket dispenser)
// and the port it acts on.
struct GateControl {
    quint8 code = 0;
    quint8 port = 0;
    bool operator==(const GateControl&) const = default;
};

// A complete frame of a gate's reader, as the reader model it was read with made it.
struct SeasonFrame {
    quint8 model = 0;
    QString text;
};

// The receive side of one gate beyond its buffer. A card's handling may wait
// (a barrier pulse that runs events), and the gate's receive routine then runs
// again inside it: that call takes over the bytes of the outer read not handled
// yet, and frames it completes are held and handled after the current one, in
// arrival order.
struct SeasonGateLink {
    NestedRead read;
    HeldQueue<SeasonFrame> held;
};

// State of the season gates that the gates, the port set-up and the test screen share.
struct SeasonGateState {
    // Empty while the gate has no recognised setting: its barrier is not driven.
    std::array<std::optional<GateControl>, SeasonGateCount> Control{};
    // Receive buffers (one character per received byte) and in-frame flags.
    std::array<QString, SeasonGateCount> RxBuf{};
    std::array<bool, SeasonGateCount> InFrame{};
    // Set when a frame outgrew the buffer: its bytes are ignored up to the next frame start.
    std::array<bool, SeasonGateCount> Overflowed{};
    std::array<SeasonGateLink, SeasonGateCount> Link{};
    // Anti-passback: the last card read per slot, entrances and exits apart.
    std::array<QString, 3> LastCardIn{};
    std::array<QString, 3> LastCardOut{};

    // Port set-up: buffers and flags start afresh. Complete frames waiting for
    // their turn are kept; they were received whole.
    void clearReceive()
    {
        for (QString& b : RxBuf) b.clear();
        InFrame.fill(false);
        Overflowed.fill(false);
    }
};

} // namespace tolvo
