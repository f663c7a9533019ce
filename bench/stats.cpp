// The statements each ticket, card and passage runs on the open statistics
// period, with a year of closed periods in the tables (8,760 hourly rows, 365
// duration and amount band rows, 1,095 discount rows): the main screen's period
// totals, the hour's count, a band's count. Argument 1 on the schema's indexes,
// 0 with the period indexes dropped (a file before they were added). Each write
// runs inside a savepoint rolled back at the end, so the figure is the
// statement's own work, not the durable commit.
#include "BenchSupport.h"
#include "core/RecordingMainScreen.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "core/StatsPeriod.h"
#include "database/DBase.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "station/MainLoad.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvo;

constexpr int kDays = 365;

class BenchStation {
public:
    explicit BenchStation(bool indexed)
    {
        bench::OpenNewDatabase(st, dir.path());
        fill();
        if (!indexed)
            for (const char* ix : {"시간대별_idx0", "주차시간대별_idx0", "금액대별_idx0", "할인현황_idx0"})
                Exec(st.Db, QStringLiteral("DROP INDEX %1").arg(Id(QString::fromUtf8(ix))));
        Stats_NewPeriod(st);
    }
    ~BenchStation() { DBase::DataBase_Close(st); }

    void fill()
    {
        Transaction tx(st.Db);
        QSqlQuery hour(st.Db), band(st.Db), disc(st.Db);
        hour.prepare(QStringLiteral("INSERT INTO 시간대별 (포스코드, 근무자명, 근무자코드, 시간대, 정기권입차수, 정기권출차수, "
                                    "일반권입차수, 일반권출차수, 금액, 대수, 일련번호, 정산여부, 전송여부, 시작일시, 종료일시) "
                                    "VALUES (0, '근무자1', 1, ?, 2, 2, 33, 33, 100000, 33, ?, 1, 1, ?, ?)"));
        const auto run = [](QSqlQuery& q, const QVariantList& values) {
            for (const QVariant& v : values) q.addBindValue(v);
            if (!q.exec()) throw DbError(q.lastError().text());
        };
        for (int d = 0; d < kDays; ++d) {
            const QString day = QDate(2025, 3, 1).addDays(d).toString(QStringLiteral("yyyy-MM-dd"));
            const QString from = day + QStringLiteral(" 00:00"), to = day + QStringLiteral(" 23:59");
            for (int h = 0; h < 24; ++h) run(hour, {h, h, from, to});
            for (const char* table : {"주차시간대별", "금액대별"}) {
                band.prepare(QStringLiteral("INSERT INTO %1 (포스코드, 근무자명, 근무자코드, 정산여부, 전송여부, 시작일시, 종료일시) "
                                            "VALUES (0, '근무자1', 1, 1, 1, ?, ?)").arg(Id(QString::fromUtf8(table))));
                run(band, {from, to});
            }
            disc.prepare(QStringLiteral("INSERT INTO 할인현황 (포스코드, 근무자명, 근무자코드, 명칭, 할인종류, 금액, 건수, 정산여부, "
                                        "전송여부, 시작일시, 종료일시) VALUES (0, '근무자1', 1, ?, 0, 0, 0, 1, 1, ?, ?)"));
            for (const char* name : {"현금출차", "30분 할인", "1시간 할인"}) run(disc, {QString::fromUtf8(name), from, to});
        }
        tx.commit();
    }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 3, 2), QTime(9, 0))};
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};
};

void BM_PeriodTotals(benchmark::State& state)
{
    BenchStation b(state.range(0) != 0);
    for (auto _ : state) ShowPeriodTotals(b.st);
}

// The count goes up and down by turns, so it stays within its 16-bit range.
void RolledBack(benchmark::State& state, const QString& sql, int marks = 1)
{
    BenchStation b(state.range(0) != 0);
    Exec(b.st.Db, QStringLiteral("SAVEPOINT bench"));
    int step = 1;
    for (auto _ : state) {
        step = -step;
        Exec(b.st.Db, sql, QVariantList(marks, step));
    }
    Exec(b.st.Db, QStringLiteral("ROLLBACK TO bench"));
    Exec(b.st.Db, QStringLiteral("RELEASE bench"));
}

void BM_HourCount(benchmark::State& state)
{
    RolledBack(state, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 일반권입차수 + ? WHERE 정산여부 = 0 AND 시간대 = 9"));
}

void BM_BandCount(benchmark::State& state)
{
    RolledBack(state, QStringLiteral("UPDATE 주차시간대별 SET 건수1 = 건수1 + ?, 금액1 = 금액1 + 1000 * ? WHERE 정산여부 = 0"),
               2);
}

BENCHMARK(BM_PeriodTotals)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HourCount)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BandCount)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QCoreApplication>(argc, argv); }
