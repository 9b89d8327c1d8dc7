// Figures for the live camera road, torvi-sim -> KestraCamera -> kestra-capture, on loopback
// (run it under `unshare -n` with lo up, as the unit tests run):
//
//   bench_live [SECONDS]   1080p30 (format 2) and 4K30 (format 6), SECONDS of stream each (10)
//   bench_live --smoke     3 s at 1080p30 only; fails when no live picture arrives
//
// Per size: one FFmpeg client starts the camera's stream and stays connected without decoding,
// so that later clients join a stream that is already running, as with a real camera. A
// second one, with the filter's own open options and decoder settings, joins and decodes
// alone for a while: the RTSP handshake of a joining client, the decode time and the latency
// without the filter. kestra-capture then grabs "Kestra Camera1" (paired with the simulator)
// with --live. Every picture carries the simulator's capture time (framestamp.h), so latency
// is arrival minus stamp on CLOCK_MONOTONIC.
//
//   connect -> first picture  from the simulator's "rtsp client connected" to the first
//                             stamped sample; the key-frame wait is the part between the end of
//                             the handshake and the capture of the first picture shown. The
//                             camera sends a key frame every 30 frames, and gst-rtsp-server
//                             asks the encoder for one whenever a client joins, so on the
//                             simulator this wait is short.
//   latency                   over the first sample of each camera frame
//   longest gap               between two samples from the first sample on: how long the
//                             application's sample loop ever waited (placeholder, connection
//                             and pictures alike); it grows with the machine's load
//   simulator part            the plain client's latency minus its decode time: encoding and
//                             sending; the filter's added part is the rest of capture's latency
//   CPU                       kestra-capture's utime + stime while live, per second, without
//                             its own worker thread (CRC and stamp reading), in software decoding
//
// Exit status: 0 when every size delivered live pictures (targets are reported, not enforced),
// 1 otherwise, 2 for a usage error.
#include "framestamp.h"
#include "sampleanalysis.h"
#include "support/childprocess.h"
#include "support/mainwindowstandin.h"
#include "support/tempconfigroot.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using capture::Percentile;

