#include "station/ExitKeys.h"

#include "core/Sql.h"
#include "core/TicketStamp.h"
#include "fee/DiscountKeys.h"
#include "fee/FeePanel.h"
#include "fee/FeeFromMinutes.h"
#include "fee/FeeRun.h"
#include "platform/Vb.h"
#include "serial/FeeDisplay.h"
#include "serial/Printer.h"
#include "serial/Receipt.h"
#include "station/ExitCancel.h"
#include "station/ExitRecord.h"
#include "core/Station.h"
#include "core/WorkerRights.h"

#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tolvo {

namespace {

const QChar US(0x1F);

qint32 clamp32(double v)
{
    if (std::isnan(v)) return 0;
    return qint32(std::clamp(v, double(std::numeric_limits<qint32>::min()), double(std::numeric_limits<qint32>::max())));
}

// A rate as the whole number it is assigned to (halves to even).
qint32 wholeRate(double r) { return clamp32(std::nearbyint(r)); }

QString twoDigits(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

// A device that fails (its settings unreadable, say) is reported; the exit goes on.
template <class F>
auto guarded(Station& st, F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const std::exception& e) {
        ShowExitError(st, e);
    }
    return decltype(f())();
}

// --- devices: the link when a test or the program set one, else the serial routine
void gateOpen(Station& st)
{
    guarded(st, [&] { st.exitLinks.gateOpen ? st.exitLinks.gateOpen() : FeeDisp_GateOpen(st); });
}
void feeDispAmount(Station& st, qint32 a)
{
    guarded(st, [&] { st.exitLinks.feeDispAmount ? st.exitLinks.feeDispAmount(a) : FeeDisp_Amount(st, a); });
}
void feeDispTime(Station& st, const QString& hhnn)
{
    guarded(st, [&] { st.exitLinks.feeDispTime ? st.exitLinks.feeDispTime(hhnn) : FeeDisp_Time(st, hhnn); });
}
void openDrawer(Station& st)
{
    guarded(st, [&] { st.exitLinks.openDrawer ? st.exitLinks.openDrawer() : Printer_OpenDrawer(st); });
}
void receiptPrint(Station& st)
{
    guarded(st, [&] { st.exitLinks.receiptPrint ? st.exitLinks.receiptPrint() : Receipt_Print(st); });
}
bool readerWrite(Station& st, const QString& d)
{
    return guarded(st, [&] { return st.exitLinks.readerWrite && st.exitLinks.readerWrite(d); });
}
void readerPrint90(Station& st, const QString& d)
{
    guarded(st, [&] { if (st.exitLinks.readerPrint90) st.exitLinks.readerPrint90(d); });
}
void readerPrint96(Station& st, const QString& d)
{
    guarded(st, [&] { if (st.exitLinks.readerPrint96) st.exitLinks.readerPrint96(d); });
}
void readerEject(Station& st)
{
    guarded(st, [&] { if (st.exitLinks.readerEject) st.exitLinks.readerEject(); });
}

// Clears ExitDone however the completion ends, so that a failure never leaves
// the station ignoring Enter and Esc.
struct ExitDoneReset {
    ExitTransaction& t;
    ~ExitDoneReset() { t.ExitDone = false; }
};

void stampRecycled(Station& st)
{
    ExitTransaction& t = st.trx;
    while (!readerWrite(st, RecycleStampData(t.RecycleLine, t.EntryCode, t.OutDate, t.OutTime))) {
        const bool retry = st.msgs.MBox(QStringLiteral("기록 오류 발생 : 취소를 하더라도 정상적인 정산처리가 됩니다.\n\n"
                                                       "재시도 하시겠습니까?"),
                                        QStringLiteral("주차권 리더기 에러"), QStringLiteral("재시도"));
        if (!retry) {
            st.msgs.Msg_Box(QStringLiteral("주의 : 이주차권은 반드시 주차권 소거기로 초기화한후 사용하시기 바랍니다."),
                            QStringLiteral("주차권 리더기 에러"));
            break;
        }
    }
    t.RecycleLine = qint16(t.RecycleLine + 5);
    if (st.models.ReaderCanPrint) readerPrint96(st, RecyclePrintData(t.RecycleLine, t.OutDate, t.OutTime, t.PayAmount));
    readerEject(st);
}

void stampPaper(Station& st)
{
    const ExitTransaction& t = st.trx;
    if (st.settings.CardEncoding == QStringLiteral("1"))
        readerWrite(st, PaperStampData(t.EntryCode, st.clock.now().toString(QStringLiteral("yyMMddHHmm")), t.OutDate,
                                       t.OutTime));
    if (st.models.ReaderCanPrint) readerPrint90(st, PaperPrintData(t.OutDate, t.OutTime, t.PayAmount));
    readerEject(st);
}

// A cancellation recorded earlier for the ticket being completed disappears.
void dropCancellation(Station& st)
{
    try {
        Exec(st.Db, QStringLiteral("DELETE FROM 출차취소 WHERE 입차코드 = ?"), {st.trx.EntryCode});
    } catch (const std::exception& e) {
        ShowExitError(st, e);
    }
}

// The station back to "waiting for a ticket" after a completion or a cancellation.
void backToIdle(Station& st)
{
    ExitTransaction& t = st.trx;
    t.TicketInProgress = false;
    st.screen.setVisible(QStringLiteral("Shape1"), false);
    st.screen.setText(QStringLiteral("POut_0"), QStringLiteral(" 번호입력"));
    st.screen.setEnabled(QStringLiteral("TNum"), true);
    guarded(st, [&] { Apply_WorkerRights(st, true); });
    st.screen.setText(QStringLiteral("TNum"), QString());
    st.screen.setFocus(QStringLiteral("TNum"));
    t.LostTicket = false;
    t.TicketTyped = false;
    // The guard belongs to one lookup; left set it would swallow the next ticket's first Enter.
    t.EnterGuard = false;
    st.StationBusy = false;
    Reset_DiscKeyState(st);
    // The typed ticket's exit has ended: the cards its lookup held come next
    // (after the cancellation or completion that runs this).
    if (std::exchange(t.CardsWaitForExit, false) && st.exitLinks.readerHoldCards) st.exitLinks.readerHoldCards(false);
}

struct DiscountKeyRow {
    QString name;
    int kind1 = 0, kind2 = 0;
    double rate1 = 0, rate2 = 0;
    bool combinable = false;
};

std::optional<DiscountKeyRow> findDiscountKey(const Station& st, int keyCode, int shift)
{
    QSqlQuery q = Query(st.Db,
                        QStringLiteral("SELECT 명칭, 할인종류1, 적용요율1, 할인종류2, 적용요율2, 중복사용 FROM 할인키 "
                                       "WHERE 사용여부 = 1 AND 키코드1 = ? AND 키코드2 = ? ORDER BY 키코드2, 키코드1"),
                        {keyCode, shift});
    if (!q.next()) return std::nullopt;
    return DiscountKeyRow{q.value(0).toString(), int(Val(q.value(1).toString())), int(Val(q.value(3).toString())),
                          Val(q.value(2).toString()), Val(q.value(4).toString()), ToBool(q.value(5))};
}

} // namespace

