#include "fee/FeeFromMinutes.h"

#include "core/Station.h"

#include <QSqlError>
#include <QSqlQuery>
#include <limits>
#include <stdexcept>

namespace tolvo {

namespace {

constexpr qint64 kDay = 1440;

qint64 ceilDiv(qint64 a, qint64 b) { return a / b + (a % b > 0 ? 1 : 0); }

FeeResult bad() { return {0, FeeStatus::BadValue}; }
FeeResult missing() { return {0, FeeStatus::MissingRow}; }

} // namespace

FeeResult FeeFor(qint64 m, const TariffRow& t, const SlotLookup& slotFee)
{
    if (m <= 0) return {0, FeeStatus::Ok};
    const qint64 days = m / kDay;
    qint64 fee = 0;
    if (days == 0) {
        const SlotFee s = slotFee(static_cast<int>(ceilDiv(m, 5)));
        if (!s.found) return missing();
        if (!s.fee) return bad();
        fee = *s.fee;
        if (t.dailyCapOn) {
            if (!t.dailyCap) return bad();
            if (*t.dailyCap < fee) fee = *t.dailyCap;
        }
    } else {
        const SlotFee s = slotFee(288);
        if (!s.found) return missing();
        if (!s.fee) return bad();
        if (!t.finalUnit || *t.finalUnit <= 0 || !t.finalAmount) return bad();
        const qint64 wholeDay = *s.fee;
        if (t.dailyCapOn) {
            if (!t.dailyCap) return bad();
            qint64 extra = ceilDiv(m % kDay, *t.finalUnit) * *t.finalAmount;
            if (*t.dailyCap < extra) extra = *t.dailyCap;
            fee = days * wholeDay + extra;
        } else {
            fee = wholeDay + ceilDiv(m - kDay, *t.finalUnit) * *t.finalAmount;
        }
    }
    if (t.capOn) {
        if (!t.cap) return bad();
        if (*t.cap < fee) fee = *t.cap;
    }
    if (fee > std::numeric_limits<qint32>::max() || fee < std::numeric_limits<qint32>::min()) return bad();
    return {fee, FeeStatus::Ok};
}

FeeResult FeeFromMinutesWith(const QSqlDatabase& db, const TariffRow& tariff, qint64 minutes)
{
    return FeeFor(minutes, tariff, [&db](int slot) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT 요금 FROM 요금테이블 WHERE 시간 = ?"));
        q.addBindValue(slot);
        if (!q.exec()) throw std::runtime_error(q.lastError().text().toStdString());
        SlotFee s;
        if (!q.next()) return s;
        s.found = true;
        const QVariant v = q.value(0);
        bool ok = false;
        const qint64 fee = v.toLongLong(&ok);
        if (!v.isNull() && ok) s.fee = fee;
        return s;
    });
}

std::optional<qint32> Fee_FromMinutesChecked(Station& st, qint32 minutes)
{
    if (minutes <= 0) return 0;
    const std::optional<TariffRow> tariff = ReadTariffRow(st.Db);
    FeeResult r = tariff ? FeeFromMinutesWith(st.Db, *tariff, minutes) : missing();
    if (r.status != FeeStatus::Ok) {
        st.msgs.Msg_Box(TariffFaultText(), TariffFaultTitle());
        return std::nullopt;
    }
    return static_cast<qint32>(r.fee);
}

qint32 Fee_FromMinutes(Station& st, qint32 minutes) { return Fee_FromMinutesChecked(st, minutes).value_or(0); }

} // namespace tolvo
