#include "station/TicketEntry.h"

#include "core/Sql.h"
#include "fee/FeeRun.h"
#include "fee/FeePanel.h"
#include "platform/Vb.h"
#include "station/ExitRecord.h"
#include "core/Station.h"

#include <QSqlQuery>

namespace tolvo {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool allDigits(const QString& s)
{
    for (const QChar c : s)
        if (!isDigit(c)) return false;
    return true;
}

// "yymmddhhnn" read as the date "yy-mm-dd hh:nn" of this century.
bool isValidStamp(const QString& s)
{
    if (s.size() != 10 || !allDigits(s)) return false;
    const int yy = s.mid(0, 2).toInt(), mm = s.mid(2, 2).toInt(), dd = s.mid(4, 2).toInt();
    const int hh = s.mid(6, 2).toInt(), nn = s.mid(8, 2).toInt();
    return QDate::isValid(2000 + yy, mm, dd) && hh < 24 && nn < 60;
}

struct SettledRow {
    QString ticketNo, outDate, outTime, inDate, inTime;
    QVariant discMinutes, parkMinutes, totalFee;
};

std::optional<SettledRow> findSettled(const Station& st, const QString& entryCode)
{
    QSqlQuery q = Query(st.Db,
        QStringLiteral("SELECT 티켓번호, 출차일, 출차시간, 입차일, 입차시간, 할인시간, 총주차시간, 총주차요금 "
                       "FROM 일반권 WHERE 입차코드 = ? AND 출차일 IS NOT NULL"),
        {entryCode});
    if (!q.next()) return std::nullopt;
    return SettledRow{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                      q.value(3).toString(), q.value(4).toString(), q.value(5), q.value(6), q.value(7)};
}

QString moneyText(const QVariant& v)
{
    return v.isNull() ? QStringLiteral("원") : FormatMoney6(qint64(Val(v.toString()))) + QStringLiteral("원");
}

void showSettled(Station& st, const SettledRow& r)
{
    MainScreen& s = st.screen;
    s.setText(QStringLiteral("LOut_1"), r.ticketNo);
    s.setText(QStringLiteral("LOut_2"), r.outDate + QLatin1Char(' ') + r.outTime);
    s.setText(QStringLiteral("LOut_3"), r.inDate + QLatin1Char(' ') + r.inTime);
    s.setText(QStringLiteral("LOut_4"), r.discMinutes.toString() + QStringLiteral("분"));
    s.setText(QStringLiteral("LOut_5"), r.parkMinutes.toString() + QStringLiteral("분"));
    s.setText(QStringLiteral("LOut_6"), moneyText(r.totalFee));
    Fee_LabelColor(st, kPanelDimmed);
    st.msgs.Msg_Box(QStringLiteral("이미정산이 완료된 주차권입니다....."), QStringLiteral("정산오류"));
    s.setText(QStringLiteral("TNum"), QString());
}

// Starts the fee run for st.trx.TicketData; a run that starts no transaction
// (tariff fault, bad data) leaves the station idle with the box emptied.
void startFeeRun(Station& st)
{
    st.trx.EnterGuard = true;
    st.trx.TicketTyped = true;
    if (Calc_TicketFee(st)) return;
    st.screen.setText(QStringLiteral("TNum"), QString());
    EndLookupWithoutTicket(st);
}

// A settled ticket is shown, anything else is priced.
void settledCheckThenFee(Station& st)
{
    if (const auto row = findSettled(st, st.trx.TicketData)) {
        showSettled(st, *row);
        EndLookupWithoutTicket(st);
        return;
    }
    startFeeRun(st);
}

// FrmInput for the typed number; false when cancelled (the box is emptied).
bool askEntry(Station& st, const QString& ticketNo)
{
    const QString data = st.exitLinks.frmInput ? st.exitLinks.frmInput(ticketNo) : QString();
    if (data.isEmpty()) {
        st.screen.setText(QStringLiteral("TNum"), QString());
        EndLookupWithoutTicket(st);
        return false;
    }
    st.trx.TicketData = data;
    return true;
}

void lookupNumber(Station& st, const QString& t)
{
    if (!IsNumeric(t)) {
        st.screen.setText(QStringLiteral("TNum"), QString());
        return;
    }
    st.StationBusy = true;
    // The entry code begins with the ticket number: its range lets the key's index find the rows.
    QString after = t;
    after.back() = QChar(after.back().unicode() + 1);
    QSqlQuery q = Query(st.Db,
                        QStringLiteral("SELECT 입차코드 FROM 일반권 WHERE 입차코드 >= ? AND 입차코드 < ? "
                                       "AND 티켓번호 = ? AND 출차일 IS NULL"),
                        {t, after, t});
    QStringList codes;
    while (q.next()) codes << q.value(0).toString();
    q.finish();

    if (codes.size() == 1) {
        st.trx.TicketData = codes.front();
        startFeeRun(st);
        return;
    }
    if (codes.size() > 1)
        st.msgs.Msg_Box(QStringLiteral("동일 주차권번호가 존재하므로 입차일시를 정확히 입력 하세요!"),
                        QStringLiteral("주차권번호 중복"));
    // No open entry, or several: the worker types the entry; a typed entry
    // that was settled already must not be recorded a second time.
    if (!askEntry(st, t)) return;
    settledCheckThenFee(st);
}

void lookupData(Station& st, const QString& t)
{
    st.StationBusy = true;
    st.trx.TicketData = t;
    if (!isValidStamp(t.mid(4, 10))) {
        st.msgs.Msg_Box(QStringLiteral("주차권형식이 맞지않습니다....") + QLatin1Char('\n') + t,
                        QStringLiteral("입차데이터 오류"));
        st.screen.setText(QStringLiteral("TNum"), QString());
        EndLookupWithoutTicket(st);
        return;
    }
    st.trx.TicketData = t.left(4) + QStringLiteral("20") + t.mid(4, 10);
    st.screen.setText(QStringLiteral("TNum"), t.left(4));
    settledCheckThenFee(st);
}

} // namespace

