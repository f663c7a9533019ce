#include "database/FrmDbaseLogic.h"

#include "core/Sql.h"
#include "platform/Vb.h"
#include "core/Station.h"
#include "core/StatsPeriod.h"

namespace tolvo {

const std::array<DbaseClearButton, 6>& DbaseClearButtons()
{
    static const std::array<DbaseClearButton, 6> buttons{{
        {"입차기록 초기화", "이기능은 모든 입차 기록을 삭제합니다.", {"일반권"}, "출차일 IS NULL", false},
        {"출차기록 초기화", "이기능은 모든 출차 기록을 삭제합니다.", {"일반권"}, "출차일 <> ''", false},
        {"영업현황 초기화", "이기능은 모든 영업현황을 삭제합니다.", {"시간대별", "주차시간대별", "금액대별", "할인현황"},
         nullptr, true},
        {"전체자료 초기화", "이기능은 모든 자료를 삭제합니다.",
         {"일반권", "시간대별", "주차시간대별", "금액대별", "할인현황", "정기권입출차", "출차취소"}, nullptr, true},
        {"정기권입출차 초기화", "이기능은 모든 정기권입출차 기록을 삭제합니다.", {"정기권입출차"}, nullptr, false},
        {"출차취소 초기화", "이기능은 모든 출차취소 기록을 삭제합니다.", {"출차취소"}, nullptr, false},
    }};
    return buttons;
}

QString DbaseClearQuestion(int index)
{
    return QString::fromUtf8(DbaseClearButtons().at(static_cast<size_t>(index)).firstLine) + QStringLiteral("\r") +
           QStringLiteral("실행하면 복구할 수 없으므로 주의 하시기 바랍니다.") + QStringLiteral("\r\r") +
           QStringLiteral("계속하시겠습니까?");
}

QString RetentionText(const Station& st)
{
    try {
        const QVariant v = Scalar(st.Db, QStringLiteral("SELECT 자료보관기간 FROM 시스템"));
        if (!v.isValid() || v.isNull()) return QStringLiteral("0");
        return v.toString();
    } catch (const DbError&) {
        return QStringLiteral("0");
    }
}

bool FrmDbase_StoreRetention(Station& st, const QString& text)
{
    qint16 months = 0;
    try {
        months = CInt(Val(text));
    } catch (const Overflow&) {
        months = -1;
    }
    if (months < 0) {
        st.msgs.Msg_Box(QStringLiteral("자료보관기간은 0에서 32767 사이의 숫자를 입력하세요!"), QStringLiteral("입력오류"));
        return false;
    }
    try {
        Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 자료보관기간 = ?"), {months});
    } catch (const DbError& e) {
        st.msgs.Msg_Box(e.message(), QStringLiteral("자료저장 오류"));
        return false;
    }
    return true;
}

bool FrmDbase_Clear(Station& st, int index)
{
    if (index < 0 || index >= static_cast<int>(DbaseClearButtons().size())) return false;
    const DbaseClearButton& b = DbaseClearButtons()[static_cast<size_t>(index)];
    const int style = vbYesNo | vbCritical | vbDefaultButton2;
    if (st.msgs.MsgBox(DbaseClearQuestion(index), style, QStringLiteral("Tarvola")) != vbYes) return false;
    try {
        Transaction t(st.Db);
        for (const char* table : b.tables) {
            QString sql = QStringLiteral("DELETE FROM ") + Id(QString::fromUtf8(table));
            // fixed SQL: the button table's own clause
            if (b.where) sql += QStringLiteral(" WHERE ") + QString::fromUtf8(b.where);
            Exec(st.Db, sql);
        }
        if (b.newPeriod) Stats_NewPeriod(st);
        t.commit();
    } catch (const DbError& e) {
        st.msgs.Msg_Box(e.message(), QStringLiteral("자료삭제 오류"));
        return false;
    }
    if (b.newPeriod) st.screen.refreshTotals();
    return true;
}

} // namespace tolvo
