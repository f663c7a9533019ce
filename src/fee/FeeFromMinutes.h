#pragma once

#include "fee/Tariff.h"

#include <QSqlDatabase>
#include <functional>
#include <optional>

namespace tolvo {

struct Station;

// A slot row as read: no row, or a row whose fee may be Null.
struct SlotFee {
    bool found = false;
    std::optional<qint64> fee;
};
using SlotLookup = std::function<SlotFee(int slot)>;

struct FeeResult {
    qint64 fee = 0;
    FeeStatus status = FeeStatus::Ok;
};

// The fee of m billable minutes under the tariff, slot fees from the lookup.
// Pure; computed in 64 bits, a result beyond 32 bits is a bad value.
FeeResult FeeFor(qint64 minutes, const TariffRow& tariff, const SlotLookup& slotFee);

// The same on the database's slot table. Shows nothing.
FeeResult FeeFromMinutesWith(const QSqlDatabase& db, const TariffRow& tariff, qint64 minutes);

// Fee in won of m billable minutes, reading 기타 and 요금테이블 afresh. On a
// tariff fault shows the tariff-fault message once and gives 0.
qint32 Fee_FromMinutes(Station& st, qint32 minutes);
// The same, but a tariff fault (after its message) gives no fee, so that a
// caller never takes the fault for a free stay.
std::optional<qint32> Fee_FromMinutesChecked(Station& st, qint32 minutes);

} // namespace tolvo
