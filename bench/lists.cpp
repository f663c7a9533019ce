// General-ticket list: a search of an archived day of 20,000 exits, until the
// exited grid holds every row; and the screen opened with 200,000 exits in the
// live file (settled, not yet sent: the host was down), until both grids and
// their counts are there, the exited grid stands on its last row and the screen
// is painted.
#include "BenchSupport.h"
#include "core/RecordingMainScreen.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "database/DBase.h"
#include "database/Schema.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "season/ListScreens.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tolvo;

namespace {

constexpr int kExits = 20000;

void FillArchive(const QString& path)
{
    ScopedConnection a(path);
    schema::CreateTable(a.db(), schema::IlbanArchiveTable());
    Transaction tx(a.db());
    QSqlQuery q(a.db());
    q.prepare("INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, "
              "할인시간, 실수령금액, 정산구분, 전송여부, 할인구분, 포스코드) "
              "VALUES (?, '2026-01-04', ?, '2026-01-04', ?, ?, '120', 3000, 0, 3000, 1, 1, '현금출차', 0)");
    for (int i = 0; i < kExits; ++i) {
        const QString no = QString("%1").arg(i % 10000, 4, 10, QChar('0'));
        const QString time = QString("%1:%2").arg(8 + i / 2000, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
        q.addBindValue(no);
        q.addBindValue(time);
        q.addBindValue(time);
        q.addBindValue(no + "20260104" + QString(time).remove(':'));
        if (!q.exec()) throw std::runtime_error(q.lastError().text().toStdString());
    }
    tx.commit();
}

void BM_IlListArchiveSearch(benchmark::State& state)
{
    bench::NewStation ns(QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)));
    Station& st = ns.st;
    QDir().mkpath(st.ArchiveDir);
    FillArchive(st.ArchiveDir + "i20260104.mdb");

    FrmIlList form(st);
    auto* date = form.findChild<QLineEdit*>("MaskEdBox1");
    auto* grid = form.findChild<QTableView*>("DBGrid2");
    for (auto _ : state) {
        date->setText("2026-01-04");
        form.search();
        if (grid->model()->rowCount() != kExits) state.SkipWithError("the grid does not hold every row");
    }
    if (!ns.msgs.shown.empty()) state.SkipWithError("the search reported a failure");
    DBase::DataBase_Close(st);
}
BENCHMARK(BM_IlListArchiveSearch)->Unit(benchmark::kMillisecond)->Iterations(10);

constexpr int kLiveExits = 200000;

// Exits of the last 250 days, 800 a day, in the order they were made.
void FillLive(const QSqlDatabase& db)
{
    Transaction tx(db);
    QSqlQuery q(db);
    q.prepare("INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, "
              "할인시간, 실수령금액, 정산구분, 전송여부, 할인구분, 포스코드) "
              "VALUES (?, ?, ?, ?, ?, ?, '90', 3000, 0, 3000, 1, 0, '현금출차', 0)");
    const QDate first(2025, 5, 1);
    for (int i = 0; i < kLiveExits; ++i) {
        const QString day = first.addDays(i / 800).toString("yyyy-MM-dd");
        const QString no = QString("%1").arg(i % 800, 4, 10, QChar('0'));
        const QTime in = QTime(6, 0).addSecs((i % 800) * 60);
        q.addBindValue(no);
        q.addBindValue(day);
        q.addBindValue(in.toString("HH:mm"));
        q.addBindValue(day);
        q.addBindValue(in.addSecs(5400).toString("HH:mm"));
        q.addBindValue(no + QString(day).remove('-') + in.toString("HHmm"));
        if (!q.exec()) throw std::runtime_error(q.lastError().text().toStdString());
    }
    tx.commit();
}

void BM_IlListOpensWith200000LiveExits(benchmark::State& state)
{
    bench::NewStation ns(QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)));
    Station& st = ns.st;
    FillLive(st.Db);
    // As the station finds it after a start: compacted and opened again.
    DBase::DataBase_Close(st);
    DBase::DataBase_Compact(st);
    DBase::DataBase_Open(st);
    for (auto _ : state) {
        FrmIlList form(st);
        form.show();  // painted: the rows in view are read
        QApplication::processEvents();
        auto* grid = form.findChild<QTableView*>("DBGrid2");
        auto* count = form.findChild<QLabel*>("LblRecordCount2");
        if (grid->model()->rowCount() != kLiveExits || count->text() != QString::number(kLiveExits) + "건" ||
            grid->currentIndex().row() != kLiveExits - 1 ||
            grid->model()->index(kLiveExits - 1, 0).data().toString() != QString("%1").arg((kLiveExits - 1) % 800, 4, 10, QChar('0')))
            state.SkipWithError("the exited grid does not show every live exit, last row current");
    }
    if (!ns.msgs.shown.empty()) state.SkipWithError("the screen reported a failure");
    DBase::DataBase_Close(st);
}
BENCHMARK(BM_IlListOpensWith200000LiveExits)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QApplication>(argc, argv, true); }
