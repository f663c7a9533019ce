#pragma once

#include <QDate>
#include <QString>

namespace tolvo {

struct Station;

// Archive file of general tickets / season passages of a day: ArchiveDir + "i" / "j" + yyyymmdd + ".mdb".
QString IlbanArchivePath(const Station& st, const QDate& day);
QString JungArchivePath(const Station& st, const QDate& day);

// The daily archive, run by the main timer at the first tick of a new day. Moves the
// settled and sent exits of 일반권 into i<yesterday>.mdb and the finished or irregular
// passages of 정기권입출차 into j<yesterday>.mdb, each table in one transaction (a
// failure keeps the rows live and is reported on List1 and PnlMsg; the rows go with
// the next day's archive); then prunes closed hourly statistics by 자료보관기간 months
// and, with 자료기록 on, cancellations by 취소자료보관 days, removes the archive pair
// of the day that left the retention, sets 분실권번호 to "9000" and refreshes the
// main screen's totals. Does nothing when i<yesterday>.mdb exists already. Never throws.
void Archive_DayData(Station& st);

namespace DBase {
// Create an archive file with its one table and index; throw DbError when the file
// exists already or cannot be made (a half-made file is removed).
void Create_IlbanArchive(const QString& path);
void Create_JungArchive(const QString& path);
} // namespace DBase

} // namespace tolvo
