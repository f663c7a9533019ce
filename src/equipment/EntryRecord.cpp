#include "equipment/EntryRecord.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Ini.h"
#include "platform/Vb.h"

#include <optional>
#include <utility>
#include <vector>

namespace tolvo {

namespace {

const QString kSystem = QStringLiteral("시스템");
const QString kW1 = QStringLiteral("LblWarning1");
const QString kW2 = QStringLiteral("LblWarning2");
constexpr int kHalfDaySeconds = 12 * 3600;

std::optional<QTime> issueTime(const IssuedTicket& t)
{
    const auto digits = [](const QString& s) {
        if (s.size() != 2) return false;
        for (const QChar c : s)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        return true;
    };
    if (!digits(t.hh) || !digits(t.nn)) return std::nullopt;
    const QTime time(t.hh.toInt(), t.nn.toInt());
    if (!time.isValid()) return std::nullopt;
    return time;
}

bool sendsEntriesToHost(const Station& st)
{
    return ToBool(Scalar(st.Db, QStringLiteral("SELECT 일반권입차전송 FROM 인쇄옵션")));
}

void storeRows(const Station& st, DispenserFamily family, const QString& ticketNo, const QString& inDate,
               const QString& inTime, const QString& entryCode, bool sendToHost)
{
    Transaction t(st.Db);
    if (Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 일반권 WHERE 입차코드 = ?"), {entryCode}).toInt() > 0)
        throw EntryRefused(QStringLiteral("이미 기록된 주차권입니다. 입차코드 : %1").arg(entryCode).toStdString());
    Insert(st.Db, QStringLiteral("일반권"),
           {{QStringLiteral("포스코드"), st.models.PosCode},
            {QStringLiteral("티켓번호"), ticketNo},
            {QStringLiteral("입차일"), inDate},
            {QStringLiteral("입차시간"), inTime},
            {QStringLiteral("입차코드"), entryCode},
            {QStringLiteral("정산구분"), 0},
            {QStringLiteral("전송여부"), sendToHost ? 0 : 1}});
    const QString also = family == DispenserFamily::Second ? QStringLiteral(", 데이터유무 = 1") : QString();
    Exec(st.Db,
         QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 일반권입차수 + 1") + also +
             QStringLiteral(" WHERE 정산여부 = 0 AND 시간대 = ?"),
         {st.clock.now().time().hour()});
    t.commit();
}

qint64 counter(const Station& st, int i) { return qint64(Val(st.screen.text(QStringLiteral("CarCnt_%1").arg(i)))); }

void setCounter(Station& st, int i, qint64 v) { st.screen.setText(QStringLiteral("CarCnt_%1").arg(i), QString::number(v)); }

// The second family keeps the entry count in the settings file and on the counters.
// Returns the count to store; it goes into the file with the ticket stock.
QString countEntry(Station& st)
{
    const qint64 in = qint64(Val(Read_Ini(st.IniPath, kSystem, QStringLiteral("일반권입차수"), QStringLiteral("0")))) + 1;
    setCounter(st, 0, in);
    setCounter(st, 2, in - counter(st, 1));
    setCounter(st, 6, counter(st, 6) + 1);
    return QString::number(in);
}

qint32 countDownStock(Station& st)
{
    qint32& left = st.settings.TicketsLeft;
    left = left > 0 ? left - 1 : 0;
    st.screen.setText(QStringLiteral("LblTDCnt"), QString::number(left));
    return left;
}

} // namespace

QDate EntryDate(const QDateTime& now, const QTime& issued)
{
    const int ahead = now.time().secsTo(issued);
    return ahead > kHalfDaySeconds ? now.date().addDays(-1) : now.date();
}

QString RecordEntry(Station& st, DispenserFamily family, const IssuedTicket& ticket, const QString& listSuffix,
                    bool keepLamps)
{
    const bool sendToHost = sendsEntriesToHost(st);
    const auto issued = issueTime(ticket);
    if (!issued)
        throw EntryRefused(
            QStringLiteral("발권 시각이 잘못되었습니다 : %1:%2").arg(ticket.hh, ticket.nn).toStdString());
    const QString ticketNo = ticket.ticketNo.left(4).leftJustified(4, QLatin1Char(' '));
    const QDate day = EntryDate(st.clock.now(), *issued);
    const QString inDate = FormatDate(day);
    const QString inTime = ticket.hh + QLatin1Char(':') + ticket.nn;
    const QString entryCode = ticketNo + day.toString(QStringLiteral("yyyyMMdd")) + ticket.hh + ticket.nn;

    storeRows(st, family, ticketNo, inDate, inTime, entryCode, sendToHost);
    // Both counts replace the file once, together, right after the commit: the
    // shorter the time between the two, the fewer tickets a kill leaves uncounted.
    std::vector<std::pair<QString, QString>> counters;
    if (family == DispenserFamily::Second) counters.emplace_back(QStringLiteral("일반권입차수"), countEntry(st));
    const qint32 left = countDownStock(st);
    counters.emplace_back(QStringLiteral("잔여티켓매수"), QString::number(left));
    Write_IniCounters(st.IniPath, kSystem, counters);
    st.screen.refreshTotals();
    const QString text = QStringLiteral("일반권 입차  주차권번호 : ") + ticketNo;
    st.screen.setText(QStringLiteral("PnlMsg"), text);
    st.screen.appendList1(text + listSuffix);
    st.HostPending[HostTD] = true;
    ApplyStockWarnings(st, family, left, keepLamps);
    return inDate;
}

void RaiseDispenserAlarm(Station& st, const QString& lamp)
{
    st.DispenserAlarm = -1;
    st.screen.setText(kW1, kDispenserFault);
    st.screen.setText(kW2, lamp);
}

void ClearDispenserAlarm(Station& st)
{
    st.DispenserAlarm = 0;
    for (const QString& w : {kW1, kW2}) {
        st.screen.setText(w, QString());
        st.screen.setVisible(w, false);
    }
}

void ApplyStockWarnings(Station& st, DispenserFamily family, qint32 count, bool keepLamps)
{
    const QString c = QString::number(count);
    const auto replaceTickets = [&](const QString& lamp) {
        st.screen.setText(QStringLiteral("PnlMsg"), kReplaceTicketsText + c);
        st.screen.setVisible(QStringLiteral("Shape1"), true);
        RaiseDispenserAlarm(st, lamp);
    };
    const bool second = family == DispenserFamily::Second;
    if (count == 0) {
        if (second) replaceTickets(QStringLiteral("주차권없음"));
    } else if (count >= 1 && count <= 9) {
        replaceTickets(QStringLiteral("주차권부족"));
    } else if (count >= 10 && count <= 100 && count % 10 == 0) {
        st.screen.setText(QStringLiteral("PnlMsg"), kRunningLowText + c);
        st.screen.setVisible(QStringLiteral("Shape1"), true);
    } else if (second && !keepLamps) {
        st.screen.setText(kW1, QString());
        st.screen.setText(kW2, QString());
    }
}

} // namespace tolvo
