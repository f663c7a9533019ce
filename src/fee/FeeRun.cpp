#include "fee/FeeRun.h"

#include "fee/FeeFromMinutes.h"
#include "fee/FeePanel.h"
#include "fee/ParkMinutes.h"
#include "fee/Tariff.h"
#include "platform/Vb.h"
#include "serial/FeeDisplay.h"
#include "core/Station.h"
#include "core/WorkerRights.h"

namespace tolvo {

namespace {

bool allDigits(const QString& s)
{
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return !s.isEmpty();
}

void showTariffFault(Station& st) { st.msgs.Msg_Box(TariffFaultText(), TariffFaultTitle()); }

// Values switched on must be there.
bool tariffUsable(const TariffRow& t)
{
    if (t.discountOn && !t.discountMinutes) return false;
    if (t.graceOn && !t.graceMinutes) return false;
    return true;
}

// The transaction fields one run computes; applied only when the run succeeds.
struct Priced {
    TicketEntry entry;
    QString outDate, outTime;
    qint32 parkMinutes = 0;
    qint32 discMinutes = 0;
    qint32 fee = 0;
};

std::optional<Priced> price(Station& st, const TariffRow& tariff, const TicketEntry& entry)
{
    Priced p;
    p.entry = entry;
    const QDateTime now = st.clock.now();
    p.outDate = FormatDate(now.date());
    p.outTime = FormatTime(now.time());
    const MinutesResult minutes =
        ParkMinutesWith(st.Db, tariff, entry.inDate, entry.inTime, p.outDate, p.outTime);
    if (minutes.status != FeeStatus::Ok) return std::nullopt;
    const qint64 discount = tariff.discountOn ? *tariff.discountMinutes : 0;
    if (discount > 32767 || discount < -32768) return std::nullopt;
    p.parkMinutes = static_cast<qint32>(minutes.minutes);
    if (tariff.graceOn && minutes.minutes <= *tariff.graceMinutes) return p; // grace: free
    const qint64 net = std::max<qint64>(minutes.minutes - discount, 0);
    // A missing slot row (no slot table yet) is no price of 0: the run ends.
    const FeeResult fee = FeeFromMinutesWith(st.Db, tariff, net);
    if (fee.status != FeeStatus::Ok) return std::nullopt;
    p.parkMinutes = static_cast<qint32>(net);
    p.discMinutes = static_cast<qint32>(discount);
    p.fee = static_cast<qint32>(fee.fee);
    return p;
}

void apply(ExitTransaction& t, const Priced& p)
{
    t.TicketNo = p.entry.ticketNo;
    t.InDate = p.entry.inDate;
    t.InTime = p.entry.inTime;
    t.OutDate = p.outDate;
    t.OutTime = p.outTime;
    t.EntryCode = t.TicketData;
    t.ParkMinutes = p.parkMinutes;
    t.DiscMinutes = p.discMinutes;
    t.TotalFee = p.fee;
    t.PayAmount = p.fee;
}

void lockForExit(Station& st)
{
    st.trx.TicketInProgress = true;
    st.screen.setText(QStringLiteral("POut_0"),
                      st.trx.LostTicket ? QStringLiteral(" 분실권  ") : QStringLiteral(" 출차모드"));
    st.trx.DiscKind = QStringLiteral("현금출차");
    st.screen.setEnabled(QStringLiteral("TNum"), false);
    Apply_WorkerRights(st, false);
}

// The fee display shows the amount; it stays silent while its port is closed.
void showOnFeeDisplay(Station& st)
{
    if (st.exitLinks.feeDispAmount) st.exitLinks.feeDispAmount(st.trx.PayAmount);
    else FeeDisp_Amount(st, st.trx.PayAmount);
}

// Runs the common part; false when the run ended without changing anything.
bool run(Station& st)
{
    const std::optional<TariffRow> tariff = ReadTariffRow(st.Db);
    if (!tariff || !tariffUsable(*tariff)) {
        showTariffFault(st);
        return false;
    }
    const std::optional<TicketEntry> entry = ParseTicketData(st.trx.TicketData);
    if (!entry) {
        st.msgs.Msg_Box(QStringLiteral("발권 데이터가 올바르지 않습니다."), QStringLiteral("입력오류"));
        return false;
    }
    const std::optional<Priced> priced = price(st, *tariff, *entry);
    if (!priced) {
        showTariffFault(st);
        return false;
    }
    apply(st.trx, *priced);
    Fee_Display(st);
    return true;
}

} // namespace

std::optional<TicketEntry> ParseTicketData(const QString& data)
{
    if (data.size() != 16) return std::nullopt;
    const QString date = data.mid(4, 8);
    const QString time = data.mid(12, 4);
    if (!allDigits(date) || !allDigits(time)) return std::nullopt;
    if (!QDate::fromString(date, QStringLiteral("yyyyMMdd")).isValid()) return std::nullopt;
    if (!QTime::fromString(time, QStringLiteral("hhmm")).isValid()) return std::nullopt;
    TicketEntry e;
    e.ticketNo = data.left(4);
    e.inDate = date.left(4) + QLatin1Char('-') + date.mid(4, 2) + QLatin1Char('-') + date.mid(6, 2);
    e.inTime = time.left(2) + QLatin1Char(':') + time.mid(2, 2);
    return e;
}

bool Calc_TicketFee(Station& st)
{
    if (!run(st)) return false;
    ++st.trx.ShownCount; // on screen now; the fee display may take a while
    showOnFeeDisplay(st);
    lockForExit(st);
    st.trx.ExitDone = false;
    return true;
}

bool Calc_TicketFee_NoDisp(Station& st)
{
    if (!run(st)) return false;
    lockForExit(st);
    return true;
}

} // namespace tolvo
