#pragma once

#include "database/DayChoice.h"
#include "season/Rows.h"
#include "serial/PrintFrame.h"

#include <QDateTime>
#include <QString>

// The record lists: general tickets (IlList), season passages (JioList) and
// refused season passages (BList): their queries, the day they show (live or a
// day's archive), their printouts and IlList's administrator delete.
namespace tolvo {

struct Station;

// Cars inside, always live.
inline const QString kIlInSql =
    QStringLiteral("SELECT * FROM 일반권 WHERE 출차일 IS NULL ORDER BY 입차일, 입차시간, 티켓번호");
// Exited cars, live or an "i" archive.
inline const QString kIlOutSql = QStringLiteral("SELECT * FROM 일반권 WHERE 출차일 <> '' ORDER BY 출차일, 출차시간");
// The same rows of the live file a page at a time (every exit the host has not
// yet received stays there while it is down: hundreds of thousands of rows).
PagedQuery IlOutLive(const QSqlDatabase& db);
// Normal season entries (live) and exits (live or a "j" archive).
inline const QString kJioInSql =
    QStringLiteral("SELECT * FROM 정기권입출차 WHERE 입출상태 = '정상입차' ORDER BY 입차일자, 입차시간");
inline const QString kJioOutSql =
    QStringLiteral("SELECT * FROM 정기권입출차 WHERE 입출상태 = '정상출차' ORDER BY 출차일자, 출차시간");

inline const QString kListErrorCaption = QStringLiteral("자료검색 오류");

// Rows of one day and the day shown ("yyyy-mm-dd").
struct DayRows {
    RowSet rows;
    QString day;
    DaySource source = DaySource::Live;
};

// The rows of sql for the typed day: today from the live database, another day
// from its archive through a read-only connection. An archive that is missing,
// or cannot be opened or read (a folder, a damaged file), is reported as
// missing and today is shown. Throws DbError only when the live read fails.
// With readLive false, today's rows are left for the caller to read (rows empty).
DayRows LoadDayRows(Station& st, const QString& dayText, char prefix, const QString& sql, bool readLive = true);

// Count label texts.
QString CountText(qint64 n);        // "n건"
QString BListCountText(qint64 n);   // " 자료건수 : n건"

// IlList printouts: exited cars (with amounts) and cars not yet out.
ListPrintout IlList_OutPrintout(const RowSet& rows, const QDateTime& printedAt);
ListPrintout IlList_InPrintout(const RowSet& rows, const QDateTime& printedAt);
// Double-click on a car not yet out: for the administrator, after a yes,
// deletes that 일반권 row. True when a row was deleted.
bool IlList_Delete(Station& st, const RowSet& inRows, qint64 row);

// JioList printouts.
ListPrintout JioList_OutPrintout(const RowSet& rows);
ListPrintout JioList_InPrintout(const RowSet& rows);

// BList: empties the work table.
void BList_Clear(Station& st);
// "확인": refills the work table with the refused passages of the typed day
// (entries and exits, in order of entry date and time), in one transaction.
// Returns the day shown.
QString BList_Load(Station& st, const QString& dayText);
// One side of the work table, in the order the rows were copied in.
RowSet BList_Side(Station& st, bool exits);
ListPrintout BList_Printout(const RowSet& rows, bool exits);

} // namespace tolvo
