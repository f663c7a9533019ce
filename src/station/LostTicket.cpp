#include "station/LostTicket.h"

#include "core/Sql.h"
#include "fee/FeeRun.h"
#include "platform/Vb.h"
#include "station/ExitRecord.h"
#include "core/Station.h"

#include <QSqlQuery>
#include <QTime>
#include <set>

namespace tolvo {

namespace {

QString lostNumber(int n) { return QStringLiteral("L") + QString::number(n).rightJustified(3, QLatin1Char('0')); }

// The opening time of the day as "hhnn"; empty when none is set.
QString openingTime(const Station& st, const QDate& today)
{
    const QString field = Weekday(today) == 7 ? QStringLiteral("주말개장시간") : QStringLiteral("평일개장시간");
    const QString text = Scalar(st.Db, QStringLiteral("SELECT ") + Id(field) + QStringLiteral(" FROM 기타")).toString().trimmed();
    for (const auto* fmt : {"H:mm", "H:mm:ss", "HH:mm", "HH:mm:ss"}) {
        const QTime t = QTime::fromString(text, QString::fromLatin1(fmt));
        if (t.isValid()) return t.toString(QStringLiteral("HHmm"));
    }
    return {};
}

} // namespace

std::optional<QString> NextLostNumber(const QString& highestCode, const QStringList& codesOfToday)
{
    std::set<int> used;
    for (const QString& c : codesOfToday) used.insert(int(Val(c.mid(1, 3))));
    const int next = (highestCode.isEmpty() ? 0 : int(Val(highestCode.mid(1, 3)))) + 1;
    if (next <= 999 && !used.count(next)) return lostNumber(next);
    // Four digits would make a 17-character entry code and an entry code of
    // today must not repeat: take the lowest number free today.
    for (int n = 1; n <= 999; ++n)
        if (!used.count(n)) return lostNumber(n);
    return std::nullopt;
}

void LostTicket(Station& st)
{
    if (st.trx.TicketInProgress || st.trx.ExitDone) return;
    try {
        const QDate today = st.clock.now().date();
        const QString day = today.toString(QStringLiteral("yyyyMMdd"));
        const QString highest =
            Scalar(st.Db, QStringLiteral("SELECT 입차코드 FROM 일반권 WHERE 입차코드 >= 'L' AND 입차코드 < 'M' ORDER BY 입차코드 DESC LIMIT 1"))
                .toString();
        QStringList todays;
        QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 입차코드 FROM 일반권 WHERE 입차코드 >= 'L' AND 입차코드 < 'M' AND substr(입차코드, 5, 8) = ?"),
                            {day});
        while (q.next()) todays << q.value(0).toString();
        q.finish();
        const auto number = NextLostNumber(highest, todays);
        if (!number) {
            st.msgs.Msg_Box(QStringLiteral("오늘 발행할 수 있는 분실권 번호(L001~L999)를 모두 사용하였습니다."),
                            QStringLiteral("분실권"));
            return;
        }
        st.trx.TicketData = *number + day + openingTime(st, today);
        st.trx.LostTicket = true;
        Calc_TicketFee(st);
    } catch (const std::exception& e) {
        ShowExitError(st, e);
    }
    if (!st.trx.TicketInProgress) {
        // No fee run: the next ticket must not count as lost.
        st.trx.LostTicket = false;
        st.trx.TicketData.clear();
    }
}

} // namespace tolvo
