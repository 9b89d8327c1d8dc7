// Lines per second through the log handler, from one and from four threads.
// Every line opens, appends, flushes and closes the file, so this measures
// what a busy worker pays for each diagnostic.
#include "log/log.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

void BM_LogLine(benchmark::State &state) {
    for (auto _ : state)
        qDebug().noquote() << "[ ../src/device/network.cpp : 812 ]: camera_10.77.0.20 battery:"
                           << 87 << "charge:" << 0;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogLine)->Threads(1)->Threads(4)->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    LOG::init();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    qInstallMessageHandler(nullptr);
    return 0;
}
