#include "station/ExitRecord.h"

#include "database/Bands.h"
#include "core/Sql.h"
#include "fee/FeePanel.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "core/Station.h"

#include <QSqlQuery>

namespace tolvo {

namespace {

const QString kSection = QStringLiteral("시스템");

// 전송여부 of a new row: the opposite of the print-options switch (Null is off).
bool sentFlag(const Station& st, const QString& switchField)
{
    return !ToBool(Scalar(st.Db, QStringLiteral("SELECT ") + Id(switchField) + QStringLiteral(" FROM 인쇄옵션")));
}

bool entryRowExists(const Station& st, const QString& entryCode)
{
    return Scalar(st.Db, QStringLiteral("SELECT 1 FROM 일반권 WHERE 입차코드 = ?"), {entryCode}).isValid();
}

void addExitRow(const Station& st, bool sent)
{
    const ExitTransaction& t = st.trx;
    Exec(st.Db,
         QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, "
                        "총주차시간, 총주차요금, 할인시간, 실수령금액, 전송여부, 할인구분) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
         {int(st.models.PosCode), t.TicketNo, t.InDate, t.InTime, t.OutDate, t.OutTime, t.EntryCode,
          QString::number(t.ParkMinutes), t.TotalFee, t.DiscMinutes, t.PayAmount, int(sent), t.DiscKind});
}

void updateExitRow(const Station& st, bool sent)
{
    const ExitTransaction& t = st.trx;
    Exec(st.Db,
         QStringLiteral("UPDATE 일반권 SET 출차일 = ?, 출차시간 = ?, 총주차시간 = ?, 총주차요금 = ?, 할인시간 = ?, "
                        "실수령금액 = ?, 전송여부 = ?, 할인구분 = ? WHERE 입차코드 = ?"),
         {t.OutDate, t.OutTime, QString::number(t.ParkMinutes), t.TotalFee, t.DiscMinutes, t.PayAmount,
          int(sent), t.DiscKind, t.EntryCode});
}

void countHour(const Station& st, bool alsoEntry)
{
    const int hour = st.clock.now().time().hour();
    const QString entry = alsoEntry ? QStringLiteral("일반권입차수 = 일반권입차수 + 1, ") : QString();
    Exec(st.Db,
         QStringLiteral("UPDATE 시간대별 SET ") + entry +
             QStringLiteral("일반권출차수 = 일반권출차수 + 1, 금액 = 금액 + ?, 대수 = 대수 + 1, 데이터유무 = 1 "
                            "WHERE 정산여부 = 0 AND 시간대 = ?"),
         {st.trx.PayAmount, hour});
}

void keepReprintCopy(const Station& st, bool sent)
{
    const ExitTransaction& t = st.trx;
    Exec(st.Db, QStringLiteral("DELETE FROM 임시일반권"));
    Exec(st.Db,
         QStringLiteral("INSERT INTO 임시일반권 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, "
                        "총주차요금, 할인시간, 실수령금액, 전송여부, 할인구분) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
         {t.TicketNo, t.InDate, t.InTime, t.OutDate, t.OutTime, t.EntryCode, QString::number(t.ParkMinutes),
          t.TotalFee, t.DiscMinutes, t.PayAmount, int(sent), t.DiscKind});
}

void countDiscounts(const Station& st)
{
    Exec(st.Db, QStringLiteral("UPDATE 할인현황 SET 건수 = 건수 + 1, 금액 = 금액 + ? WHERE 명칭 = ? AND 정산여부 = 0"),
         {st.trx.PayAmount, st.trx.DiscKind});

    // Row n of the active keys (same filter and order as the in-memory list) is key n.
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 명칭, 중복사용 FROM 할인키 WHERE 사용여부 = 1 "
                                              "ORDER BY 키코드2, 키코드1"));
    std::vector<std::pair<QString, int>> repeated;
    const auto& state = st.discKeys.DiscKeyState;
    for (size_t n = 0; q.next(); ++n) {
        if (n < state.size() && state[n] > 0 && ToBool(q.value(1)))
            repeated.emplace_back(q.value(0).toString(), int(state[n]));
    }
    q.finish();
    for (const auto& [name, count] : repeated)
        Exec(st.Db, QStringLiteral("UPDATE 할인현황 SET 건수 = 건수 + ? WHERE 명칭 = ? AND 정산여부 = 0"),
             {count, name});
}

// The band number picks the column pair; nothing typed reaches the SQL text.
void countBand(const Station& st, const QString& table, int band)
{
    const QString count = Id(QStringLiteral("건수%1").arg(band));
    const QString amount = Id(QStringLiteral("금액%1").arg(band));
    Exec(st.Db,
         QStringLiteral("UPDATE %1 SET %2 = %2 + 1, %3 = %3 + ? WHERE 정산여부 = 0").arg(Id(table), count, amount),
         {st.trx.PayAmount});
}

qint64 counter(const Station& st, int i)
{
    return qint64(Val(st.screen.text(QStringLiteral("CarCnt_%1").arg(i))));
}

void setCounter(Station& st, int i, qint64 v)
{
    st.screen.setText(QStringLiteral("CarCnt_%1").arg(i), QString::number(v));
}

// The car counters after the rows are stored.
void updateCounters(Station& st, bool newRow)
{
    if (newRow) {
        const qint64 in = counter(st, 0) + 1, out = counter(st, 1) + 1;
        Write_IniCounter(st.IniPath, kSection, QStringLiteral("일반권입차수"), QString::number(in));
        Write_IniCounter(st.IniPath, kSection, QStringLiteral("일반권출차수"), QString::number(out));
        setCounter(st, 0, in);
        setCounter(st, 1, out);
        setCounter(st, 2, in - out);
        return;
    }
    const qint64 out = qint64(Val(Read_Ini(st.IniPath, kSection, QStringLiteral("일반권출차수"), QStringLiteral("0")))) + 1;
    setCounter(st, 1, out);
    setCounter(st, 2, counter(st, 0) - out);
    Write_IniCounter(st.IniPath, kSection, QStringLiteral("일반권출차수"), QString::number(out));
    setCounter(st, 6, counter(st, 6) - 1);
}

void resetScreen(Station& st)
{
    st.screen.setText(QStringLiteral("Fnd"), QStringLiteral("      0"));
    st.screen.refreshTotals();
    const QString line = QStringLiteral("일반권차량 정산 완료!   주차권번호 : ") + st.trx.TicketNo;
    st.screen.setText(QStringLiteral("PnlMsg"), line);
    st.screen.appendList1(line);
    Fee_LabelColor(st, kPanelDimmed);
    st.trx.TicketData.clear();
    st.trx.DiscKind = QStringLiteral("현금출차");
}

} // namespace

