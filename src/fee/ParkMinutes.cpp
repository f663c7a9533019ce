#include "fee/ParkMinutes.h"

#include "platform/Vb.h"
#include "core/Station.h"

#include <QSqlError>
#include <QSqlQuery>
#include <limits>
#include <stdexcept>

namespace tolvo {

namespace {

constexpr qint64 kDay = 1440;

struct DayHours {
    int open = 0;
    int close = 0;
    bool freeDay = false; // holiday or Sunday
};

DayHours hoursOf(const MinutesRules& r, const QDate& day, const QSet<QString>& holidays)
{
    DayHours h;
    const bool holiday = holidays.contains(day.toString(QStringLiteral("yyyy-MM-dd")));
    const int dow = day.dayOfWeek(); // Monday 1 .. Sunday 7
    const bool saturday = !holiday && dow == 6;
    h.freeDay = holiday || dow == 7;
    if (r.freeOutsideHours) {
        h.open = saturday ? *r.weekendOpen : *r.weekdayOpen;
        h.close = saturday ? *r.weekendClose : *r.weekdayClose;
    }
    return h;
}

bool hoursComplete(const MinutesRules& r)
{
    return r.weekdayOpen && r.weekdayClose && r.weekendOpen && r.weekendClose;
}

QDate parseDate(const QString& s)
{
    const QDate d = QDate::fromString(s, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid()) throw std::invalid_argument("not a date: " + s.toStdString());
    return d;
}

int parseTime(const QString& s)
{
    const QTime t = QTime::fromString(s, QStringLiteral("hh:mm"));
    if (!t.isValid()) throw std::invalid_argument("not a time: " + s.toStdString());
    return t.hour() * 60 + t.minute();
}

} // namespace

MinutesRules MinutesRulesOf(const TariffRow& t)
{
    return {t.freeOutsideHours, t.holidaysFree, t.weekdayOpen, t.weekdayClose, t.weekendOpen, t.weekendClose};
}

MinutesResult BillableMinutes(const MinutesRules& r, const QDate& inDate, int inMin, const QDate& outDate,
                              int outMin, const QSet<QString>& holidays)
{
    const qint64 days = inDate.daysTo(outDate);
    if (!r.freeOutsideHours && !r.holidaysFree) {
        const qint64 plain = days * kDay + (outMin - inMin);
        return {plain < 0 ? 0 : plain, FeeStatus::Ok};
    }
    if (r.freeOutsideHours && !hoursComplete(r)) return {0, FeeStatus::BadValue};
    if (days < 0) return {0, FeeStatus::Ok};

    qint64 total = 0;
    for (qint64 k = 0; k <= days; ++k) {
        const QDate day = inDate.addDays(k);
        const DayHours h = hoursOf(r, day, holidays);
        const qint64 window = h.close - h.open;
        const bool zero = h.freeDay && r.holidaysFree;
        qint64 value = 0;
        if (days == 0) { // the whole stay on one date
            int s = inMin, e = outMin;
            if (r.freeOutsideHours) {
                if (inMin <= h.open) s = h.open;
                if (outMin >= h.close) e = h.close;
            }
            const qint64 v = e - s;
            return {zero || v < 0 ? 0 : v, FeeStatus::Ok};
        }
        if (k == 0) {
            if (!r.freeOutsideHours) value = kDay - inMin;
            else value = inMin <= h.open ? window : h.close - inMin;
            if (value < 1) value = 0;
        } else if (k == days) {
            if (!r.freeOutsideHours) value = outMin;
            else if (outMin >= h.close) value = window;
            else if (outMin >= h.open) value = outMin - h.open;
            else value = 0;
        } else {
            value = r.freeOutsideHours ? window : kDay;
        }
        if (zero) value = 0;
        total += value;
    }
    return {total < 0 ? 0 : total, FeeStatus::Ok};
}

QSet<QString> ReadHolidays(const QSqlDatabase& db, const QDate& from, const QDate& to)
{
    QSet<QString> out;
    if (to < from) return out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 날짜 FROM 공휴일 WHERE 날짜 >= ? AND 날짜 <= ?"));
    q.addBindValue(FormatDate(from));
    q.addBindValue(FormatDate(to));
    if (!q.exec()) throw std::runtime_error(q.lastError().text().toStdString());
    while (q.next()) out.insert(q.value(0).toString());
    return out;
}

MinutesResult ParkMinutesWith(const QSqlDatabase& db, const TariffRow& tariff, const QString& inDate,
                              const QString& inTime, const QString& outDate, const QString& outTime)
{
    const QDate in = parseDate(inDate);
    const QDate out = parseDate(outDate);
    const int inMin = parseTime(inTime);
    const int outMin = parseTime(outTime);
    const MinutesRules rules = MinutesRulesOf(tariff);
    QSet<QString> holidays;
    if (rules.holidaysFree || rules.freeOutsideHours) holidays = ReadHolidays(db, in, out);
    MinutesResult r = BillableMinutes(rules, in, inMin, out, outMin, holidays);
    if (r.minutes > std::numeric_limits<qint32>::max()) r = {0, FeeStatus::BadValue};
    return r;
}

qint32 Park_Minutes(Station& st, const QString& inDate, const QString& inTime, const QString& outDate,
                    const QString& outTime)
{
    const std::optional<TariffRow> tariff = ReadTariffRow(st.Db);
    if (!tariff) return 0;
    const MinutesResult r = ParkMinutesWith(st.Db, *tariff, inDate, inTime, outDate, outTime);
    if (r.status != FeeStatus::Ok) {
        st.msgs.Msg_Box(TariffFaultText(), TariffFaultTitle());
        return 0;
    }
    return static_cast<qint32>(r.minutes);
}

} // namespace tolvo
