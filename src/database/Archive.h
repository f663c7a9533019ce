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
// exists already, but tells once when no move of this live file made it. Returns true
// when every marked day is archived; false when a move failed: the failure is shown
// naming the file (whole on List1, short on PnlMsg), the day's rows stay live, its
// pruning and reset wait for its move, and the next start or run tries again; later
// days still go. Never throws.
//
// The live file and an archive commit each on their own (the live file keeps a
// write-ahead log), so a move is marked: a number and a token are drawn for the
// move and recorded in the live file as its own, with its day; then the day, the
// number and the rows finished as the run begins are written to
// Backup/archive.moving, with a check over its text, before anything moves; the day
// leaves the marker after its pruning and reset, which wait while the day after it
// is later than the clock's today. Each day file is made with the move's number
// (its header), token, day and letter; each copy commits the rowids it added and
// names its move in the header, durable before the removal relies on it; each
// removal commits a record of the move into the live file. A file under its move's
// day's name whose header names a move of this live file without a removal record
// has its rows removed from the live file, whatever the marker says. Any other file
// (another station's, its copied folder's twin's, one under another day's name, or
// the station's own whose move a repair from the master copy took back) is never
// opened, written into or kept by the pruning, and no row leaves against it: when
// it holds the day's name, the day's rows stay live for the next night's files,
// told once, as they do when the day's file names the move but cannot be read. A
// marked move whose copy has not committed is done from the marker's lists. A
// marker whose last line is not a matching check is damaged: it is renamed aside
// and told once, and the rows it left uncopied go with the next day's run. Pruning
// keeps a file only while its day is marked or a move of this live file of that
// day, unfinished as the run began, relies on it; a move cut short before its copy
// and no longer marked relies on nothing.
bool Archive_DayData(Station& st);

// The durable steps of a move, in order (tests stop the station after each). A
// "Building" step has the file half made under its temporary name; "Marking" has a
// marker's new text on the disk, not yet in place, at every write of the marker.
enum class ArchiveStep {
    Marking = 1, Marked,
    IlbanBuilding, IlbanCreated, IlbanCopied, IlbanRemoved,
    JungBuilding, JungCreated, JungCopied, JungRemoved,
    Pruned, Unmarked
};
using ArchiveWatch = std::function<void(ArchiveStep)>;
// The same, telling `watch` after each step.
bool Archive_DayDataSteps(Station& st, const ArchiveWatch& watch);

// Finishes what a crash or a failure cut short, as the day's run does first: the
// copies the files of this live file's moves committed leave the live file, a
// damaged marker is set aside, then each marked move is finished, oldest first, for
// its own day, with that day's pruning and reset while the clock has reached the
// day after. Removes half-made files ("*.part" and their journals) of Backup. Run
// at start-up. Tells on List1 and PnlMsg each failure (the days that failed stay
// marked), a damaged marker set aside, a day's file that lost the rows moved into
// it, and, once, a day's file no move of this live file made and a file of its own
// it cannot read; refreshes the totals when rows moved. Returns false when a day's
// move failed. Never throws.
bool Archive_Resume(Station& st);

namespace DBase {
// Create an archive file with its one table and index; throw DbError when the file
// exists already or cannot be made (a half-made file is removed).
void Create_IlbanArchive(const QString& path);
void Create_JungArchive(const QString& path);
} // namespace DBase

} // namespace tolvo
