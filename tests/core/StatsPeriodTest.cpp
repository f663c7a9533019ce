#include "common/TestStation.h"
#include "core/Sql.h"
#include "core/StatsPeriod.h"

#include <QSqlQuery>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// A fresh database with the creation's own period removed, the clock at hh:mm.
struct PeriodStation : TestStation {
    explicit PeriodStation(int hour = 9, int minute = 40)
        : TestStation(Db::Fresh, QDateTime(QDate(2026, 5, 6), QTime(hour, minute)))
    {
        for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황"}) Exec(st.Db, QString("DELETE FROM ") + t);
        st.worker.WorkerName = "근무자3";
        st.worker.WorkerCode = 3;
        st.models.PosCode = 4;
    }
    void addKey(const QString& name, int code1, int code2, bool active, const QVariant& combined)
    {
        Insert(st.Db, "할인키", {{"명칭", name}, {"키코드1", code1}, {"키코드2", code2}, {"사용여부", active},
                                {"중복사용", combined.isNull() ? QVariant(false) : combined}});
    }
    std::map<int, int> serialByHour() const
    {
        std::map<int, int> out;
        QSqlQuery q = Query(st.Db, "SELECT 시간대, 일련번호 FROM 시간대별 ORDER BY rowid");
        while (q.next()) out[q.value(0).toInt()] = q.value(1).toInt();
        return out;
    }
};

struct SerialCase {
    int hour, minute;
    std::vector<std::pair<int, int>> expected;  // 시간대 -> 일련번호
};

class SerialNumbers : public ::testing::TestWithParam<SerialCase> {};

} // namespace

TEST_P(SerialNumbers, CountFromTheOpeningHour)
{
    const SerialCase& c = GetParam();
    PeriodStation ts(c.hour, c.minute);
    Stats_NewPeriod(ts.st);
    const auto serial = ts.serialByHour();
    ASSERT_EQ(serial.size(), 24u);
    for (const auto& [h, n] : c.expected) EXPECT_EQ(serial.at(h), n) << "hour " << h;
}

INSTANTIATE_TEST_SUITE_P(Opening, SerialNumbers,
                         ::testing::Values(SerialCase{0, 15, {{0, 0}, {1, 1}, {12, 12}, {23, 23}}},
                                           SerialCase{9, 40, {{9, 0}, {23, 14}, {0, 15}, {8, 23}}},
                                           SerialCase{14, 5, {{14, 0}, {23, 9}, {0, 10}, {13, 23}}},
                                           SerialCase{23, 59, {{23, 0}, {0, 1}, {22, 23}}}));

TEST(StatsPeriod, RowsCarryWorkerPosCodeAndStartWithZeroCounts)
{
    PeriodStation ts;
    Stats_NewPeriod(ts.st);
    EXPECT_EQ(ts.count("시간대별"), 24);
    EXPECT_EQ(ts.count("주차시간대별"), 1);
    EXPECT_EQ(ts.count("금액대별"), 1);
    EXPECT_EQ(ts.count("할인현황"), 0);  // no active key: no discount rows at all
    for (const char* t : {"시간대별", "주차시간대별", "금액대별"}) {
        const QString sql = QString("SELECT COUNT(*) FROM %1 WHERE 근무자명 = '근무자3' AND 근무자코드 = 3 AND 포스코드 = 4 "
                                    "AND 시작일시 = '2026-05-06 09:40' AND 정산여부 = 0 AND 전송여부 = 0 "
                                    "AND 종료일시 IS NULL")
                                .arg(Id(t));
        EXPECT_EQ(ts.value(sql).toInt(), ts.count(t)) << t;
    }
    EXPECT_EQ(ts.value("SELECT SUM(정기권입차수 + 정기권출차수 + 일반권입차수 + 일반권출차수 + 금액 + 대수 + 데이터유무) "
                       "FROM 시간대별").toInt(), 0);
    QString sum = "0";
    for (int n = 1; n <= 10; ++n) sum += QString(" + 금액%1 + 건수%1").arg(n);
    EXPECT_EQ(ts.value("SELECT " + sum + " FROM 주차시간대별").toInt(), 0);
    EXPECT_EQ(ts.value("SELECT " + sum + " FROM 금액대별").toInt(), 0);
    EXPECT_TRUE(ts.value("SELECT 금액1 FROM 금액대별").isValid());
    EXPECT_FALSE(ts.value("SELECT 금액1 FROM 금액대별").isNull());
}

TEST(StatsPeriod, DiscountRowsCashFirstThenActiveKeysInKeyOrder)
{
    PeriodStation ts;
    ts.addKey("쿠폰", 66, 0, true, true);       // B, no modifier
    ts.addKey("경차", 65, 2, true, false);      // CTRL + A
    ts.addKey("꺼진키", 67, 0, false, false);   // not active
    ts.addKey("무표시", 65, 0, true, QVariant()); // A, 중복사용 not given
    Stats_NewPeriod(ts.st);

    QSqlQuery q = Query(ts.st.Db, "SELECT 명칭, 할인종류, 금액, 건수, 근무자코드 || '|' || 근무자명 || '|' || 포스코드 || "
                                  "'|' || 시작일시 || '|' || 정산여부 || 전송여부 || IFNULL(종료일시, 'open') "
                                  "FROM 할인현황 ORDER BY rowid");
    const std::vector<std::pair<QString, int>> expected{{"현금출차", 0}, {"무표시", 0}, {"쿠폰", 1}, {"경차", 0}};
    for (const auto& [name, kind] : expected) {
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), name);
        EXPECT_FALSE(q.value(1).isNull()) << name.toStdString();
        EXPECT_EQ(q.value(1).toInt(), kind) << name.toStdString();
        EXPECT_EQ(q.value(2).toInt(), 0);
        EXPECT_EQ(q.value(3).toInt(), 0);
        EXPECT_EQ(q.value(4).toString(), "3|근무자3|4|2026-05-06 09:40|00open");
    }
    EXPECT_FALSE(q.next());
}

TEST(StatsPeriod, EveryCallAddsAFullSet)
{
    PeriodStation ts;
    ts.addKey("할인", 65, 0, true, false);
    Stats_NewPeriod(ts.st);
    ts.clock.advanceSecs(3600);
    Stats_NewPeriod(ts.st);
    EXPECT_EQ(ts.count("시간대별"), 48);
    EXPECT_EQ(ts.count("할인현황"), 4);
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 시간대별 WHERE 시작일시 = '2026-05-06 10:40' AND 시간대 = 10 "
                       "AND 일련번호 = 0").toInt(), 1);
}

TEST(StatsPeriod, AFailureLeavesNoHalfPeriod)
{
    PeriodStation ts;
    ts.st.worker.WorkerName = "이름이열글자를넘는근무자";  // longer than 근무자명 holds
    EXPECT_THROW(Stats_NewPeriod(ts.st), DbError);
    EXPECT_EQ(ts.count("시간대별"), 0);
    EXPECT_EQ(ts.count("주차시간대별"), 0);
}
