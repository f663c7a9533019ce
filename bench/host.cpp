// One step of the host sending cycle with 50,000 unsent rows of every kind, on
// the schema's own indexes. BM_Select is the time to find the next row of a kind
// and format its record; BM_SendStep adds the write to the port and the durable
// marking after an at-once acknowledgement. wire_ms is the record's time on the
// line at 9600 baud (10 bits a byte); the aim is a selection under a tenth of it.
#include "BenchSupport.h"
#include "core/RecordingMainScreen.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "database/DBase.h"
#include "host/HostLink.h"
#include "host/HostSend.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "serial/FakeComm.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvo;

constexpr int kRows = 50000;

class BenchStation {
public:
    BenchStation()
    {
        bench::OpenNewDatabase(st, dir.path());
        fake = InstallFakeComm(st);
        link = AttachHost(st);
        st.comm->openPort(PortHost, QStringLiteral("/dev/host"), SerialSettings{});
        fill();
    }
    ~BenchStation() { DBase::DataBase_Close(st); }

    void fill()
    {
        Transaction tx(st.Db);
        const QString start = QStringLiteral("2026-01-04 08:00");
        for (int i = 0; i < kRows; ++i) {
            const QDate d = QDate(2025, 11, 1).addDays(i / 1000);
            const QString date = d.toString(QStringLiteral("yyyy-MM-dd"));
            const QString no = QString::number(i % 9000 + 1).rightJustified(4, QLatin1Char('0'));
            const QString hhnn = QTime(6, 0).addSecs((i % 1000) * 60).toString(QStringLiteral("HH:mm"));
            const QString code = no + d.toString(QStringLiteral("yyyyMMdd")) + QString(hhnn).remove(':');
            const QString end = date + QStringLiteral(" 20:00");
            // Cars still inside entered on other days than those that left.
            const QDate in = d.addYears(-1);
            const QString entryCode = no + in.toString(QStringLiteral("yyyyMMdd")) + QString(hhnn).remove(':');
            Insert(st.Db, QStringLiteral("일반권"),
                   {{"포스코드", 0}, {"티켓번호", no}, {"입차일", in.toString(QStringLiteral("yyyy-MM-dd"))},
                    {"입차시간", hhnn}, {"입차코드", entryCode}, {"전송여부", 0}});
            const Row exit{{"티켓번호", no},        {"입차일", date},          {"입차시간", hhnn},
                           {"출차일", date},        {"출차시간", "23:00"},     {"입차코드", code},
                           {"총주차시간", "120"},   {"총주차요금", 3000},      {"할인시간", 0},
                           {"실수령금액", 3000},    {"할인구분", "현금출차"},  {"전송여부", 0}};
            Row out = exit;
            out.push_back({"포스코드", 0});
            Insert(st.Db, QStringLiteral("일반권"), out);
            Row cancel = exit;
            cancel.insert(cancel.end(), {{"정산구분", 1}, {"근무자코드", 1}, {"근무자명", "홍길동"},
                                         {"시작일시", start}, {"종료일시", end}});
            Insert(st.Db, QStringLiteral("출차취소"), cancel);
            const Row period{{"포스코드", 0}, {"근무자명", "홍길동"}, {"근무자코드", 1}, {"정산여부", 1},
                             {"전송여부", 0}, {"시작일시", start}, {"종료일시", end}};
            Row disc = period;
            disc.insert(disc.end(), {{"명칭", QStringLiteral("할인%1").arg(i)}, {"금액", 1000}, {"건수", 1}});
            Insert(st.Db, QStringLiteral("할인현황"), disc);
            Row hour = period;
            hour.insert(hour.end(), {{"시간대", i % 24}, {"데이터유무", 1}, {"금액", 1000}, {"대수", 1},
                                     {"정기권입차수", 0}, {"정기권출차수", 0}, {"일반권입차수", 1},
                                     {"일반권출차수", 1}, {"일련번호", i % 1000}});
            Insert(st.Db, QStringLiteral("시간대별"), hour);
            Insert(st.Db, QStringLiteral("주차시간대별"), period);
            Insert(st.Db, QStringLiteral("금액대별"), period);
        }
        tx.commit();
    }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};
    FakeComm fake;
    std::shared_ptr<HostLink> link;
};

BenchStation& Bench()
{
    static BenchStation b;
    return b;
}

double WireMs(const QString& text)
{
    return (static_cast<double>(HostRecordFrame(text).size()) * 10.0) / 9600.0 * 1000.0;
}

void BM_Select(benchmark::State& state)
{
    BenchStation& b = Bench();
    const auto kind = static_cast<HostKind>(state.range(0));
    QString text;
    for (auto _ : state) {
        const std::optional<HostRecord> r = NextHostRecord(b.st, *b.link, kind);
        if (!r) state.SkipWithError("no row");
        else text = r->text;
    }
    state.SetLabel(HostLayout(kind).code);
    state.counters["wire_ms"] = WireMs(text);
}

void BM_SendStep(benchmark::State& state)
{
    BenchStation& b = Bench();
    const auto kind = static_cast<HostKind>(state.range(0));
    // The host answers at once: the step is the station's own work.
    b.fake.ports->device(QStringLiteral("/dev/host")).replier = [&b, kind](const QByteArray&) {
        b.link->HostAck[kind] = true;
        Host_Acknowledged(b.st, *b.link, kind);
        return QByteArray();
    };
    for (auto _ : state) b.st.routines.HostSend[kind](b.st);
    state.SetLabel(HostLayout(kind).code);
}

void Kinds(benchmark::internal::Benchmark* bm)
{
    for (const HostKind k : {HostDISC, HostTIME, HostPKTIME, HostPAMT, HostTD, HostOUT, HostCANCEL}) bm->Arg(k);
}

BENCHMARK(BM_Select)->Apply(Kinds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendStep)->Apply(Kinds)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QCoreApplication>(argc, argv); }
