#pragma once

#include "core/Station.h"
#include "host/HostFrames.h"
#include "host/HostRecords.h"
#include "serial/ByteFramer.h"

#include <QSqlRecord>
#include <array>
#include <memory>
#include <optional>

// The station's side of the host link on port 8.
namespace tolvo {

// A record out on the line, waiting for its acknowledgement until its
// deadline (the waits' monotonic clock).
struct HostAwait {
    quint64 send;       // the send's number
    HostKind kind;
    qint64 deadlineMs;
    QSqlRecord row;     // as sent
};

// What the host link keeps between calls: the frame being received, the
// acknowledgement flags the senders wait on, the record awaiting its
// acknowledgement and the tags of their keys.
//
// Frames are handled as they arrive, also inside a sender's wait for its
// acknowledgement. Only a barrier command or a verdict that arrives while the
// link handles another waits for it, in arrival order.
struct HostLink {
    static constexpr int FrameCap = 512; // a longer frame is dropped whole

    explicit HostLink(Station& st);
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    ByteFramer framer;
    std::array<bool, HostKindCount> HostAck{};
    // At most one record at a time. Its acknowledgement is taken as it comes,
    // also while its sender's wait is held below a dialog and cannot look; once
    // its wait has run out it counts as failed, whoever sees that first.
    std::optional<HostAwait> awaiting;
    quint64 sends = 0;
    RecordTags tags;
    Station& station;
};

// Receive routine of port 8: answers the handshake, collects frames and acts on
// each (port test, shut-down notice, barrier commands, acknowledgements, the
// clock and the season verdict).
void Host_Receive(Station& st, HostLink& link);

// Acts on one received frame's text; false when the rest of the read is not
// to be looked at (port test, shut-down notice).
bool Host_HandleFrame(Station& st, HostLink& link, const QString& text);

// Sets the station's clock from a 23-character clock frame.
void Set_SystemTime(Station& st, const QString& text);

// Attaches the host link to the station's routine slots (the receiver, the
// seven senders and the master link's receiver) and to the port set-up (which empties the frame buffer). Call
// after st.comm is in place.
std::shared_ptr<HostLink> AttachHost(Station& st);

} // namespace tolvo
