// Figures for the microphone bridge, torvi-sim --audio -> libMicBridge.so -> the sound server,
// on loopback with a private PulseAudio server (run it under `unshare -n` with lo up, as the
// unit tests run):
//
//   bench_mic [SECONDS]   the camera's sound as Opus (48 kHz) and as G.711 A-law (8 kHz),
//                         SECONDS of sound each (20)
//   bench_mic --smoke     5 s of Opus only; fails when the tone does not come through
//
// The bridge is loaded into this process, as KestraLive loads it; parecord records the
// "Kestra Microphone" source with 10 ms fragments and the bench reads its output as it comes.
//
//   latency   from the capture time of each tone onset after the once-a-second pause (the
//             simulator's "audio tone us=", CLOCK_MONOTONIC) to the moment that sample was in
//             the source: the arrival of the recorder's fragment minus the samples after it in
//             that fragment. It includes the camera's encoder and the network, as a user
//             hears it.
//   CPU       the bridge: this process's utime + stime without its main thread (which only
//             reads the recorder), per second of sound; the sound server: pulseaudio's,
//             which carries the bridge's sink and source and the recorder's stream.
//
// Exit status: 0 when the tone came through for every coding (targets are reported, not
// enforced), 1 otherwise, 2 for a usage error.
#include "framestamp.h"
#include "sampleanalysis.h"
#include "support/childprocess.h"
#include "support/tempconfigroot.h"
#include "support/tonesignal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <dlfcn.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using capture::Percentile;

double nowMs() {
    return static_cast<double>(framestamp::monotonicMicroseconds()) / 1000.0;
}

double statCpuMs(const QString &statPath) {
    QFile file(statPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.readAll();
    // After the command name, which may hold spaces, utime and stime are the 12th and 13th
    // fields.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / ticks;
}

struct CpuReading {
    double atMs = nowMs();
    double bridgeMs = statCpuMs(QStringLiteral("/proc/self/stat")) -
                      statCpuMs(QStringLiteral("/proc/self/task/%1/stat").arg(getpid()));
    double serverMs;
};

struct Coding {
    const char *name;
    const char *option;
};

struct Result {
    const char *coding = "";
    std::size_t onsets = 0;
    std::optional<double> medianMs, p95Ms, maxMs;
    double bridgeCpuPercent = 0;
    double serverCpuPercent = 0;
};

// Records the microphone through parecord's standard output, noting when each piece arrived.
// Used on the main thread.
class Recorder {
public:
    struct Piece {
        std::size_t end; // samples recorded up to and including this piece
        double atMs;
    };

    explicit Recorder(const QProcessEnvironment &env) {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
            const double at = nowMs();
            m_pending += m_process.readAllStandardOutput();
            const qsizetype whole = m_pending.size() / 2 * 2;
            const std::size_t had = m_samples.size();
            m_samples.resize(had + static_cast<std::size_t>(whole / 2));
            std::memcpy(m_samples.data() + had, m_pending.constData(),
                        static_cast<std::size_t>(whole));
            m_pending.remove(0, whole);
            m_pieces.push_back({m_samples.size(), at});
        });
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--device=kestra_mic"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                         QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10")});
    }
    ~Recorder() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }

    // When each tone onset was in the source.
    std::vector<double> onsetTimesMs() const {
        std::vector<double> times;
        std::size_t piece = 0;
        for (const tonesignal::Onset &onset : tonesignal::onsets(m_samples)) {
            while (m_pieces[piece].end <= onset.sample)
                ++piece;
            const double after = static_cast<double>(m_pieces[piece].end - onset.sample);
            times.push_back(m_pieces[piece].atMs - after * 1000.0 / tonesignal::rate);
        }
        return times;
    }

private:
    QProcess m_process;
    QByteArray m_pending;
    std::vector<std::int16_t> m_samples;
    std::vector<Piece> m_pieces;
};

