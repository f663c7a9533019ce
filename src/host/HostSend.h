#pragma once

#include "core/Station.h"

#include <QSqlRecord>
#include <QString>
#include <optional>

// The sending cycle's senders: one record of a kind per call, resent until the
// host acknowledges its key, marked sent only then.
namespace tolvo {

struct HostLink;

// The next record of a kind: the row it comes from and its text under a new key.
struct HostRecord {
    QSqlRecord row;
    QString key;
    QString text;
};
// Selects the kind's first unsent row and formats it; nothing when none is left.
// A row without 포스코드 takes the station's own POS code.
std::optional<HostRecord> NextHostRecord(Station& st, HostLink& link, HostKind kind);

// One send of a kind (the timer's HostSend slot): clears the kind's pending flag
// when nothing is left; otherwise sends the record, waits up to PauseTime for
// its acknowledgement and then marks the row sent. Sends nothing while another
// record still waits for its acknowledgement (its sender's wait held below a
// dialog); one whose wait has run out is taken as failed first.
void Host_Send(Station& st, HostLink& link, HostKind kind);

// The acknowledgement of the awaited record came (the receiver matched its
// key): the row is marked, unless the record's wait has run out.
void Host_Acknowledged(Station& st, HostLink& link, HostKind kind);

} // namespace tolvo
