#include "settlement/Totals.h"

#include "core/Sql.h"

namespace tolvo {

namespace {

QString raw(const QVariant& v) { return v.isNull() ? QString() : QString::number(v.toLongLong()); }

} // namespace

PeriodTotals Totals_OpenPeriod(const QSqlDatabase& db)
{
    QSqlQuery q = Query(db, QStringLiteral("SELECT SUM(일반권입차수), SUM(일반권출차수), SUM(정기권입차수), "
                                           "SUM(정기권출차수), SUM(금액) FROM 시간대별 WHERE 정산여부 = 0"));
    if (!q.next()) return {};
    return {raw(q.value(0)), raw(q.value(1)), raw(q.value(2)), raw(q.value(3)), raw(q.value(4))};
}

} // namespace tolvo
