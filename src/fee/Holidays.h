#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

namespace tolvo {

// The holiday list 공휴일. Every value is bound; each change is one statement
// or one transaction. Failures throw DbError.
constexpr int kHolidayNameMax = 15;

// The name as stored: a blank name becomes "공휴일".
QString HolidayName(const QString& typed, bool trim);

enum class HolidayAdd { Added, Duplicate };
// "신규": refused when the date is listed already; the name trimmed.
HolidayAdd AddHoliday(const QSqlDatabase& db, const QString& name, const QDate& date);
// "수정": the picked row replaced by the new name and date in one transaction.
void EditHoliday(const QSqlDatabase& db, const QString& pickedName, const QString& pickedDate,
                 const QString& name, const QDate& date);
// "삭제": every row with the picked name and date.
void DeleteHoliday(const QSqlDatabase& db, const QString& pickedName, const QString& pickedDate);

QString HolidayListSql(); // the list in date order

} // namespace tolvo
