#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace tolvo {

// The values of the one 기타 row that the fee routines read. A value that is
// Null (or not a number / not a time) is empty; a Null switch reads off.
struct TariffRow {
    bool dailyCapOn = false;              // 일일최대사용
    std::optional<qint64> dailyCap;       // 일일최대요금
    bool capOn = false;                   // 최대사용
    std::optional<qint64> cap;            // 최대요금
    std::optional<qint64> finalUnit;      // 구간시간4
    std::optional<qint64> finalAmount;    // 구간금액4
    bool discountOn = false;              // 할인사용
    std::optional<qint64> discountMinutes;// 시간할인
    bool graceOn = false;                 // 회차사용
    std::optional<qint64> graceMinutes;   // 회차시간
    bool freeOutsideHours = false;        // 무료처리여부
    bool holidaysFree = false;            // 공휴일무료여부
    bool discountFromExit = false;        // 기본요금포함여부
    // Minutes after midnight of the opening and closing times ("hh:nn").
    std::optional<int> weekdayOpen, weekdayClose, weekendOpen, weekendClose;
};

// Reads "SELECT * FROM 기타"; empty when the table has no row. Throws
// std::runtime_error on a database error.
std::optional<TariffRow> ReadTariffRow(const QSqlDatabase& db);

// Minutes after midnight of a "hh:nn" (or "hh:nn:ss") text; empty when it is no time.
std::optional<int> MinutesOfDay(const QString& hhnn);

// The tariff-fault message and its title.
QString TariffFaultText();
inline QString TariffFaultTitle() { return QStringLiteral("Tarvola"); }

// Result of a fee computation: a missing row or a faulty value is a tariff fault,
// and the fee run ends unchanged.
enum class FeeStatus { Ok, MissingRow, BadValue };

} // namespace tolvo
