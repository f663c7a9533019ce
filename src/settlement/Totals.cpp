#include "settlement/Totals.h"

#include "core/Sql.h"

namespace tolvo {

namespace {

QString raw(const QVariant& v) { return v.isNull() ? QString() : QString::number(v.toLongLong()); }

PeriodTotals sums(const QSqlDatabase& db, const QString& where, const QVariantList& values)
{
    // fixed SQL: callers pass their own clause, the values are bound
    QSqlQuery q = Query(db, QStringLiteral("SELECT SUM(일반권입차수), SUM(일반권출차수), SUM(정기권입차수), "
                                           "SUM(정기권출차수), SUM(금액) FROM 시간대별 WHERE ") + where, values);
    if (!q.next()) return {};
    return {raw(q.value(0)), raw(q.value(1)), raw(q.value(2)), raw(q.value(3)), raw(q.value(4))};
}

} // namespace

PeriodTotals Totals_OpenPeriod(const QSqlDatabase& db) { return sums(db, QStringLiteral("정산여부 = 0"), {}); }

PeriodTotals Totals_Range(const QSqlDatabase& db, const QDate& from, const QDate& to)
{
    return sums(db, QStringLiteral("종료일시 >= ? AND 종료일시 <= ? AND 정산여부 = 1"), {RangeFrom(from), RangeTo(to)});
}

QString RangeFrom(const QDate& from) { return from.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00"); }
QString RangeTo(const QDate& to) { return to.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59"); }

} // namespace tolvo
