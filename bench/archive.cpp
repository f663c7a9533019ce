// Archive of a busy day: 20,000 settled exits and 5,000 season passages in the live file.
#include "BenchSupport.h"
#include "database/Archive.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"
#include "core/Station.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <unistd.h>

using namespace tolvo;

namespace {

void FillBusyDay(const Station& st)
{
    Transaction tx(st.Db);
    QSqlQuery ticket(st.Db);
    ticket.prepare("INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, "
                   "할인시간, 실수령금액, 정산구분, 전송여부, 할인구분, 포스코드) "
                   "VALUES (?, '2026-01-04', ?, '2026-01-04', '23:00', ?, '120', 3000, 0, 3000, 1, 1, '현금출차', 0)");
    for (int i = 0; i < 20000; ++i) {
        const QString no = QString("%1").arg(i % 10000, 4, 10, QChar('0'));
        const QString time = QString("%1:%2").arg(8 + i / 10000, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
        ticket.addBindValue(no);
        ticket.addBindValue(time);
        ticket.addBindValue(no + "20260104" + QString(time).remove(':'));
        if (!ticket.exec()) throw std::runtime_error(ticket.lastError().text().toStdString());
    }
    QSqlQuery pass(st.Db);
    pass.prepare("INSERT INTO 정기권입출차 (입차일자, 입차시간, 출차일자, 출차시간, 입출상태, 정기권번호, 차량번호, 이름, "
                 "종료일, 처리일시, 입출구분) VALUES ('2026-01-04', '08:00', '2026-01-04', '18:00', '정상출차', ?, "
                 "'12가3456', '홍길동', '2026-12-31', '0104180000', 1)");
    for (int i = 0; i < 5000; ++i) {
        pass.addBindValue(QString("%1").arg(i, 10, 10, QChar('0')));
        if (!pass.exec()) throw std::runtime_error("fill failed");
    }
    tx.commit();
}

// Another station's archive pair of a day with a few rows, to copy under other days' names.
struct ForeignPair {
    bench::NewStation other{QDateTime(QDate(2025, 1, 2), QTime(0, 0, 1))};
    ForeignPair()
    {
        Insert(other.st.Db, "일반권", {{"입차코드", "0001202501010900"}, {"출차일", "2025-01-01"}, {"정산구분", true},
                                       {"전송여부", true}});
        Archive_DayData(other.st);
    }
    // `count` files in `backup`, i and j by turns, under days before 2026.
    void copyInto(const QString& backup, int count) const
    {
        for (int n = 0; n < count; ++n) {
            const QString letter = n % 2 ? "j" : "i";
            const QString day = QDate(2025, 12, 31).addDays(-n / 2).toString("yyyyMMdd");
            if (!QFile::copy(other.st.ArchiveDir + letter + "20250101.mdb", backup + letter + day + ".mdb"))
                throw std::runtime_error("cannot copy a foreign file");
        }
    }
};

// The busy day's night, with Backup holding state.range(0) files of another station.
void BM_ArchiveBusyDay(benchmark::State& state)
{
    const ForeignPair foreign;
    for (auto _ : state) {
        state.PauseTiming();
        {
            QTemporaryDir dir;
            ManualClock clock(QDateTime(QDate(2026, 1, 5), QTime(0, 0, 1)));
            ScriptedMessages msgs;
            RecordingMainScreen screen;
            Station st(clock, msgs, screen);
            bench::OpenNewDatabase(st, dir.path());
            FillBusyDay(st);
            foreign.copyInto(st.ArchiveDir, int(state.range(0)));
            ::sync();  // the files were there long before the night: the night's syncs do not write them
            state.ResumeTiming();

            Archive_DayData(st);

            state.PauseTiming();
            if (RowCount(st.Db, "일반권") != 0 || RowCount(st.Db, "정기권입출차") != 0 || !screen.list1.isEmpty())
                state.SkipWithError("rows were not archived");
            DBase::DataBase_Close(st);
        }  // the folder is removed outside the timing
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ArchiveBusyDay)->Arg(0)->Arg(3000)->Unit(benchmark::kMillisecond)->Iterations(5);

// A start's resume after a year of nights: 365 archive pairs in Backup, each made by
// its night's move, all read for a copy cut short.
void BM_ResumeAfterAYear(benchmark::State& state)
{
    bench::NewStation s(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 1)));
    for (int day = 0; day < 365; ++day) {
        Insert(s.st.Db, "일반권", {{"입차코드", QString("%1").arg(day, 16, 10, QChar('0'))}, {"출차일", "2025-12-31"},
                                   {"정산구분", true}, {"전송여부", true}});
        s.clock.setNow(s.clock.now().addDays(1));
        Archive_DayData(s.st);
    }
    if (RowCount(s.st.Db, "일반권") != 0 || !s.screen.list1.isEmpty()) state.SkipWithError("the year was not archived");
    for (auto _ : state)
        if (!Archive_Resume(s.st)) state.SkipWithError("the resume failed");
}
BENCHMARK(BM_ResumeAfterAYear)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QCoreApplication>(argc, argv); }
