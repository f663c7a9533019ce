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
// passages of 정기권입출차 into j<yesterday>.mdb (a failure keeps the rows live and is
// reported on List1 and PnlMsg; the rows go with the next day's archive); then prunes
// closed hourly statistics by 자료보관기간 months and, with 자료기록 on,
// cancellations by 취소자료보관 days, removes the archive pair of the day that left
// the retention, sets 분실권번호 to "9000" and refreshes the main screen's totals.
// Does nothing when i<yesterday>.mdb exists already. Never throws.
//
// The live file and an archive commit each on their own (the live file keeps a
// write-ahead log), so a move is made safe to repeat: the pair's names are written
// to Backup/archive.moving, each table's rows are copied and the archive committed,
// then the live rows the archive holds are deleted, and the marker removed. A crash
// anywhere leaves every row in one file once Archive_Resume has run.
void Archive_DayData(Station& st);

// The durable steps of a move, in order (tests stop the station after each).
enum class ArchiveStep { Marked = 1, IlbanCreated, IlbanCopied, IlbanRemoved, JungCreated, JungCopied, JungRemoved, Unmarked };
using ArchiveWatch = std::function<void(ArchiveStep)>;
// The same, telling `watch` after each step.
void Archive_DayDataSteps(Station& st, const ArchiveWatch& watch);

// Finishes a move a crash cut short: deletes from the live tables the rows the
// marked archives hold, then removes the marker. Run at start-up and before each
// archive. Throws DbError (the marker then stays).
void Archive_Resume(Station& st);

namespace DBase {
// Create an archive file with its one table and index; throw DbError when the file
// exists already or cannot be made (a half-made file is removed).
void Create_IlbanArchive(const QString& path);
void Create_JungArchive(const QString& path);
} // namespace DBase

} // namespace tolvo
