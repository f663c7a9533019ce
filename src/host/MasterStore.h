#pragma once

#include "core/Station.h"

#include <QString>
#include <optional>

// A master station's store of the records that the stations behind it send:
// each record is read back by the layout it was formatted with, stored once and
// acknowledged on port 9.
namespace tolvo {

// The kind of a record text by its length and leading code; nothing for any other text.
std::optional<HostKind> MasterRecordKind(const QString& text);

// The acknowledgement the sending station waits for: the kind's word and the record's key.
QString MasterAck(HostKind kind, const QString& text);

// The store routines, one per kind. Each stores its record (or finds it stored
// already), acknowledges it, adds its line to List1 and raises the master's own
// pending flag where the row travels on to the master's host. A database
// failure throws before the acknowledgement, so the station sends it again.
void Recv_TD(Station& st, const QString& text);
void Recv_OUT(Station& st, const QString& text);
void Recv_DISC(Station& st, const QString& text);
void Recv_TIME(Station& st, const QString& text);
void Recv_PKTIME(Station& st, const QString& text);
void Recv_PAMT(Station& st, const QString& text);
void Recv_CANCEL(Station& st, const QString& text);

// The store routine of a kind.
void Master_Store(Station& st, HostKind kind, const QString& text);

} // namespace tolvo