bool Record_GeneralExit(Station& st)
{
    bool newRow = false;
    try {
        Transaction tx(st.Db);
        const bool sent = sentFlag(st, QStringLiteral("일반권출차전송"));
        newRow = !entryRowExists(st, st.trx.EntryCode);
        if (newRow) addExitRow(st, sent);
        else updateExitRow(st, sent);
        countHour(st, newRow);
        keepReprintCopy(st, sent);
        countDiscounts(st);
        countBand(st, QStringLiteral("주차시간대별"), bands::DurationBand(st.trx.ParkMinutes));
        countBand(st, QStringLiteral("금액대별"), bands::AmountBand(st.trx.PayAmount));
        tx.commit();
    } catch (const std::exception& e) {
        ShowExitError(st, e);
        return false;
    }
    updateCounters(st, newRow);
    return true;
}

void Finish_GeneralExit(Station& st) { resetScreen(st); }

bool Save_GeneralExit(Station& st)
{
    if (!Record_GeneralExit(st)) return false;
    Finish_GeneralExit(st);
    return true;
}

void ShowExitError(Station& st, const std::exception& e)
{
    QString text = QString::fromUtf8(e.what());
    if (const auto* db = dynamic_cast<const DbError*>(&e)) text = db->message();
    st.msgs.Msg_Box(QStringLiteral("자료를 저장하거나 읽지 못했습니다.") + QLatin1Char('\n') + text,
                    QStringLiteral("데이터 베이스 오류"));
}

} // namespace tolvo
