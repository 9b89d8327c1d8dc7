// Figures for the HTTP engine, printed as plain lines:
//
//   bench_network events [COUNT]
//       camera events applied per second: COUNT records pushed over one TCP
//       connection on loopback, timed until the last is applied.
//   bench_network scan CAMERAS
//       how long a scan of the lab's /24 takes with CAMERAS cameras present.
//   bench_network discover CAMERAS
//       mDNS: time until all CAMERAS cameras are in the registry, and from a
//       query to the camera's report.
//   bench_network poll CAMERAS [SECONDS]
//       whether every camera is still polled about every two seconds: a test
//       LAN with CAMERAS simulated cameras (needs root), the achieved poll
//       period per camera and the engine worker's CPU time.
#include "device/camerahub.h"
#include "device/devicesearchip.h"
#include "device/inifile.h"
#include "device/mdns.h"
#include "device/network.h"
#include "device/networkthread.h"
#include "support/childprocess.h"
#include "support/netlab.h"
#include "support/tempconfigroot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

double workerCpuSeconds() {
    double seconds = 0;
    QMetaObject::invokeMethod(
        Network::getInstance(),
        [&seconds] {
            timespec now{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            seconds = double(now.tv_sec) + double(now.tv_nsec) / 1e9;
        },
        Qt::BlockingQueuedConnection);
    return seconds;
}

void onWorker(const std::function<void()> &call) {
    QMetaObject::invokeMethod(Network::getInstance(), call, Qt::BlockingQueuedConnection);
}

int benchEvents(int count) {
    NetworkThread worker;
    worker.start();
    Network *network = Network::getInstance();
    const QString ip = QStringLiteral("127.0.0.1");
    onWorker([&] { network->joinTcpListen(QStringLiteral("bench"), ip); });

    int applied = 0;
    QObject::connect(
        network, &Network::sigDeviceParamFeedback, qApp,
        [&](const QString &, VideoParamType_e type, const QString &) {
            if (type == VideoParamPalNtsc)
                ++applied;
        },
        Qt::QueuedConnection);

    QTcpSocket camera;
    camera.connectToHost(ip, DeviceListenTCP::defaultPort);
    if (!camera.waitForConnected(5000)) {
        fprintf(stderr, "bench_network: event listener not reachable\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        camera.write(QByteArrayLiteral(R"({"eventid":"STATEMNG_SETTING","arg1":"VIDEOMODE",)"
                                       R"("arg2":"NORM_REC","result":"SUCCESS","payload":")") +
                     (i % 2 ? "PAL" : "NTSC") + "\"}");
    }
    camera.flush();
    const double cpuBefore = workerCpuSeconds();
    const bool done = QTest::qWaitFor([&] { return applied >= count; }, 600000);
    const double elapsed = double(timer.elapsed()) / 1000.0;
    const double cpu = workerCpuSeconds() - cpuBefore;
    printf("events: %d applied in %.2f s: %.1f events/s, worker CPU %.2f s%s\n", applied, elapsed,
           applied / elapsed, cpu, done ? "" : " (timed out)");
    return done ? 0 : 1;
}

// A test LAN with simulated cameras, entered by this process (PC side).
struct CameraLab {
    explicit CameraLab(int cameras) : netlab(cameras), count(cameras) {}

    bool start() {
        if (!Netlab::available() || !netlab.up() || !netlab.enter(QStringLiteral("pc"))) {
            fprintf(stderr, "bench_network: needs the test LAN (root): %s\n",
                    qPrintable(netlab.lastOutput()));
            return false;
        }
        const QString sim = QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../tools/camera-sim/torvi-sim");
        for (int k = 1; k <= count; ++k) {
            auto process = std::make_unique<ChildProcess>();
            const QStringList command = {sim,
                                         QStringLiteral("--no-control"),
                                         QStringLiteral("--address"),
                                         netlab.cameraAddress(k),
                                         QStringLiteral("--uid"),
                                         QStringLiteral("CAM%1").arg(k)};
            if (!process->start(netlab.execArgs(QStringLiteral("cam%1").arg(k), command)) ||
                !process->waitForOutput(QStringLiteral("ready http="), 10000)) {
                fprintf(stderr, "bench_network: camera %d did not start: %s\n", k,
                        qPrintable(process->describe()));
                return false;
            }
            sims.push_back(std::move(process));
        }
        return true;
    }

    Netlab netlab;
    int count;
    std::vector<std::unique_ptr<ChildProcess>> sims;
};

int benchPoll(int cameras, int seconds) {
    CameraLab lab(cameras);
    if (!lab.start())
        return 1;
    NetworkThread worker;
    worker.start();
    Network *network = Network::getInstance();
    QHash<QString, std::vector<qint64>> polls;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(
        network, &Network::sigDeviceBatteryInfo, qApp,
        [&](const QString &mac, bool, short) { polls[mac].push_back(clock.elapsed()); },
        Qt::QueuedConnection);
    for (int k = 1; k <= cameras; ++k)
        network->addDeviceToHttpMap(QStringLiteral("Torvi_CAM%1").arg(k),
                                    lab.netlab.cameraAddress(k));

    const double cpuBefore = workerCpuSeconds();
    QTest::qWait(seconds * 1000);
    const double cpu = workerCpuSeconds() - cpuBefore;
    worker.stop();

    std::vector<double> periods;
    int silent = 0;
    for (int k = 1; k <= cameras; ++k) {
        const std::vector<qint64> &times = polls[QStringLiteral("Torvi_CAM%1").arg(k)];
        if (times.size() < 2) {
            ++silent;
            continue;
        }
        for (size_t i = 1; i < times.size(); ++i)
            periods.push_back(double(times[i] - times[i - 1]) / 1000.0);
    }
    std::sort(periods.begin(), periods.end());
    const auto at = [&](double q) {
        return periods.empty() ? 0.0 : periods[size_t(q * double(periods.size() - 1))];
    };
    double sum = 0;
    for (double p : periods)
        sum += p;
    printf("poll: %d cameras for %d s: period mean %.2f s, median %.2f s, p95 %.2f s, max %.2f s; "
           "%d cameras with fewer than two polls; worker CPU %.2f s (%.1f%% of one core)\n",
           cameras, seconds, periods.empty() ? 0.0 : sum / double(periods.size()), at(0.5),
           at(0.95), periods.empty() ? 0.0 : periods.back(), silent, cpu, 100.0 * cpu / seconds);
    return silent == 0 ? 0 : 1;
}

// How long a scan of the lab's /24 takes with the cameras present.
int benchScan(int cameras) {
    CameraLab lab(cameras);
    if (!lab.start())
        return 1;
    Network::getInstance(); // starts the scan thread, as the program does
    DeviceSearchIP *scanner = DeviceSearchIP::getInstance();
    // The scanner's access manager is made when its loop starts.
    QMetaObject::invokeMethod(
        scanner, [] {}, Qt::BlockingQueuedConnection);
    int found = 0;
    bool finished = false;
    QObject::connect(
        scanner, &DeviceSearchIP::sigDeviceOnline, qApp,
        [&](const QString &, const QString &) { ++found; }, Qt::QueuedConnection);
    QObject::connect(
        scanner, &DeviceSearchIP::sigFinish, qApp, [&](bool) { finished = true; },
        Qt::QueuedConnection);
    QElapsedTimer timer;
    timer.start();
    scanner->startSearch();
    const bool done = QTest::qWaitFor([&] { return finished; }, 60000);
    printf("scan: /24 with %d cameras: %.2f s, %d found%s\n", cameras,
           double(timer.elapsed()) / 1000.0, found, done ? "" : " (timed out)");
    Network::getInstance()->stopThreads();
    return done && found == cameras ? 0 : 1;
}

// mDNS: how soon an answering camera is reported, and how long until every
// camera of the lab is in the registry.
int benchDiscovery(int cameras) {
    CameraLab lab(cameras);
    if (!lab.start())
        return 1;
    TempConfigRoot root;
    IniFile settings(root.configRoot());
    CameraHub hub(settings);
    QElapsedTimer timer;
    timer.start();
    hub.start();
    const auto registered = [&] {
        return int(hub.devList().getDeviceList().size());
    };
    const bool all = QTest::qWaitFor([&] { return registered() == cameras; }, 60000);
    const double allSeconds = double(timer.elapsed()) / 1000.0;

    // A camera forgotten and asked for at once: query, answer, report.
    mDNS probe;
    QThread probeThread;
    probe.moveToThread(&probeThread);
    probeThread.start();
    bool added = false;
    QObject::connect(
        &probe, &mDNS::sigMdnsAdd, qApp, [&](const QString &, const QString &) { added = true; },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(&probe, &mDNS::onRun, Qt::QueuedConnection);
    if (!QTest::qWaitFor([&] { return added; }, 15000))
        fprintf(stderr, "bench_network: the probe heard no camera\n");
    std::vector<double> latencies;
    for (int round = 0; round < 10; ++round) {
        added = false;
        probe.removeEntry(QStringLiteral("Torvi_CAM1"));
        QElapsedTimer once;
        once.start();
        probe.queryNow();
        if (QTest::qWaitFor([&] { return added; }, 5000))
            latencies.push_back(double(once.elapsed()));
    }
    probe.stop();
    probeThread.quit();
    probeThread.wait();
    std::sort(latencies.begin(), latencies.end());
    printf("mdns: %d cameras all in the registry after %.2f s%s; queryNow to sigMdnsAdd: "
           "median %.0f ms, max %.0f ms over %zu rounds (cycle 200 ms)\n",
           cameras, allSeconds, all ? "" : " (timed out)",
           latencies.empty() ? 0.0 : latencies[latencies.size() / 2],
           latencies.empty() ? 0.0 : latencies.back(), latencies.size());
    return all ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("poll")) {
        const int cameras = argc > 2 ? atoi(argv[2]) : 1;
        const int seconds = argc > 3 ? atoi(argv[3]) : 20;
        if (cameras < 1 || cameras > 200 || seconds < 1) {
            fprintf(stderr, "usage: bench_network poll CAMERAS(1-200) [SECONDS]\n");
            return 2;
        }
        // The lab must be entered while the process has one thread: before Qt starts any.
        QCoreApplication app(argc, argv);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return benchPoll(cameras, seconds);
    }
    if (mode == QLatin1String("scan") || mode == QLatin1String("discover")) {
        const int cameras = argc > 2 ? atoi(argv[2]) : 1;
        if (cameras < 0 || cameras > 200 || (mode == QLatin1String("discover") && cameras < 1)) {
            fprintf(stderr, "usage: bench_network scan|discover CAMERAS(0-200)\n");
            return 2;
        }
        QCoreApplication app(argc, argv);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return mode == QLatin1String("scan") ? benchScan(cameras) : benchDiscovery(cameras);
    }
    if (mode == QLatin1String("events")) {
        const int count = argc > 2 ? atoi(argv[2]) : 1000;
        QCoreApplication app(argc, argv);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return benchEvents(std::max(count, 1));
    }
    fprintf(stderr, "usage: bench_network events [COUNT] | poll CAMERAS [SECONDS] | "
                    "scan CAMERAS | discover CAMERAS\n");
    return 2;
}
