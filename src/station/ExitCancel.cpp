#include "station/ExitCancel.h"

#include "core/Sql.h"
#include "station/ExitRecord.h"
#include "core/Station.h"

namespace tolvo {

namespace {

// The worker's name; a name left empty on the workers screen is stored as Null.
QVariant workerName(const Station& st)
{
    return st.worker.WorkerName.isEmpty() ? QVariant() : QVariant(st.worker.WorkerName);
}

void addCancelRow(const Station& st, bool sent)
{
    const ExitTransaction& t = st.trx;
    Exec(st.Db,
         QStringLiteral("INSERT INTO 출차취소 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, "
                        "총주차요금, 할인시간, 실수령금액, 근무자코드, 근무자명, 할인구분, 전송여부) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
         {t.TicketNo, t.InDate, t.InTime, t.OutDate, t.OutTime, t.EntryCode, QString::number(t.ParkMinutes),
          t.TotalFee, t.DiscMinutes, t.PayAmount, int(st.worker.WorkerCode), workerName(st), t.DiscKind,
          int(sent)});
}

void updateCancelRow(const Station& st, bool sent)
{
    const ExitTransaction& t = st.trx;
    Exec(st.Db,
         QStringLiteral("UPDATE 출차취소 SET 출차일 = ?, 출차시간 = ?, 총주차시간 = ?, 총주차요금 = ?, 할인시간 = ?, "
                        "실수령금액 = ?, 근무자코드 = ?, 근무자명 = ?, 할인구분 = ?, 전송여부 = ? WHERE 입차코드 = ?"),
         {t.OutDate, t.OutTime, QString::number(t.ParkMinutes), t.TotalFee, t.DiscMinutes, t.PayAmount,
          int(st.worker.WorkerCode), workerName(st), t.DiscKind, int(sent), t.EntryCode});
}

} // namespace

bool Save_ExitCancel(Station& st)
{
    try {
        Transaction tx(st.Db);
        const bool sent = !ToBool(Scalar(st.Db, QStringLiteral("SELECT 출차취소전송 FROM 인쇄옵션")));
        const bool exists =
            Scalar(st.Db, QStringLiteral("SELECT 1 FROM 출차취소 WHERE 입차코드 = ?"), {st.trx.EntryCode}).isValid();
        if (exists) updateCancelRow(st, sent);
        else addCancelRow(st, sent);
        tx.commit();
    } catch (const std::exception& e) {
        ShowExitError(st, e);
        return false;
    }
    if (st.settings.ExitCancelNotice)
        st.msgs.Msg_Box(QStringLiteral("주의 : 출차취소된 자료는 기록되며 재정산시 자동삭제됩니다.\r\n티켓번호 = ") +
                            st.trx.TicketNo + QStringLiteral(" 영수금액 = ") + QString::number(st.trx.PayAmount),
                        QStringLiteral("출차취소 자료기록및 보관"));
    return true;
}

} // namespace tolvo
