#pragma once

#include "core/Sql.h"

#include <QChar>
#include <QString>
#include <memory>

// Which day a record list shows: today's rows in the live database, or a
// closed day's rows in its archive file, read through a read-only connection
// so that a missing file is never created.
namespace tolvo {

struct Station;

// Archive prefixes: general tickets and season passages.
inline constexpr char kIlbanPrefix = 'i';
inline constexpr char kJungPrefix = 'j';

enum class DaySource { Live, Archive, Missing };

struct DayChoice {
    DaySource source = DaySource::Live;
    QString day;         // the day shown, "yyyy-mm-dd" (today after a missing file)
    QString archivePath; // Archive and Missing: the file of the typed day
};

// ArchiveDir + prefix + characters 1-4, 6-7, 9-10 of the day text + ".mdb".
QString DayArchivePath(const Station& st, const QString& dayText, char prefix);
// The decision without asking anybody: today (plain text comparison) is live,
// another day is its archive file when that path exists, else Missing.
DayChoice Day_Decide(const Station& st, const QString& dayText, char prefix);
// The lists' rule: as Day_Decide, but a missing file is reported under
// "자료검색 오류" and the choice falls back to today's live rows.
DayChoice Day_Choose(Station& st, const QString& dayText, char prefix);

// The lists' message for a day without an archive to read, under "자료검색 오류".
void Day_ReportMissing(Station& st, const QString& dayText);

// A read-only connection on a day's archive file. Throws DbError when the file
// is missing or cannot be read.
std::unique_ptr<ScopedConnection> OpenDayArchive(const QString& path);

} // namespace tolvo