double nowMs() {
    return static_cast<double>(framestamp::monotonicMicroseconds()) / 1000.0;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// utime + stime of kestra-capture, of its thread named "capture-work" and of the simulator,
// and the machine's busy time over all cores, in ms.
struct CpuReading {
    double atMs = 0;
    double processMs = 0;
    double workerMs = 0;
    double simMs = 0;
    double machineMs = 0;
};

double statCpuMs(const QString &statPath) {
    QFile file(statPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.readAll();
    // The fields after the command name, which may hold spaces: utime and stime are the 12th
    // and 13th of them.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / ticks;
}

double machineBusyMs() {
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // "cpu user nice system idle iowait irq softirq steal ...": all but idle and iowait.
    const QList<QByteArray> fields = file.readLine().simplified().split(' ');
    double busy = 0;
    for (qsizetype i = 1; i < fields.size() && i <= 8; ++i)
        if (i != 4 && i != 5)
            busy += fields[i].toDouble();
    return busy * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

CpuReading readCpu(qint64 pid, qint64 simPid) {
    CpuReading reading;
    reading.atMs = nowMs();
    reading.simMs = statCpuMs(QStringLiteral("/proc/%1/stat").arg(simPid));
    reading.machineMs = machineBusyMs();
    const QString base = QStringLiteral("/proc/%1").arg(pid);
    reading.processMs = statCpuMs(base + QStringLiteral("/stat"));
    const QDir tasks(base + QStringLiteral("/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "capture-work")
            reading.workerMs += statCpuMs(tasks.filePath(tid + QStringLiteral("/stat")));
    }
    return reading;
}

// A child process whose stdout lines are kept with the time each was read: the bench's event
// loop reads them as soon as they arrive. Used on the main thread.
class TimedChild {
public:
    struct Line {
        double atMs;
        QString text;
    };

    TimedChild() {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
            const double at = nowMs();
            m_pending += m_process.readAllStandardOutput();
            qsizetype end;
            while ((end = m_pending.indexOf('\n')) >= 0) {
                m_lines.push_back({at, QString::fromUtf8(m_pending.left(end))});
                m_pending.remove(0, end + 1);
            }
        });
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    ~TimedChild() { stop(); }

    bool start(const QString &program, const QStringList &args, const QProcessEnvironment &env) {
        m_process.setProcessEnvironment(env);
        m_process.start(program, args);
        return m_process.waitForStarted(10000);
    }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    // The first line from index `from` on that contains text, waiting up to timeoutMs.
    std::optional<size_t> waitFor(const QString &text, size_t from, int timeoutMs) {
        const double deadline = nowMs() + timeoutMs;
        for (;;) {
            for (size_t i = from; i < m_lines.size(); ++i)
                if (m_lines[i].text.contains(text))
                    return i;
            from = m_lines.size();
            if (nowMs() > deadline || m_process.state() == QProcess::NotRunning)
                return std::nullopt;
            m_process.waitForReadyRead(50);
        }
    }
    // Reads whatever has already arrived, so that later lines are known to be new.
    void drain() {
        while (m_process.waitForReadyRead(0)) {
        }
    }
    bool command(const QString &line) {
        const size_t from = m_lines.size();
        m_process.write((line + QLatin1Char('\n')).toUtf8());
        return waitFor(QStringLiteral("ok ") + line, from, 10000).has_value();
    }

    QProcess &process() { return m_process; }
    const std::vector<Line> &lines() const { return m_lines; }
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QByteArray m_pending;
    std::vector<Line> m_lines;
};

// A plain RTSP client with the filter's open options and decoder settings. Its reader thread
// either decodes, recording per picture the decode time and the latency, or only reads,
// keeping the camera's stream running.
class StreamProbe {
public:
    struct Figures {
        double handshakeMs = 0;
        std::optional<double> connectToFirstMs; // from opening to the first stamped picture
        std::vector<double> latencyMs;
        std::vector<double> decodeMs;
        double decodeCpuMs = 0;
    };

    explicit StreamProbe(bool decoding) : m_decoding(decoding) {}
    ~StreamProbe() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        avcodec_free_context(&m_decoder);
        avformat_close_input(&m_input);
    }

    bool open(const std::string &url, std::string *error) {
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        av_dict_set(&options, "allowed_media_types", "video", 0);
        av_dict_set(&options, "fflags", "nobuffer", 0);
        av_dict_set(&options, "timeout", "1000000", 0);
        m_input = avformat_alloc_context();
        m_input->interrupt_callback = {&StreamProbe::interrupted, this};
        m_openedAt = nowMs();
        const int opened = avformat_open_input(&m_input, url.c_str(), nullptr, &options);
        m_figures.handshakeMs = nowMs() - m_openedAt;
        av_dict_free(&options);
        const AVCodec *codec = nullptr;
        if (opened < 0 ||
            (m_stream = av_find_best_stream(m_input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0)) < 0) {
            *error = "cannot open " + url;
            return false;
        }
        m_decoder = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(m_decoder, m_input->streams[m_stream]->codecpar);
        m_decoder->thread_type = FF_THREAD_SLICE;
        m_decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
        if (avcodec_open2(m_decoder, codec, nullptr) < 0) {
            *error = "cannot open the decoder";
            return false;
        }
        m_thread = std::thread([this] { read(); });
        return true;
    }
    Figures figures() {
        const std::lock_guard lock(m_mutex);
        return m_figures;
    }

private:
    static int interrupted(void *self) { return static_cast<StreamProbe *>(self)->m_stop ? 1 : 0; }

    void read() {
        AVPacket *packet = av_packet_alloc();
        AVFrame *frame = av_frame_alloc();
        while (!m_stop && av_read_frame(m_input, packet) >= 0) {
            if (packet->stream_index == m_stream && m_decoding)
                decode(packet, frame);
            av_packet_unref(packet);
        }
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    void decode(AVPacket *packet, AVFrame *frame) {
        const double cpuBefore = threadCpuMs();
        const double before = nowMs();
        if (avcodec_send_packet(m_decoder, packet) < 0)
            return;
        while (avcodec_receive_frame(m_decoder, frame) == 0) {
            const double after = nowMs();
            const auto code = framestamp::readCode(
                {frame->data[0], frame->linesize[0], 1, frame->width, frame->height});
            const std::lock_guard lock(m_mutex);
            m_figures.decodeMs.push_back(after - before);
            m_figures.decodeCpuMs += threadCpuMs() - cpuBefore;
            if (!code)
                continue;
            m_figures.latencyMs.push_back(after - static_cast<double>(code->monotonicUs) / 1000.0);
            if (!m_figures.connectToFirstMs)
                m_figures.connectToFirstMs = after - m_openedAt;
        }
    }

    AVFormatContext *m_input = nullptr;
    AVCodecContext *m_decoder = nullptr;
    int m_stream = -1;
    double m_openedAt = 0;
    std::atomic<bool> m_stop{false};
    const bool m_decoding;
    std::mutex m_mutex; // guards m_figures after open
    Figures m_figures;
    std::thread m_thread; // last: reads the members above
};

// One run of kestra-capture as the bench reads it.
struct CaptureFigures {
    bool live = false;
    double connectToFirstMs = 0;
    double keyFrameWaitMs = 0;
    double firstLatencyMs = 0;
    uint32_t firstFrame = 0;
    std::vector<double> latencyMs; // first sample of each camera frame
    double liveSeconds = 0;
    size_t pictures = 0;  // distinct camera frames
    size_t samples = 0;   // every sample while live
    size_t lost = 0;      // camera frames between the first and last shown that never came
    double maxGapMs = 0;  // between two consecutive samples, any kind
    double cameraFps = 0; // frames the camera made while live, shown or not
    double cpuPercent = 0;
    double workerCpuPercent = 0;
    double simCpuPercent = 0;
    double machineBusyPercent = 0; // of all cores
};

struct Setup {
    TempConfigRoot config; // first: the stand-in binds under its runtime folder
    QTemporaryDir registry;
    MainWindowStandIn standIn;
    QProcessEnvironment env;
    TimedChild sim;
    int rtspPort = 0;

    bool start(QString *why) {
        if (!config.isValid() || !registry.isValid() || !standIn.isOpen()) {
            *why = QStringLiteral("no temporary configuration");
            return false;
        }
        env = config.environment();
        env.insert(QStringLiteral("KESTRA_DSHOW_REGISTRY"), registry.path());
        ChildProcess regsvr;
        if (!regsvr.start(QStringLiteral(KESTRA_REGSVR), {QStringLiteral(KESTRA_CAMERA_LIBRARY)},
                          env) ||
            !regsvr.waitForExit(30000) || regsvr.exitCode() != 0) {
            *why = QStringLiteral("registration failed: ") + regsvr.describe();
            return false;
        }
        if (!sim.start(QStringLiteral(TORVI_SIM),
                       {QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("--http-port"), QStringLiteral("0"),
                        QStringLiteral("--rtsp-port"), QStringLiteral("0"),
                        QStringLiteral("--no-mdns"), QStringLiteral("--media-mode"),
                        QStringLiteral("1080P30_SS")},
                       env)) {
            *why = QStringLiteral("torvi-sim did not start");
            return false;
        }
        const auto ready = sim.waitFor(QStringLiteral("rtsp ready port="), 0, 10000);
        if (!ready) {
            *why = QStringLiteral("torvi-sim has no RTSP server: ") + sim.errors();
            return false;
        }
        static const QRegularExpression port(QStringLiteral("port=(\\d+)"));
        rtspPort = port.match(sim.lines()[*ready].text).captured(1).toInt();
        // Slot 1 paired with the simulator; the receiver reads this at every attempt.
        QDir().mkpath(config.configRoot() + QStringLiteral("/ini"));
        QFile vconfig(config.configRoot() + QStringLiteral("/ini/VConfig.ini"));
        if (!vconfig.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            vconfig.write(
                QStringLiteral("[VCameralist]\nVCamera1=127.0.0.1:%1\n").arg(rtspPort).toUtf8()) <
                0) {
            *why = QStringLiteral("cannot write VConfig.ini");
            return false;
        }
        return true;
    }
    std::string url() const {
        return "rtsp://127.0.0.1:" + std::to_string(rtspPort) + "/livestream/11";
    }
};

struct SampleLine {
    double seenMs;
    double arrivalMs;
    std::optional<uint32_t> frame;
    std::optional<double> latencyMs;
};

std::optional<SampleLine> parseSample(const TimedChild::Line &line) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^sample \d+ arrival_ms=([\d.]+) .* latency_ms=(\S+) frame=(\S+)$)"));
    const auto m = pattern.match(line.text);
    if (!m.hasMatch())
        return std::nullopt;
    SampleLine sample{line.atMs, m.captured(1).toDouble(), std::nullopt, std::nullopt};
    if (m.captured(3) != QLatin1String("-")) {
        sample.frame = m.captured(3).toUInt();
        sample.latencyMs = m.captured(2).toDouble();
    }
    return sample;
}

// Runs kestra-capture for `seconds` of live stream and works the figures out of its lines.
CaptureFigures runCapture(Setup &setup, int format, double seconds, double handshakeMs) {
    CaptureFigures figures;
    TimedChild capture;
    setup.sim.drain();
    const size_t simFrom = setup.sim.lines().size();
    // The receiver waits 2 s before it connects, and the first key frame may be a second away.
    const double runSeconds = seconds + 3.5;
    if (!capture.start(QStringLiteral(KESTRA_CAPTURE),
                       {QStringLiteral("grab"), QStringLiteral("Kestra Camera1"),
                        QStringLiteral("--format"), QString::number(format),
                        QStringLiteral("--count"), QStringLiteral("0"), QStringLiteral("--seconds"),
                        QString::number(runSeconds), QStringLiteral("--live")},
                       setup.env)) {
        fprintf(stderr, "bench_live: kestra-capture did not start\n");
        return figures;
    }
    const qint64 pid = capture.process().processId();
    const qint64 simPid = setup.sim.process().processId();
    std::optional<CpuReading> atFirstLive;
    CpuReading last;
    size_t parsed = 0;
    std::vector<SampleLine> samples;
    double runStartMs = INFINITY;
    bool summary = false;

    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        for (; parsed < capture.lines().size(); ++parsed) {
            const TimedChild::Line &line = capture.lines()[parsed];
            summary = summary || line.text.startsWith(QLatin1String("frames="));
            if (const auto sample = parseSample(line)) {
                // The earliest sighting bounds the run's start best: lines are seen a little
                // after their sample arrived, never before.
                runStartMs = std::min(runStartMs, sample->seenMs - sample->arrivalMs);
                samples.push_back(*sample);
                if (sample->frame && !atFirstLive)
                    atFirstLive = readCpu(pid, simPid);
            }
        }
        if (!summary)
            last = readCpu(pid, simPid);
        if (capture.process().state() == QProcess::NotRunning)
            loop.quit();
    });
    poll.start(50);
    QTimer::singleShot(static_cast<int>(runSeconds * 1000) + 30000, &loop, &QEventLoop::quit);
    loop.exec();
    capture.stop();

    std::optional<double> connectedMs;
    for (size_t i = simFrom; i < setup.sim.lines().size() && !connectedMs; ++i)
        if (setup.sim.lines()[i].text.startsWith(QLatin1String("rtsp client connected")))
            connectedMs = setup.sim.lines()[i].atMs;

    for (size_t i = 1; i < samples.size(); ++i)
        figures.maxGapMs =
            std::max(figures.maxGapMs, samples[i].arrivalMs - samples[i - 1].arrivalMs);
    std::set<uint32_t> shown;
    double firstArrival = 0;
    double lastArrival = 0;
    for (const SampleLine &s : samples) {
        if (!s.frame)
            continue;
        const double arrival = runStartMs + s.arrivalMs;
        ++figures.samples;
        if (!shown.insert(*s.frame).second)
            continue;
        if (shown.size() == 1) {
            figures.live = true;
            figures.firstFrame = *s.frame;
            figures.firstLatencyMs = *s.latencyMs;
            firstArrival = arrival;
            if (connectedMs) {
                figures.connectToFirstMs = arrival - *connectedMs;
                const double captured = arrival - *s.latencyMs;
                figures.keyFrameWaitMs = std::clamp(captured - (*connectedMs + handshakeMs), 0.0,
                                                    figures.connectToFirstMs);
            }
        }
        lastArrival = arrival;
        figures.latencyMs.push_back(*s.latencyMs);
    }
    if (!figures.live) {
        fprintf(stderr, "bench_live: no live picture; kestra-capture said: %s\n",
                qPrintable(capture.errors()));
        return figures;
    }
    figures.pictures = shown.size();
    figures.liveSeconds = (lastArrival - firstArrival) / 1000.0;
    figures.lost = *shown.rbegin() - *shown.begin() + 1 - shown.size();
    if (figures.liveSeconds > 0)
        figures.cameraFps = (*shown.rbegin() - *shown.begin()) / figures.liveSeconds;
    const double wallMs = last.atMs - atFirstLive->atMs;
    if (wallMs > 0) {
        figures.cpuPercent = 100.0 * (last.processMs - atFirstLive->processMs) / wallMs;
        figures.workerCpuPercent = 100.0 * (last.workerMs - atFirstLive->workerMs) / wallMs;
        figures.simCpuPercent = 100.0 * (last.simMs - atFirstLive->simMs) / wallMs;
        figures.machineBusyPercent = 100.0 * (last.machineMs - atFirstLive->machineMs) / wallMs /
                                     static_cast<double>(std::thread::hardware_concurrency());
    }
    return figures;
}

