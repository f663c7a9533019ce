// One line added to the main screen's message list List1 (the window shown, on
// the offscreen platform), with the list already holding 0, 500 or 20,000 lines:
// the line and the event-loop pass that follows it (lay-out, paint). A long day
// must cost each line what a fresh start does.
#include "BenchSupport.h"
#include "station/MainWindow.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvo;

void BM_AppendList1(benchmark::State& state)
{
    MainWindow w;
    w.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < state.range(0); ++i) w.appendList1(QStringLiteral("일반권 입차  주차권번호 : %1").arg(i % 10000, 4, 10, QLatin1Char('0')));
    QCoreApplication::processEvents();
    int n = 0;
    for (auto _ : state) {
        w.appendList1(QStringLiteral("정상입차 차량입니다. 정기권번호 :  %1").arg(n++ % 10000, 10, 10, QLatin1Char('0')));
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_AppendList1)->Arg(0)->Arg(500)->Arg(20000)->Unit(benchmark::kMicrosecond)->Iterations(2000);

} // namespace

int main(int argc, char** argv) { return tolvo::bench::RunBenchmarks<QApplication>(argc, argv, true); }
