// libMicBridge.so end to end: a private PulseAudio server in the PC namespace of the test LAN,
// torvi-sim in a camera namespace, the bridge loaded with dlopen into this process (which holds
// the temporary per-user folders in its environment, as KestraLive would) and parecord reading
// the "Kestra Microphone" source back. The simulator's tone and its once-a-second pauses tell
// the camera's sound from silence.
#include "support/childprocess.h"
#include "support/netlabmain.h"
#include "support/simulatedcamera.h"
#include "support/tempconfigroot.h"
#include "support/tonesignal.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <dlfcn.h>

namespace {

const QString source = QStringLiteral("kestra_mic");

using Entry = void (*)();

struct Bridge {
    void *handle = dlopen(KESTRA_MIC_BRIDGE, RTLD_NOW | RTLD_LOCAL);
    Entry start = handle ? reinterpret_cast<Entry>(dlsym(handle, "KestraMIC_Start")) : nullptr;
    Entry stop = handle ? reinterpret_cast<Entry>(dlsym(handle, "KestraMIC_Stop")) : nullptr;
};

// Loaded once and never unloaded, as KestraLive keeps it.
Bridge &bridge() {
    static Bridge loaded;
    return loaded;
}

class MicBridge : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_LAB();
        ASSERT_TRUE(config.isValid());
        ASSERT_TRUE(bridge().start && bridge().stop) << dlerror();
        ASSERT_TRUE(QDir().mkpath(config.configRoot() + QStringLiteral("/ini")));
        ASSERT_TRUE(QDir().mkpath(config.configRoot() + QStringLiteral("/log")));
        env = config.environment();
        // No hardware: a null sink is the server's only output.
        ASSERT_TRUE(
            pulse.start(QStringLiteral("pulseaudio"),
                        {QStringLiteral("--daemonize=no"), QStringLiteral("-n"),
                         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                         QStringLiteral("--disallow-exit"), QStringLiteral("--log-target=stderr"),
                         QStringLiteral("--load=module-native-protocol-unix "
                                        "auth-anonymous=1"),
                         QStringLiteral("--load=module-null-sink sink_name=speakers")},
                        env));
        ASSERT_TRUE(QTest::qWaitFor([&] { return pactl({QStringLiteral("info")}) >= 0; }, 10000))
            << qPrintable(pulse.describe());
    }

    void TearDown() override {
        if (bridge().stop)
            bridge().stop();
        camera.stop();
        pulse.terminate();
    }

    // pactl's exit code (-1 when it failed to run), its output in *out.
    int pactl(const QStringList &args, QString *out = nullptr) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("pactl"), args);
        if (!process.waitForFinished(5000))
            return -1;
        if (out)
            *out = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? 0 : -1;
    }

    bool microphoneListed() {
        QString sources;
        return pactl({QStringLiteral("list"), QStringLiteral("sources")}, &sources) == 0 &&
               sources.contains(QStringLiteral("Description: Kestra Microphone\n"));
    }

    void pair(const QString &address) {
        QFile pairing(config.configRoot() + QStringLiteral("/ini/VConfig.ini"));
        ASSERT_TRUE(pairing.open(QIODevice::WriteOnly | QIODevice::Truncate));
        pairing.write("[VCameralist]\nVCamera1=" + address.toUtf8() + "\n");
    }

    void startCamera(const QStringList &options) {
        ASSERT_TRUE(camera.start(testLab(), QStringLiteral("cam1"), testLab().cameraAddress(1),
                                 QStringLiteral("A1B2C3D4"),
                                 QStringList{QStringLiteral("--no-mdns")} + options))
            << qPrintable(camera.process().describe());
        ASSERT_TRUE(camera.process().waitForOutput(QStringLiteral("rtsp ready"), 10000));
    }

    // What the microphone gives over ms.
    std::vector<std::int16_t> record(int ms) {
        const QString file = config.path(QStringLiteral("take%1.raw").arg(++takes));
        ChildProcess parecord;
        if (!parecord.start(QStringLiteral("parecord"),
                            {QStringLiteral("--device=") + source, QStringLiteral("--raw"),
                             QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                             QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20"),
                             file},
                            env))
            return {};
        QTest::qWait(ms);
        parecord.terminate();
        return tonesignal::readRaw(file);
    }

    QString micLog() const {
        QFile log(config.configRoot() + QStringLiteral("/log/miclog.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    bool waitForLog(const QString &text, int timeoutMs) {
        return QTest::qWaitFor([&] { return micLog().contains(text); }, timeoutMs);
    }

    // The camera's tone, paused for 100 ms once a second.
    static void expectTone(const std::vector<std::int16_t> &samples) {
        ASSERT_GE(samples.size(), std::size_t{tonesignal::rate * 2});
        EXPECT_GT(tonesignal::toneShare(samples), 0.8);
        const std::vector<tonesignal::Onset> onsets = tonesignal::onsets(samples);
        ASSERT_GE(onsets.size(), 2u);
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            EXPECT_NEAR(onsets[i].gapMs, 100, 20) << "pause " << i;
            if (i > 0)
                EXPECT_NEAR(double(onsets[i].sample - onsets[i - 1].sample) / tonesignal::rate, 1.0,
                            0.03)
                    << "pause " << i;
        }
    }

    TempConfigRoot config;
    QProcessEnvironment env;
    ChildProcess pulse;
    SimulatedCamera camera;
    int takes = 0;
};

