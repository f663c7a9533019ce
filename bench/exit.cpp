// One exit on the main road (lookup of a typed number, fee run, Enter and the
// records) with 200,000 rows in 일반권. The wall time includes the durable commit
// (full sync) and the settings-file write of the exit counter; the CPU time is
// the station's own work.
#include "BenchSupport.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "fee/DiscountKeys.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "station/ExitKeys.h"
#include "core/RecordingMainScreen.h"
#include "core/Station.h"
#include "core/StatsPeriod.h"
#include "station/TicketEntry.h"

#include <QApplication>
#include <QSqlError>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvo;

constexpr int kRows = 200000;

class BenchStation {
public:
    BenchStation()
    {
        bench::OpenNewDatabase(st, dir.path());
        st.worker.WorkerCode = 1;
        st.worker.WorkerName = QStringLiteral("근무자1");
        SlotInputs in;
        in.basicOn = true;
        in.basicTime = QStringLiteral("30");
        in.basicAmount = QStringLiteral("1000");
        in.finalUnit = QStringLiteral("10");
        in.finalAmount = QStringLiteral("500");
        WriteSlotTable(st.Db, GenerateSlotTable(in).rows);
        Exec(st.Db, QStringLiteral("UPDATE 기타 SET 기본사용 = 1, 기본시간 = 30, 기본금액 = 1000, 구간시간4 = 10, 구간금액4 = 500"));
        Exec(st.Db, QStringLiteral("INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 할인종류1, 적용요율1, 중복사용, 사용여부) "
                                   "VALUES ('30분', 112, 0, 1, 30, 0, 1)"));
        Load_DiscountKeys(st);
        Stats_NewPeriod(st);
        fillTickets();
        // The devices are absent; the receipt is off.
        Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
        st.exitLinks.gateOpen = [] {};
        st.exitLinks.openDrawer = [] {};
        st.exitLinks.feeDispAmount = [](qint32) {};
        st.exitLinks.feeDispTime = [](const QString&) {};
        clock.setNow(QDateTime(QDate(2026, 3, 2), QTime(18, 0)));
    }
    ~BenchStation() { DBase::DataBase_Close(st); }

    // 200,000 rows over 100 days: settled exits, with the last day's cars still inside.
    void fillTickets()
    {
        Transaction tx(st.Db);
        QSqlQuery q(st.Db);
        q.prepare(QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, "
                                 "총주차시간, 총주차요금, 할인시간, 실수령금액, 정산구분, 전송여부, 할인구분) "
                                 "VALUES (0, ?, ?, ?, ?, ?, ?, '60', 2500, 0, 2500, 1, 1, '현금출차')"));
        const QDate first(2025, 11, 23);
        for (int i = 0; i < kRows; ++i) {
            const QDate d = first.addDays(i / 2000);
            const QString no = QString::number(i % 9000 + 1).rightJustified(4, QLatin1Char('0'));
            const QTime t = QTime(6, 0).addSecs((i % 2000) * 30);
            const bool inside = d == QDate(2026, 3, 2);
            const QString date = d.toString(QStringLiteral("yyyy-MM-dd"));
            const QString hhnn = t.toString(QStringLiteral("HH:mm"));
            q.addBindValue(no);
            q.addBindValue(date);
            q.addBindValue(hhnn);
            q.addBindValue(inside ? QVariant() : QVariant(date));
            q.addBindValue(inside ? QVariant() : QVariant(QStringLiteral("23:00")));
            q.addBindValue(no + d.toString(QStringLiteral("yyyyMMdd")) + t.toString(QStringLiteral("HHmm")));
            if (!q.exec()) throw DbError(q.lastError().text());
            if (inside) open << no;
        }
        tx.commit();
    }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};
    QStringList open; // ticket numbers of cars still inside
};

void BM_OneExit(benchmark::State& state)
{
    BenchStation b;
    qsizetype next = 0;
    for (auto _ : state) {
        const QString no = b.open.at(next++ % b.open.size());
        b.screen.setText(QStringLiteral("TNum"), no);
        TNum_KeyPress(b.st, 13);
        ExitKeys_KeyUp(b.st, 13, 0); // the lookup's own Enter
        ExitKeys_KeyUp(b.st, 13, 0); // completes
        if (b.st.trx.TicketInProgress) state.SkipWithError("the exit did not complete");
    }
}
BENCHMARK(BM_OneExit)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QApplication>(argc, argv); }
