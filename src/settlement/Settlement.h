#pragma once

#include "settlement/Totals.h"

#include <QString>

// The end of a worker's shift: the report on the receipt printer, the
// confirmation, the marking of the period's rows, the next period and the
// next worker.
namespace tolvo {

struct Station;

// What the settlement does to its screen (Jungsan); tests record it.
class SettlementView {
public:
    virtual ~SettlementView() = default;
    virtual void setStatus(const QString& text) = 0; // Label2, repainted at once
    virtual void setBusy(bool on) = 0;               // the hourglass
    virtual void refreshTotals() = 0;                // Data1 on the open period
    virtual void showTotals(const PeriodTotals& t) = 0; // Data1 on other sums
    virtual void unload() = 0;                       // closes the screen
};

// The hourglass for the life of the object.
class BusyCursor {
public:
    explicit BusyCursor(SettlementView& v) : m_view(v) { m_view.setBusy(true); }
    ~BusyCursor() { m_view.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    SettlementView& m_view;
};

enum class SettleResult {
    Closed,    // 취소: the screen closed
    NoPrinter, // no printer or no print options: nothing printed
    Refused,   // the report printed, the worker said no
    Failed,    // an error was shown; the period is still open
    Settled,   // the period is closed and the next one open
};

inline const QString kSettleDoneStatus = QStringLiteral("완료되었습니다. 정산을 하십시요!");
inline const QString kSettleQuestion = QStringLiteral("주의 : 영업마감을 하면 취소할 수 없습니다.");

// The click of Command1: index 0 settles, index 2 closes (both stamp the
// worker on the open rows first). Never throws: a database error is shown and
// rolls the marking back, so the station never loses its open period.
SettleResult Jungsan_Command1(Station& st, SettlementView& view, int index);

// The marking and the next period (one transaction), then the host flags.
// periodEnd is the "yyyy-mm-dd hh:nn" stamp written on the settled rows.
// Throws DbError with nothing changed.
void Settle_MarkPeriod(Station& st, const QString& periodEnd);

} // namespace tolvo
