// Settlement of a busy day: 3,000 exits and 500 cancellations in the open period.
#include "BenchSupport.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "core/StatsPeriod.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"
#include "core/Station.h"
#include "settlement/Report.h"
#include "settlement/Settlement.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace tolvo;

namespace {

struct BusyDay {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 1, 5), QTime(7, 0))};
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};

    BusyDay()
    {
        bench::OpenNewDatabase(st, dir.path());
        st.worker.WorkerName = "근무자1";
        st.settings.KeepRecords = true;
        Exec(st.Db, "UPDATE 인쇄옵션 SET 할인현황인쇄여부 = 1, 시간대별인쇄여부 = 1, 시간대별전체인쇄여부 = 1, "
                    "주차시간대별인쇄여부 = 1, 금액대별인쇄여부 = 1, 출차취소인쇄여부 = 1, 시간대별전송 = 1");
        fill();
        clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(23, 0)));
    }
    ~BusyDay() { DBase::DataBase_Close(st); }

    void fill()
    {
        Transaction tx(st.Db);
        QSqlQuery ticket(st.Db);
        ticket.prepare("INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, "
                       "총주차요금, 할인시간, 실수령금액, 정산구분, 전송여부, 할인구분, 포스코드) VALUES (?, '2026-01-05', "
                       "?, '2026-01-05', '22:00', ?, '120', 3000, 0, 3000, 0, 1, '현금출차', 0)");
        QSqlQuery cancel(st.Db);
        cancel.prepare("INSERT INTO 출차취소 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 실수령금액, 정산구분) "
                       "VALUES (?, '2026-01-05', ?, '2026-01-05', '22:00', ?, 3000, 0)");
        for (int i = 0; i < 3000; ++i) {
            const QString no = QString("%1").arg(i, 4, 10, QChar('0'));
            const QString time = QString("%1:%2").arg(7 + i / 300, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
            const QString code = no + "20260105" + QString(time).remove(':');
            for (QSqlQuery* q : {&ticket, &cancel}) {
                if (q == &cancel && i % 6 != 0) continue;
                q->addBindValue(no);
                q->addBindValue(time);
                q->addBindValue(code);
                if (!q->exec()) throw std::runtime_error(q->lastError().text().toStdString());
            }
        }
        Exec(st.Db, "UPDATE 시간대별 SET 일반권출차수 = 150, 금액 = 450000 WHERE 정산여부 = 0");
        tx.commit();
    }
};

void BM_SettlementReport(benchmark::State& state)
{
    BusyDay day;
    size_t lines = 0;
    for (auto _ : state) {
        const auto opts = LoadReportOptions(day.st.Db);
        const ReportContext ctx{day.st.worker.WorkerName, 0, 0, true, day.clock.now()};
        const auto sections = Report_Sections(Report_Snapshot(day.st.Db), opts->switches, ctx);
        lines = 0;
        for (const auto& s : sections) lines += s.ops.size();
        benchmark::DoNotOptimize(lines);
    }
    if (lines < 500) state.SkipWithError("the cancellations were not in the report");
}
BENCHMARK(BM_SettlementReport)->Unit(benchmark::kMillisecond);

void BM_SettlementMarking(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto day = std::make_unique<BusyDay>();
        state.ResumeTiming();

        Settle_MarkPeriod(day->st, "2026-01-05 23:00");

        state.PauseTiming();
        if (RowCount(day->st.Db, "일반권") != 3000 ||
            Scalar(day->st.Db, "SELECT COUNT(*) FROM 일반권 WHERE 정산구분 = 0").toInt() != 0)
            state.SkipWithError("the exits were not settled");
        day.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SettlementMarking)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QCoreApplication>(argc, argv); }