QString RecyclePrintData(qint16 recycleLine, const QString& outDate, const QString& outTime, qint32 payAmount)
{
    const QString a = FormatMoney6(payAmount);
    return twoDigits(recycleLine) + US + QStringLiteral("H") + US + QStringLiteral("0") + QStringLiteral(" 출:") +
           outDate.mid(5, 2) + QStringLiteral("/") + outDate.mid(8, 2) + QStringLiteral(" ") + outTime.mid(0, 2) +
           QStringLiteral(":") + outTime.mid(3, 2) + QString(std::max<qsizetype>(0, 9 - a.size()), QLatin1Char(' ')) +
           QStringLiteral("W") + a;
}

QString PaperPrintData(const QString& outDate, const QString& outTime, qint32 payAmount)
{
    return QStringLiteral("19") + US + QStringLiteral("2    ") + outDate + QStringLiteral(" ") + outTime +
           QStringLiteral("  \\") + FormatMoney(payAmount);
}

bool DiscountKeyBound(const Station& st, int keyCode, int shift)
{
    return findDiscountKey(st, keyCode, shift).has_value();
}

bool ExitKeys_KeyUp(Station& st, int keyCode, int shift, KeyPressed pressed)
{
    if (!st.trx.TicketInProgress) return false;
    if (pressed == KeyPressed::BeforeShown || pressed == KeyPressed::Elsewhere) {
        // Not meant for this ticket; the first Enter released after its lookup
        // is the guard's all the same, wherever it was pressed.
        if (keyCode == 13 && !st.trx.ExitDone && !st.trx.LostTicket) st.trx.EnterGuard = false;
        return true;
    }
    try {
        if (keyCode == 27) Exit_Cancel(st);
        else if (keyCode == 13) Exit_Complete(st);
        else Exit_DiscountKey(st, keyCode, shift);
    } catch (const std::exception& e) {
        ShowExitError(st, e);
    }
    return true;
}