struct Mode {
    const char *name;
    const char *mediaMode;
    int format;
    double cpuTargetPercent;
};

struct Result {
    Mode mode;
    StreamProbe::Figures direct;
    double directCpuPercent = 0;
    CaptureFigures capture;
};

bool measure(Setup &setup, const Mode &mode, double seconds, Result *result) {
    result->mode = mode;
    if (!setup.sim.command(QStringLiteral("rtsp size %1").arg(QLatin1String(mode.mediaMode)))) {
        fprintf(stderr, "bench_live: the simulator refused media mode %s\n", mode.mediaMode);
        return false;
    }
    // The keeper starts the camera's pipeline and holds it running; the plain client then
    // joins as the filter will.
    StreamProbe keeper(false);
    std::string error;
    if (!keeper.open(setup.url(), &error)) {
        fprintf(stderr, "bench_live: %s\n", error.c_str());
        return false;
    }
    const double directSeconds = std::min(seconds, 5.0);
    // Joining a pipeline that is still starting up would time its start-up, not the join.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    {
        StreamProbe plain(true);
        if (!plain.open(setup.url(), &error)) {
            fprintf(stderr, "bench_live: %s\n", error.c_str());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(directSeconds));
        result->direct = plain.figures();
    }
    result->directCpuPercent = result->direct.decodeCpuMs / (directSeconds * 10.0);
    result->capture = runCapture(setup, mode.format, seconds, result->direct.handshakeMs);
    return result->capture.live;
}

