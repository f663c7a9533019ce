#include "core/StatsPeriod.h"

#include "core/Sql.h"
#include "core/Station.h"

namespace tolvo {

namespace {

struct PeriodStamp {
    QString workerName;
    int workerCode;
    int posCode;
    QString start;
};

void InsertHours(const Station& st, const PeriodStamp& p, int openingHour)
{
    const QString sql = QStringLiteral(
        "INSERT INTO 시간대별 (근무자명, 근무자코드, 정기권입차수, 정기권출차수, 일반권입차수, 일반권출차수, "
        "금액, 대수, 시간대, 일련번호, 포스코드, 시작일시) VALUES (?, ?, 0, 0, 0, 0, 0, 0, ?, ?, ?, ?)");
    for (int h = 0; h < 24; ++h) {
        const int serial = (h - openingHour + 24) % 24;
        Exec(st.Db, sql, {p.workerName, p.workerCode, h, serial, p.posCode, p.start});
    }
}

void InsertBandRow(const Station& st, const QString& table, const PeriodStamp& p)
{
    QStringList cols{QStringLiteral("근무자명"), QStringLiteral("근무자코드")};
    QStringList vals{QStringLiteral("?"), QStringLiteral("?")};
    for (int n = 1; n <= 10; ++n) {
        cols << QStringLiteral("금액%1").arg(n) << QStringLiteral("건수%1").arg(n);
        vals << QStringLiteral("0") << QStringLiteral("0");
    }
    cols << QStringLiteral("포스코드") << QStringLiteral("시작일시");
    vals << QStringLiteral("?") << QStringLiteral("?");
    Exec(st.Db,
         QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(Id(table), IdList(cols), vals.join(QLatin1Char(','))),
         {p.workerName, p.workerCode, p.posCode, p.start});
}

void InsertDiscountRow(const Station& st, const PeriodStamp& p, const QVariant& name, int kind)
{
    Exec(st.Db,
         QStringLiteral("INSERT INTO 할인현황 (근무자명, 근무자코드, 명칭, 할인종류, 금액, 건수, 포스코드, 시작일시) "
                        "VALUES (?, ?, ?, ?, 0, 0, ?, ?)"),
         {p.workerName, p.workerCode, name, kind, p.posCode, p.start});
}

} // namespace

void Stats_NewPeriod(Station& st)
{
    const QDateTime now = st.clock.now();
    const PeriodStamp p{st.worker.WorkerName, st.worker.WorkerCode, st.models.PosCode,
                        now.toString(QStringLiteral("yyyy-MM-dd HH:mm"))};

    Transaction tx(st.Db);
    InsertHours(st, p, now.time().hour());
    InsertBandRow(st, QStringLiteral("주차시간대별"), p);
    InsertBandRow(st, QStringLiteral("금액대별"), p);

    QSqlQuery keys = Query(st.Db, QStringLiteral(
        "SELECT 명칭, 중복사용 FROM 할인키 WHERE (사용여부=1) ORDER BY 키코드2, 키코드1"));
    bool first = true;
    while (keys.next()) {
        if (first) {
            // The cash row is kind 0, so the settlement lists it with the discounts.
            InsertDiscountRow(st, p, QStringLiteral("현금출차"), 0);
            first = false;
        }
        InsertDiscountRow(st, p, keys.value(0), ToBool(keys.value(1)) ? 1 : 0);
    }
    keys.finish();
    tx.commit();
}

} // namespace tolvo