std::optional<QString> TNum_Change(const QString& text)
{
    if (text.isEmpty() || isDigit(text.back())) return std::nullopt;
    return text.left(text.size() - 1);
}

bool TNum_KeyPress(Station& st, int keyAscii)
{
    if (keyAscii != 13) return false;
    TNum_Lookup(st);
    return true;
}

namespace {

// The reader's cards wait for the lookup. Cards that came meanwhile, when it
// leaves a ticket on screen, wait for that ticket's completion or
// cancellation: Enter completes the ticket the cashier typed and saw.
class LookupHoldsCards {
public:
    explicit LookupHoldsCards(Station& st) : m_st(st) { hold(true); }
    ~LookupHoldsCards()
    {
        const bool waiting = m_st.exitLinks.readerCardsWaiting && m_st.exitLinks.readerCardsWaiting();
        if (waiting && m_st.trx.TicketInProgress && !m_st.trx.CardsWaitForExit) m_st.trx.CardsWaitForExit = true;
        else hold(false);
    }
    LookupHoldsCards(const LookupHoldsCards&) = delete;
    LookupHoldsCards& operator=(const LookupHoldsCards&) = delete;

private:
    void hold(bool on)
    {
        if (m_st.exitLinks.readerHoldCards) m_st.exitLinks.readerHoldCards(on);
    }
    Station& m_st;
};

} // namespace

void TNum_Lookup(Station& st)
{
    if (st.trx.ExitDone) return;
    // A card the reader read before this Enter comes first; its ticket then
    // stands, and this Enter's release is not for it.
    const bool shown = st.trx.TicketInProgress;
    if (st.exitLinks.readerCatchUp) st.exitLinks.readerCatchUp();
    if (st.trx.TicketInProgress) {
        if (!shown) st.trx.EnterGuard = true;
        return;
    }
    QString t = st.screen.text(QStringLiteral("TNum")).trimmed();
    if (t.size() == 16) t = t.mid(2);
    if (t.size() != 4 && t.size() != 14) return;
    const LookupHoldsCards cards(st);
    try {
        if (t.size() == 4) lookupNumber(st, t);
        else lookupData(st, t);
    } catch (const std::exception& e) {
        ShowExitError(st, e);
        if (!st.trx.TicketInProgress) EndLookupWithoutTicket(st);
    }
}

void EndLookupWithoutTicket(Station& st)
{
    // A ticket on screen (its own, or one that came in meanwhile) keeps its data and flags.
    if (st.trx.TicketInProgress) return;
    st.StationBusy = false;
    st.trx.EnterGuard = false;
    st.trx.TicketTyped = false;
    st.trx.TicketData.clear();
}

} // namespace tolvo
