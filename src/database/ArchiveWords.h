#pragma once

// What the operator reads of the archive: a failure's reason in words, whole for
// List1 and short for PnlMsg, chosen by the engine's result code.

#include "core/Sql.h"

#include <QString>

#include <exception>

namespace tolvo {

struct Station;

// The whole text goes on List1; PnlMsg gets a short form, since it shrinks a long
// line's font past reading.
struct Told {
    QString line, panel;
};

// A failure as the operator is shown it.
struct ArchiveFailure : DbError {
    explicit ArchiveFailure(Told t) : DbError(t.line), told(std::move(t)) {}
    Told told;
};

// The engine's number for a full disk; a file of our own that cannot be written
// for want of space is told with it too, so the operator reads one message.
constexpr int kDiskFull = 13;
// The engine's number for a folder it cannot sync; ours are told with it too.
constexpr int kFolderSyncFailed = 1290;

// Why `e` failed, in words where the station knows them; else the text of our own
// error, without its statement (the caller traces the engine's text and the statement).
Told Reason(const Station& st, const std::exception& e);

// "일반권 자료 백업 실패 (i20260520.mdb): <reason>" on List1, "백업 실패 (i20260520.mdb):
// <short reason>" on PnlMsg; `what` names the table ("일반권 ") or nothing. A failure
// told so already passes as it is.
ArchiveFailure Failure(const Station& st, const QString& what, const QString& file, const std::exception& e);

} // namespace tolvo
