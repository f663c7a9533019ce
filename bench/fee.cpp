// The ticket fee run for a short, a month-long and a year-long stay.
#include "BenchSupport.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "fee/FeeRun.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"
#include "core/Station.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvo;

// A station on a fresh database with the example tariff, opening hours and a holiday list.
class BenchStation {
public:
    explicit BenchStation(bool hoursAndHolidays)
    {
        st.Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        st.Db.setDatabaseName(dir.filePath(QStringLiteral("Park.MDB")));
        st.Db.open();
        schema::CreateSchema(st.Db);
        Insert(st.Db, QStringLiteral("기타"),
               {{"기본사용", 1}, {"기본시간", 30}, {"기본금액", 1000}, {"구간시간4", 30}, {"구간금액4", 1000},
                {"일일최대사용", 1}, {"일일최대요금", 20000}, {"무료처리여부", hoursAndHolidays ? 1 : 0},
                {"공휴일무료여부", hoursAndHolidays ? 1 : 0}, {"평일개장시간", "09:00"}, {"평일폐장시간", "22:00"},
                {"주말개장시간", "10:00"}, {"주말폐장시간", "20:00"}});
        SlotInputs in;
        in.basicOn = true;
        in.basicTime = "30";
        in.basicAmount = "1000";
        in.finalUnit = "30";
        in.finalAmount = "1000";
        in.dailyCapOn = true;
        in.dailyCap = "20000";
        WriteSlotTable(st.Db, GenerateSlotTable(in).rows);
        Transaction t(st.Db);
        for (int m = 1; m <= 12; ++m)
            Insert(st.Db, QStringLiteral("공휴일"),
                   {{"적요", "공휴일"}, {"날짜", QDate(2026, m, 10).toString(Qt::ISODate)}});
        t.commit();
        clock.setNow(QDateTime(QDate(2026, 12, 15), QTime(14, 0)));
    }
    ~BenchStation()
    {
        st.Db.close();
        st.Db = QSqlDatabase();
        QSqlDatabase::removeDatabase(conn);
    }

    void run(const QDateTime& entry)
    {
        st.trx.TicketData = QStringLiteral("0001") + entry.toString(QStringLiteral("yyyyMMddhhmm"));
        Calc_TicketFee(st);
    }

    QTemporaryDir dir;
    QString conn = UniqueConnectionName(QStringLiteral("bench"));
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};
};

void runStay(benchmark::State& state, bool hoursAndHolidays, qint64 minutes)
{
    BenchStation b(hoursAndHolidays);
    const QDateTime entry = b.clock.now().addSecs(-minutes * 60);
    for (auto _ : state) {
        b.run(entry);
        benchmark::DoNotOptimize(b.st.trx.TotalFee);
    }
    if (!b.msgs.shown.empty()) state.SkipWithError("the fee run showed a message");
}

void BM_FeeRun_TwoHours(benchmark::State& s) { runStay(s, false, 120); }
void BM_FeeRun_31Days_HoursAndHolidays(benchmark::State& s) { runStay(s, true, 31LL * 1440 + 75); }
void BM_FeeRun_366Days(benchmark::State& s) { runStay(s, true, 366LL * 1440 + 75); }

BENCHMARK(BM_FeeRun_TwoHours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FeeRun_31Days_HoursAndHolidays)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FeeRun_366Days)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QCoreApplication>(argc, argv); }