class Bench {
public:
    bool start(QString *why) {
        if (!m_config.isValid() || !QDir().mkpath(m_config.configRoot() + "/ini") ||
            !QDir().mkpath(m_config.configRoot() + "/log")) {
            *why = QStringLiteral("no temporary configuration");
            return false;
        }
        m_env = m_config.environment();
        if (!m_server.start(QStringLiteral("pulseaudio"),
                            {QStringLiteral("--daemonize=no"), QStringLiteral("-n"),
                             QStringLiteral("--exit-idle-time=-1"),
                             QStringLiteral("--use-pid-file=no"), QStringLiteral("--disallow-exit"),
                             QStringLiteral("--load=module-native-protocol-unix "
                                            "auth-anonymous=1")},
                            m_env) ||
            !QTest::qWaitFor([&] { return microphoneCount() >= 0; }, 10000)) {
            *why = QStringLiteral("no sound server: ") + m_server.describe();
            return false;
        }
        m_bridge = dlopen(KESTRA_MIC_BRIDGE, RTLD_NOW | RTLD_LOCAL);
        auto *entry =
            m_bridge ? reinterpret_cast<void (*)()>(dlsym(m_bridge, "KestraMIC_Start")) : nullptr;
        if (!entry) {
            *why = QStringLiteral("no bridge: ") + QString::fromUtf8(dlerror());
            return false;
        }
        entry();
        if (!QTest::qWaitFor([&] { return microphoneCount() == 1; }, 10000)) {
            *why = QStringLiteral("the bridge published no microphone: ") + micLog();
            return false;
        }
        return true;
    }

    void stop() {
        if (auto *entry = m_bridge ? reinterpret_cast<void (*)()>(dlsym(m_bridge, "KestraMIC_Stop"))
                                   : nullptr)
            entry();
    }