TEST_F(MicBridge, CamerasToneReachesTheMicrophoneFollowsTheStreamAndStopRemovesIt) {
    startCamera({QStringLiteral("--audio")});
    pair(testLab().cameraAddress(1));
    bridge().start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return microphoneListed(); }, 5000));
    ASSERT_TRUE(waitForLog(QStringLiteral("playing the sound of"), 10000)) << qPrintable(micLog());
    QTest::qWait(300);
    expectTone(record(3000));

    // The camera stops streaming: after what was queued, the microphone is silent.
    ASSERT_TRUE(camera.control(QStringLiteral("rtsp stop")));
    QTest::qWait(1000);
    EXPECT_LT(tonesignal::peak(record(1500)), 50);
    ASSERT_TRUE(waitForLog(QStringLiteral("connection to"), 5000)) << qPrintable(micLog());

    // It streams again: the bridge reconnects within its retry time and the tone is back.
    ASSERT_TRUE(camera.control(QStringLiteral("rtsp start")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return micLog().count(QStringLiteral("playing the sound of")) >= 2; }, 8000))
        << qPrintable(micLog());
    QTest::qWait(300);
    expectTone(record(3000));

    QElapsedTimer stopping;
    stopping.start();
    bridge().stop();
    EXPECT_LT(stopping.elapsed(), 500);
    EXPECT_FALSE(microphoneListed());
    // Started again in the same process, it publishes the microphone again.
    bridge().start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return microphoneListed(); }, 5000));
}

TEST_F(MicBridge, WithoutAPairedCameraOrWithoutItsSoundTheMicrophoneIsSilent) {
    pair(QString());
    bridge().start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return microphoneListed(); }, 5000));
    ASSERT_TRUE(waitForLog(QStringLiteral("no camera paired"), 5000)) << qPrintable(micLog());
    // Recording programs get silence from the first moment, not nothing.
    const std::vector<std::int16_t> early = record(1500);
    EXPECT_GT(early.size(), std::size_t{tonesignal::rate});
    EXPECT_LT(tonesignal::peak(early), 50);

    // A camera without an audio track: the pairing is read again at the next attempt.
    startCamera({});
    pair(testLab().cameraAddress(1));
    ASSERT_TRUE(waitForLog(QStringLiteral("no audio track at"), 8000)) << qPrintable(micLog());
    EXPECT_LT(tonesignal::peak(record(1500)), 50);

    // A camera whose sound comes in a format nothing decodes.
    camera.stop();
    startCamera({QStringLiteral("--audio-codec=undecodable")});
    ASSERT_TRUE(waitForLog(QStringLiteral("no decoder for the audio track at"), 8000))
        << qPrintable(micLog());
    EXPECT_LT(tonesignal::peak(record(1500)), 50);
    EXPECT_TRUE(microphoneListed());
}

// The camera here sends G.711 at 8 kHz, as many cameras do: it is resampled for the server.
TEST_F(MicBridge, ASoundServerThatComesLateAndGoesAwayIsWaitedFor) {
    pulse.terminate();
    startCamera({QStringLiteral("--audio-codec=alaw")});
    pair(testLab().cameraAddress(1));
    bridge().start();
    ASSERT_TRUE(waitForLog(QStringLiteral("sound server: not reachable"), 5000))
        << qPrintable(micLog());
    SetUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return microphoneListed(); }, 6000)) << qPrintable(micLog());
    ASSERT_TRUE(waitForLog(QStringLiteral("playing the sound of"), 10000)) << qPrintable(micLog());

    // The server dies under a playing bridge, and a new one gets the microphone back.
    pulse.kill();
    ASSERT_TRUE(pulse.waitForExit(5000));
    ASSERT_TRUE(waitForLog(QStringLiteral("playback lost"), 5000)) << qPrintable(micLog());
    SetUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return microphoneListed(); }, 6000)) << qPrintable(micLog());
    QTest::qWait(2500);
    expectTone(record(2500));
}

} // namespace
