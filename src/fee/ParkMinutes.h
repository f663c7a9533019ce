#pragma once

#include "fee/Tariff.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <optional>

namespace tolvo {

struct Station;

// The day-by-day rules of the billable minutes.
struct MinutesRules {
    bool freeOutsideHours = false; // 무료처리여부
    bool holidaysFree = false;     // 공휴일무료여부
    // Minutes after midnight; required when freeOutsideHours is set.
    std::optional<int> weekdayOpen, weekdayClose, weekendOpen, weekendClose;
};

MinutesRules MinutesRulesOf(const TariffRow& t);

struct MinutesResult {
    qint64 minutes = 0;
    FeeStatus status = FeeStatus::Ok;
};

// Billable minutes from entry to exit (minutes after midnight), given the
// listed holidays ("yyyy-mm-dd"). Pure; 64-bit, never negative.
MinutesResult BillableMinutes(const MinutesRules& rules, const QDate& inDate, int inMinute,
                              const QDate& outDate, int outMinute, const QSet<QString>& holidays);

// The holidays listed between two dates, read afresh.
QSet<QString> ReadHolidays(const QSqlDatabase& db, const QDate& from, const QDate& to);

// Reads the holidays the rules need and computes the minutes. A tariff
// fault (status BadValue) shows nothing here.
MinutesResult ParkMinutesWith(const QSqlDatabase& db, const TariffRow& tariff, const QString& inDate,
                              const QString& inTime, const QString& outDate, const QString& outTime);

// Billable minutes of a stay, reading 기타 and 공휴일 afresh. No 기타 row gives 0.
// A faulty tariff value shows the tariff fault and gives 0. Dates and times that
// are not "yyyy-mm-dd" / "hh:nn" throw std::invalid_argument.
qint32 Park_Minutes(Station& st, const QString& inDate, const QString& inTime, const QString& outDate,
                    const QString& outTime);

} // namespace tolvo
