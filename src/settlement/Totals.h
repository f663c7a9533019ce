#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

// The sums the settlement screen shows (its data control Data1).
namespace tolvo {

// Raw values of the sums as the labels show them; blank when there is no row
// to sum (a Null sum).
struct PeriodTotals {
    QString generalIn;  // 일반권입차수합
    QString generalOut; // 일반권출차수합
    QString seasonIn;   // 정기권입차수합
    QString seasonOut;  // 정기권출차수합
    QString money;      // 금액합
};

// Sums of the open period's hourly rows. Throws DbError.
PeriodTotals Totals_OpenPeriod(const QSqlDatabase& db);
// Sums of the hourly rows settled from the first minute of from to the last
// minute of to. Throws DbError.
PeriodTotals Totals_Range(const QSqlDatabase& db, const QDate& from, const QDate& to);

// The range of settled periods by their 종료일시: from "yyyy-mm-dd 00:00" to
// "yyyy-mm-dd 23:59", both included.
QString RangeFrom(const QDate& from);
QString RangeTo(const QDate& to);

} // namespace tolvo