void Exit_Cancel(Station& st)
{
    ExitTransaction& t = st.trx;
    if (!t.TicketInProgress || t.ExitDone) return; // a completion under way is not cancelled
    const ReaderCardsHeld cards(st.exitLinks);     // a card read meanwhile comes after the cancellation
    if (st.settings.KeepRecords) Save_ExitCancel(st);
    if (!t.LostTicket && !t.TicketTyped) readerEject(st);
    feeDispTime(st, st.clock.now().toString(QStringLiteral("HHmm")));
    const QString line = QStringLiteral("일반권차량의 정산을 취소 하였습니다!");
    st.screen.setText(QStringLiteral("PnlMsg"), line);
    st.screen.appendList1(line);
    Fee_LabelColor(st, kPanelDimmed);
    t.TicketData.clear();
    backToIdle(st);
    st.screen.setText(QStringLiteral("Fnd"), QStringLiteral("      0"));
}

void Exit_Complete(Station& st)
{
    ExitTransaction& t = st.trx;
    if (!t.TicketInProgress || t.ExitDone) return;
    if (!t.LostTicket && t.EnterGuard) {
        t.EnterGuard = false; // the release of the Enter that started the lookup
        return;
    }
    const ReaderCardsHeld cards(st.exitLinks); // a card read meanwhile comes after the completion
    t.ExitDone = true;
    const ExitDoneReset reset{t};
    // The exit is stored before the barrier opens and before anything that may wait
    // for a person (a printer's or the reader's message): a station stopped at such a
    // message keeps it. Nothing recorded: the ticket stays for another Enter or Esc.
    if (!Record_GeneralExit(st)) return;
    st.HostPending[HostOUT] = true;
    if (st.settings.KeepRecords) dropCancellation(st);
    gateOpen(st);
    if (t.PayAmount > 0) {
        openDrawer(st);
        receiptPrint(st);
    }
    if (!t.LostTicket && !t.TicketTyped) {
        if (st.models.DispenserType == 2) stampRecycled(st);
        else stampPaper(st);
    }
    Finish_GeneralExit(st);
    backToIdle(st);
}

void ApplyDiscountKind(Station& st, int kind, double rate)
{
    ExitTransaction& t = st.trx;
    switch (kind) {
    case DiscMinutes: {
        const qint32 r = wholeRate(rate);
        const qint32 remaining = std::max<qint32>(0, clamp32(double(t.ParkMinutes) - r));
        const bool fromRemaining = ToBool(Scalar(st.Db, QStringLiteral("SELECT 기본요금포함여부 FROM 기타")));
        // A broken tariff leaves the ticket as it stood rather than making it free.
        const std::optional<qint32> fee = Fee_FromMinutesChecked(st, fromRemaining ? remaining : r);
        if (!fee) break;
        t.ParkMinutes = remaining;
        t.DiscMinutes = clamp32(double(t.DiscMinutes) + r);
        // A discount never raises the amount: a free stay stays free.
        t.PayAmount = std::min(t.PayAmount, fromRemaining ? *fee : clamp32(double(t.PayAmount) - *fee));
        break;
    }
    case DiscAmount:
        t.PayAmount = double(t.PayAmount) <= rate ? 0 : clamp32(double(t.PayAmount) - wholeRate(rate));
        break;
    case DiscPercent: t.PayAmount = clamp32(std::floor(double(t.PayAmount) * rate / 100.0)); break;
    case DiscFree: t.PayAmount = 0; break;
    case DiscFixed: t.PayAmount = wholeRate(rate); break;
    default: break;
    }
    if (t.PayAmount < 0) t.PayAmount = 0;
}

void Exit_DiscountKey(Station& st, int keyCode, int shift)
{
    ExitTransaction& t = st.trx;
    if (!t.TicketInProgress || t.ExitDone) return; // no discount while the exit is being completed
    const auto key = findDiscountKey(st, keyCode, shift);
    if (!key) return;
    DiscountKeys& dk = st.discKeys;
    for (size_t i = 0; i < dk.DiscKeyCode1.size() && i < dk.DiscKeyState.size(); ++i) {
        if (dk.DiscKeyCode1[i] != keyCode || dk.DiscKeyCode2[i] != shift) continue;
        if (key->combinable) {
            dk.DiscComboUsed = true;
        } else if (dk.DiscComboUsed) {
            st.screen.setVisible(QStringLiteral("Shape1"), true);
            st.screen.setText(QStringLiteral("PnlMsg"), QStringLiteral("이미 쿠폰을 사용중이므로 할인이 불가 합니다"));
            return;
        } else {
            // The run has said why it could not price the ticket: it stays as it stood.
            if (!Calc_TicketFee_NoDisp(st)) return;
            t.DiscKind = key->name;
        }
        if (dk.DiscKeyState[i] < 255) ++dk.DiscKeyState[i];
    }
    ApplyDiscountKind(st, key->kind1, key->rate1);
    if (!key->combinable) ApplyDiscountKind(st, key->kind2, key->rate2);
    feeDispAmount(st, t.PayAmount);
    Fee_Display(st);
}

} // namespace tolvo
