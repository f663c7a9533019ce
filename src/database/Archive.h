#pragma once

#include <QDate>
#include <QString>

#include <functional>

namespace tolvo {

struct Station;

// Archive file of general tickets / season passages of a day: ArchiveDir + "i" / "j" + yyyymmdd + ".mdb".
QString IlbanArchivePath(const Station& st, const QDate& day);
QString JungArchivePath(const Station& st, const QDate& day);

// The daily archive, run by the main timer at the first tick of a new day. Moves the
// settled and sent exits of 일반권 into i<yesterday>.mdb and the finished or irregular
// passages of 정기권입출차 into j<yesterday>.mdb; then prunes closed hourly statistics
// by 자료보관기간 months and, with 자료기록 on, cancellations by 취소자료보관 days,
// removes the archive pair of the day that left the retention, sets 분실권번호 to
// "9000" and refreshes the main screen's totals. Does nothing when i<yesterday>.mdb
// exists already. Returns true when every marked day is archived; false when a move
// failed: the failure is shown on List1 and PnlMsg, naming the file, the day's rows
// stay live, its pruning and reset wait for its move, and the next start or run
// tries again; later days still go. Never throws.
//
// The live file and an archive commit each on their own (the live file keeps a
// write-ahead log), so a move is marked: the day, a number drawn for the move and
// the rows finished as the run begins are written to Backup/archive.moving, with a
// check over its text, before anything moves; the day leaves the marker after its
// pruning and reset, which wait while the day after it is later than the clock's
// today. Each copy commits the move's number into its file's header, durable before
// the removal relies on it; each removal commits a record of the move into the live
// file, so a start or run finishes each marked move, oldest first, from where it
// stopped, whatever the clock did. A marker whose last line is not a matching check
// is damaged: it is kept aside, whole, and replaced by new moves for the days it
// names (the tickets their files hold having left the live file), the oldest
// taking every finished row still live; List1 and PnlMsg tell it once.
bool Archive_DayData(Station& st);

// The durable steps of a move, in order (tests stop the station after each). A
// "Building" step has the file half made under its temporary name.
enum class ArchiveStep {
    Marking = 1, Marked,
    IlbanBuilding, IlbanCreated, IlbanCopied, IlbanRemoved,
    JungBuilding, JungCreated, JungCopied, JungRemoved,
    Pruned, Unmarked
};
using ArchiveWatch = std::function<void(ArchiveStep)>;
// The same, telling `watch` after each step.
bool Archive_DayDataSteps(Station& st, const ArchiveWatch& watch);

// Finishes the moves the marker names, oldest first, each for its own day: both files
// made and filled with the rows listed for the day, the live rows they hold removed,
// that day's pruning and reset (while the clock has reached the day after), then the
// day taken off the marker. Removes half-made files ("*.part" and their journals) of
// Backup. Run at start-up and before each archive.
// Returns true when a marked move was finished (the main screen's totals are then
// stale). Throws DbError after trying every day (the days that failed stay marked),
// or at once for a damaged marker (left for the day's run to set aside).
bool Archive_Resume(Station& st);

namespace DBase {
// Create an archive file with its one table and index; throw DbError when the file
// exists already or cannot be made (a half-made file is removed).
void Create_IlbanArchive(const QString& path);
void Create_JungArchive(const QString& path);
} // namespace DBase

} // namespace tolvo