std::string cell(const std::optional<double> &value, const char *format = "%.1f") {
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, *value);
    return text;
}

void row(const std::vector<Result> &results, const char *label,
         const std::function<std::optional<double>(const Result &)> &value,
         const std::function<std::string(const Result &)> &target = nullptr) {
    printf("%-44s", label);
    for (const Result &r : results)
        printf(" %12s", cell(value(r)).c_str());
    if (target)
        for (const Result &r : results)
            printf("  %s", target(r).c_str());
    printf("\n");
}

std::string verdict(bool met, const std::string &target) {
    return (met ? "met (" : "MISSED (") + target + ")";
}

void printTable(const std::vector<Result> &results) {
    printf("\n%-44s", "bench_live (software decoding, loopback)");
    for (const Result &r : results)
        printf(" %12s", r.mode.name);
    printf("  targets\n");
    const auto median = [](const std::vector<double> &v) {
        return Percentile(v, 50);
    };
    const auto p95 = [](const std::vector<double> &v) {
        return Percentile(v, 95);
    };
    const auto simPart = [&](const Result &r) -> std::optional<double> {
        const auto l = median(r.direct.latencyMs);
        const auto d = median(r.direct.decodeMs);
        return l && d ? std::optional<double>(*l - *d) : std::nullopt;
    };
    const auto added = [&](const Result &r) -> std::optional<double> {
        const auto l = median(r.capture.latencyMs);
        const auto s = simPart(r);
        return l && s ? std::optional<double>(*l - *s) : std::nullopt;
    };

    row(results, "connect -> first picture, ms",
        [](const Result &r) { return r.capture.connectToFirstMs; });
    row(results, "  waiting for the key frame, ms",
        [](const Result &r) { return r.capture.keyFrameWaitMs; });
    row(
        results, "  the rest, ms",
        [](const Result &r) { return r.capture.connectToFirstMs - r.capture.keyFrameWaitMs; },
        [](const Result &r) {
            return verdict(r.capture.connectToFirstMs - r.capture.keyFrameWaitMs <= 300, "<= 300");
        });
    row(results, "  first frame shown (camera frame number)",
        [](const Result &r) { return static_cast<double>(r.capture.firstFrame); });
    row(results, "  the first picture's own latency, ms",
        [](const Result &r) { return r.capture.firstLatencyMs; });
    row(results, "  RTSP handshake (plain client), ms",
        [](const Result &r) { return r.direct.handshakeMs; });
    row(results, "plain client connect -> first picture, ms",
        [](const Result &r) { return r.direct.connectToFirstMs; });
    row(results, "latency to sample, median ms",
        [&](const Result &r) { return median(r.capture.latencyMs); });
    row(results, "latency to sample, p95 ms",
        [&](const Result &r) { return p95(r.capture.latencyMs); });
    row(results, "plain client latency, median ms",
        [&](const Result &r) { return median(r.direct.latencyMs); });
    row(results, "decode time, median ms",
        [&](const Result &r) { return median(r.direct.decodeMs); });
    row(results, "simulator encode + send, median ms", simPart);
    row(results, "added by filter and capture, median ms", added, [&](const Result &r) {
        const auto a = added(r);
        const auto d = median(r.direct.decodeMs);
        return a && d ? verdict(*a <= *d + 2, "<= decode + 2 = " + cell(*d + 2)) : "-";
    });
    row(results, "CPU kestra-capture, % of one core",
        [](const Result &r) { return r.capture.cpuPercent; });
    row(results, "  of it capture's own worker, %",
        [](const Result &r) { return r.capture.workerCpuPercent; });
    row(
        results, "  without the worker, %",
        [](const Result &r) { return r.capture.cpuPercent - r.capture.workerCpuPercent; },
        [](const Result &r) {
            return verdict(r.capture.cpuPercent - r.capture.workerCpuPercent <=
                               r.mode.cpuTargetPercent,
                           "<= " + cell(r.mode.cpuTargetPercent, "%.0f"));
        });
    row(results, "plain client decoding alone, % of one core",
        [](const Result &r) { return r.directCpuPercent; });
    row(results, "camera frames shown per second", [](const Result &r) {
        return r.capture.liveSeconds > 0
                   ? std::optional<double>((r.capture.pictures - 1) / r.capture.liveSeconds)
                   : std::nullopt;
    });
    row(results, "samples per second while live", [](const Result &r) {
        return r.capture.liveSeconds > 0
                   ? std::optional<double>((r.capture.samples - 1) / r.capture.liveSeconds)
                   : std::nullopt;
    });
    row(results, "camera frames made per second while live",
        [](const Result &r) { return r.capture.cameraFps; });
    row(results, "camera frames never shown",
        [](const Result &r) { return static_cast<double>(r.capture.lost); });
    row(results, "longest gap between samples, ms",
        [](const Result &r) { return r.capture.maxGapMs; });
    row(results, "simulator CPU while live, % of one core",
        [](const Result &r) { return r.capture.simCpuPercent; });
    row(results, "machine busy while live, % of all cores",
        [](const Result &r) { return r.capture.machineBusyPercent; });
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QStringList args = app.arguments().mid(1);
    bool smoke = false;
    double seconds = 10;
    if (args.size() == 1 && args[0] == QLatin1String("--smoke")) {
        smoke = true;
        seconds = 3;
    } else if (args.size() == 1) {
        bool ok = false;
        seconds = args[0].toDouble(&ok);
        if (!ok || seconds < 1 || seconds > 3600)
            seconds = 0;
    } else if (!args.isEmpty()) {
        seconds = 0;
    }
    if (seconds == 0) {
        fprintf(stderr, "usage: bench_live [SECONDS] | --smoke\n");
        return 2;
    }

    Setup setup;
    QString why;
    if (!setup.start(&why)) {
        fprintf(stderr, "bench_live: %s\n", qPrintable(why));
        return 1;
    }
    const std::vector<Mode> modes = {{"1080p30", "1080P30_SS", 2, 20}, {"4K30", "4K30", 6, 60}};
    std::vector<Result> results;
    bool allLive = true;
    for (const Mode &mode : modes) {
        if (smoke && results.size() == 1)
            break;
        printf("bench_live: %s for %.0f s\n", mode.name, seconds);
        fflush(stdout);
        Result result;
        allLive = measure(setup, mode, seconds, &result) && allLive;
        results.push_back(result);
    }
    printTable(results);
    setup.sim.command(QStringLiteral("quit"));
    return allLive ? 0 : 1;
}
