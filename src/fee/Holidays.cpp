#include "fee/Holidays.h"

#include "core/Sql.h"
#include "platform/Vb.h"

namespace tolvo {

namespace {

void insertHoliday(const QSqlDatabase& db, const QString& name, const QDate& date)
{
    Insert(db, QStringLiteral("공휴일"), {{QStringLiteral("적요"), name}, {QStringLiteral("날짜"), FormatDate(date)}});
}

} // namespace

QString HolidayName(const QString& typed, bool trim)
{
    const QString name = trim ? typed.trimmed() : typed;
    return name.trimmed().isEmpty() ? QStringLiteral("공휴일") : name;
}

HolidayAdd AddHoliday(const QSqlDatabase& db, const QString& name, const QDate& date)
{
    const QVariant found =
        Scalar(db, QStringLiteral("SELECT 날짜 FROM 공휴일 WHERE 날짜 = ?"), {FormatDate(date)});
    if (found.isValid()) return HolidayAdd::Duplicate;
    insertHoliday(db, HolidayName(name, true), date);
    return HolidayAdd::Added;
}

void EditHoliday(const QSqlDatabase& db, const QString& pickedName, const QString& pickedDate,
                 const QString& name, const QDate& date)
{
    Transaction t(db);
    DeleteHoliday(db, pickedName, pickedDate);
    insertHoliday(db, HolidayName(name, false), date);
    t.commit();
}

void DeleteHoliday(const QSqlDatabase& db, const QString& pickedName, const QString& pickedDate)
{
    Exec(db, QStringLiteral("DELETE FROM 공휴일 WHERE 적요 = ? AND 날짜 = ?"), {pickedName, pickedDate});
}

QString HolidayListSql() { return QStringLiteral("SELECT 적요, 날짜 FROM 공휴일 ORDER BY 날짜"); }

} // namespace tolvo