    bool measure(const Coding &coding, double seconds, Result *result) {
        result->coding = coding.name;
        ChildProcess camera;
        if (!camera.start(QStringLiteral(TORVI_SIM),
                          {QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("--http-port"), QStringLiteral("0"),
                           QStringLiteral("--rtsp-port"), QStringLiteral("0"),
                           QStringLiteral("--no-mdns"), QString::fromUtf8(coding.option)},
                          m_env) ||
            !camera.waitForOutput(QStringLiteral("rtsp ready port="), 10000)) {
            fprintf(stderr, "bench_mic: torvi-sim: %s\n", qPrintable(camera.describe()));
            return false;
        }
        static const QRegularExpression portLine(QStringLiteral("rtsp ready port=(\\d+)"));
        const QString port = portLine.match(camera.standardOutput()).captured(1);
        const int played = micLog().count(QStringLiteral("playing the sound of"));
        if (!pair(QStringLiteral("127.0.0.1:") + port) ||
            !QTest::qWaitFor(
                [&] { return micLog().count(QStringLiteral("playing the sound of")) > played; },
                10000)) {
            fprintf(stderr, "bench_mic: the bridge does not play the camera: %s\n",
                    qPrintable(micLog()));
            return false;
        }
        QTest::qWait(1000); // past the start of playback

        const qint64 serverPid = m_server.pid();
        const auto serverCpu = [serverPid] {
            return statCpuMs(QStringLiteral("/proc/%1/stat").arg(serverPid));
        };
        const double firstCapture = nowMs();
        std::vector<double> arrivals;
        CpuReading before{};
        before.serverMs = serverCpu();
        {
            Recorder recorder(m_env);
            QTest::qWait(static_cast<int>(seconds * 1000));
            CpuReading after{};
            after.serverMs = serverCpu();
            const double wallMs = after.atMs - before.atMs;
            result->bridgeCpuPercent = (after.bridgeMs - before.bridgeMs) * 100.0 / wallMs;
            result->serverCpuPercent = (after.serverMs - before.serverMs) * 100.0 / wallMs;
            arrivals = recorder.onsetTimesMs();
        }
        camera.terminate();

        std::vector<double> captures;
        static const QRegularExpression toneLine(QStringLiteral("audio tone us=(\\d+)"));
        for (auto match = toneLine.globalMatch(camera.standardOutput()); match.hasNext();) {
            const double at = match.next().captured(1).toDouble() / 1000.0;
            if (at >= firstCapture - 1000)
                captures.push_back(at);
        }
        // Onsets are a second apart: each arrival belongs to the latest capture before it.
        std::vector<double> latencies;
        for (const double arrival : arrivals) {
            std::optional<double> latest;
            for (const double capture : captures)
                if (capture <= arrival && arrival - capture < 1000)
                    latest = capture;
            if (latest)
                latencies.push_back(arrival - *latest);
        }
        result->onsets = latencies.size();
        result->medianMs = Percentile(latencies, 50);
        result->p95Ms = Percentile(latencies, 95);
        result->maxMs = Percentile(latencies, 100);
        return latencies.size() >= 2;
    }

private:
    // -1 while the server does not answer.
    int microphoneCount() {
        QProcess pactl;
        pactl.setProcessEnvironment(m_env);
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sources")});
        if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0)
            return -1;
        return QString::fromUtf8(pactl.readAllStandardOutput())
            .count(QStringLiteral("\tkestra_mic\t"));
    }

    bool pair(const QString &address) {
        QFile pairing(m_config.configRoot() + QStringLiteral("/ini/VConfig.ini"));
        return pairing.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               pairing.write("[VCameralist]\nVCamera1=" + address.toUtf8() + "\n") > 0;
    }

    QString micLog() const {
        QFile log(m_config.configRoot() + QStringLiteral("/log/miclog.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    TempConfigRoot m_config; // first: the sound server and the bridge live under its folders
    QProcessEnvironment m_env;
    ChildProcess m_server;
    void *m_bridge = nullptr; // never unloaded, as KestraLive keeps it
};

void printFigure(const char *label, const std::vector<Result> &results,
                 std::optional<double> (*figure)(const Result &)) {
    printf("%-44s", label);
    for (const Result &r : results) {
        const std::optional<double> value = figure(r);
        if (value)
            printf("%12.1f", *value);
        else
            printf("%12s", "-");
    }
    printf("\n");
}

void printTable(const std::vector<Result> &results) {
    printf("%-44s", "");
    for (const Result &r : results)
        printf("%12s", r.coding);
    printf("\n");
    printFigure("tone onsets measured", results,
                [](const Result &r) -> std::optional<double> { return double(r.onsets); });
    printFigure("latency capture -> source, median ms", results,
                [](const Result &r) { return r.medianMs; });
    printFigure("latency capture -> source, p95 ms", results,
                [](const Result &r) { return r.p95Ms; });
    printFigure("latency capture -> source, max ms", results,
                [](const Result &r) { return r.maxMs; });
    printFigure("bridge CPU, % of one core", results,
                [](const Result &r) -> std::optional<double> { return r.bridgeCpuPercent; });
    printFigure("sound server CPU, % of one core", results,
                [](const Result &r) -> std::optional<double> { return r.serverCpuPercent; });
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QStringList args = app.arguments().mid(1);
    bool smoke = false;
    double seconds = 20;
    if (args.size() == 1 && args[0] == QLatin1String("--smoke")) {
        smoke = true;
        seconds = 5;
    } else if (args.size() == 1) {
        bool ok = false;
        seconds = args[0].toDouble(&ok);
        if (!ok || seconds < 3 || seconds > 3600)
            seconds = 0;
    } else if (!args.isEmpty()) {
        seconds = 0;
    }
    if (seconds == 0) {
        fprintf(stderr, "usage: bench_mic [SECONDS (3-3600)] | --smoke\n");
        return 2;
    }

    Bench bench;
    QString why;
    if (!bench.start(&why)) {
        fprintf(stderr, "bench_mic: %s\n", qPrintable(why));
        return 1;
    }
    const std::vector<Coding> codings = {{"Opus 48k", "--audio-codec=opus"},
                                         {"A-law 8k", "--audio-codec=alaw"}};
    std::vector<Result> results;
    bool allThrough = true;
    for (const Coding &coding : codings) {
        if (smoke && !results.empty())
            break;
        printf("bench_mic: %s for %.0f s\n", coding.name, seconds);
        fflush(stdout);
        Result result;
        allThrough = bench.measure(coding, seconds, &result) && allThrough;
        results.push_back(result);
    }
    bench.stop();
    printTable(results);
    return allThrough ? 0 : 1;
}
