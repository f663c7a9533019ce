#pragma once

// A day's move of one table, from the live file into that day's archive file, and
// the records each file keeps of it. A move is this live file's own when the live
// file recorded its number, token and day before anything was copied; an archive
// file is the move's when it bears that day's name and the move recorded the same
// in it. A station acts only on its own moves and opens, writes into or removes rows
// against only files its own moves made, so a copied station folder or another
// station's file never moves or removes a row.

#include "database/Archive.h"
#include "database/ArchiveWords.h"

#include "database/ArchiveMarker.h"
#include "database/Schema.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

namespace tolvo {

struct Station;

// The schema an archive file is attached under.
inline const QString kArc = QStringLiteral("arc");

// A table moved into an archive, and the steps its move tells.
struct ArchivedTable {
    const schema::Table& table;
    // "i" or "j": the first letter of its file, and of its rows' lines in the marker.
    QString letter;
    // The condition of its finished rows.
    QString finished;
    // The fields whose digest names a row in the marker and in a resume.
    QStringList identity;
    ArchiveStep building, created, copied, removed;
};
ArchivedTable Ilban();
ArchivedTable Jung();
// The table of a file's letter, "i" or "j".
ArchivedTable TableOfLetter(const QString& letter);

QString ArchivePath(const Station& st, const QString& letter, const QDate& day);

// One of this live file's moves as it recorded it.
struct OwnMove {
    QString token;
    QDate day;
};

// What one start or night's run carries from step to step.
struct Run {
    Run(Station& s, ArchiveWatch w) : st(s), watch(std::move(w)) {}
    Station& st;
    const ArchiveWatch watch;
    QHash<qint32, OwnMove> own;  // this live file's moves, read as the run begins
    QSet<qint32> written;        // moves this run copied or finished: pruning keeps their files
    std::vector<Told> told;      // for List1 and PnlMsg, in order
    bool failed = false;         // a move failed: its day stays marked
    bool refresh = false;        // the main screen's totals are stale
};

void Tell(const ArchiveWatch& watch, ArchiveStep step);
// A failure not told in words yet concerns the live file.
void Fail(Run& run, const std::exception& e);

// ---- The live file's records ----

// The live file's moves with their tokens and days.
QHash<qint32, OwnMove> OwnMoves(const Station& st);
// Records a new move of `day`, with a token drawn for it, as this live file's own;
// committed before its marker is written.
void RecordOwnMove(Run& run, qint32 move, const QDate& day);
bool RemovalCommitted(const Station& st, qint32 move, const QString& letter);
// The live file's removal records, (move, letter) each.
using Removals = QSet<std::pair<qint32, QString>>;
Removals RecordedRemovals(const Station& st);
// True the first time the file at `path` is noted as it now stands (its size and
// times): the live file keeps the note, so a later start or night does not tell
// the same file again. A file changed since is told again.
bool FirstNote(const Station& st, const QString& path);

// ---- An archive file's records ----

// The move named in the attached file's header.
qint32 HeaderNote(const Station& st);
// True when `move` is one of this live file's and the file at `path` bears its
// day's name.
bool NamedFor(const Run& run, qint32 move, const QString& path);
// The move the header of the file at `path` names, read without opening the file,
// when it is one of this live file's and the file bears that move's day's name.
// No other file is opened: a journal beside it is its own. A hint only, since a
// copy cut short can have written it uncommitted (its journal takes it back).
std::optional<qint32> OwnHeader(const Run& run, const QString& path);
// True when the file at `path`, whose header names this live file's `move`, was
// made by that move and holds no copy it committed. False when it cannot be read.
bool LeftEmptyBy(const Run& run, qint32 move, const QString& path);
// What the night finds of its day's file at `path`: made by one of this live
// file's moves, not, or not readable though its header names one (told once).
enum class DayFile { Own, NotOwn, Unreadable };
DayFile JudgeDayFile(Run& run, const QString& path);

// ---- The rows ----

// The finished rows that no marked day lists: their rowids in order, and their tokens.
struct LiveRows {
    QList<qint64> rowids;
    QStringList tokens;
};
LiveRows UnlistedLive(const Station& st, const ArchivedTable& m, const Marker& marker);

// The rows the attached file at `path` took in this live file's `move` leave the
// live file: each as often as the file holds it, the earliest such finished rows.
// False when the file holds no committed copy of that move under its day's name.
bool RemoveCopied(const Run& run, qint32 move, const ArchivedTable& m, const QString& path);

// One table's part of a day's move, from wherever it stands: nothing once the
// removal committed (the file is then only checked); the file made when missing;
// the rows its committed copy took removed from the live file; or else the listed
// rows still live copied and removed. `now`, for the run's own day, holds the rows
// just listed. False, with nothing written, when the day's file is there and no
// move of this live file made it: the listed rows stay live for a later day. Throws
// ArchiveFailure naming the table and the file.
bool MoveTable(Run& run, const MarkedDay& d, const ArchivedTable& m, const QList<qint64>* now);

// Tells once that the day's file at `path` is none of this live file's moves' and stays as it is.
void TellNotMade(Run& run, const QString& path);
// Tells once that the file at `path`, whose header names one of this live file's
// moves, cannot be read; `engine` goes to the trace.
void TellCannotRead(Run& run, const QString& path, const Told& why, const QString& engine);

} // namespace tolvo
