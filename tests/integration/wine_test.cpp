// KestraCamera for Windows inside a DirectShow we did not write: Wine's. The 64-bit Windows
// build (cmake --preset win64; this kind of machine runs no 32-bit code) is registered with
// Wine's regsvr32 in a fresh prefix, listed by Wine's device enumerator, probed through the
// system's COM, and grabbed from by the Windows kestra-capture.exe, first showing the
// placeholder, then a simulated camera in the test LAN with a stand-in for KestraLive's main
// window receiving the camera messages. Wine runs on a private Xvfb (windows need a display),
// inside the lab's PC namespace like the whole test process.
#include "support/childprocess.h"
#include "support/netlabmain.h"
#include "support/simulatedcamera.h"
#include "support/virtualdisplay.h"

#include "convert/placeholder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

namespace {

const QString winBuild = QStringLiteral(KESTRA_WIN_BUILD);
const QString library = winBuild + QStringLiteral("/filter/KestraCamera.dll");
const QString capture = winBuild + QStringLiteral("/tools/capture/kestra-capture.exe");
const QString probe = winBuild + QStringLiteral("/tests/wine/kestra-comprobe.exe");
const QString mainWindow = winBuild + QStringLiteral("/tests/wine/kestra-mainwindow.exe");

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// Windows programs end their lines with CR LF.
QString unixLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The Windows path of a file on the Linux side, through Wine's Z: drive.
QString windowsPath(const QString &path) {
    return QStringLiteral("Z:") + QFileInfo(path).absoluteFilePath().replace(u'/', u'\\');
}

// One X server and one Wine prefix for the whole suite: a prefix takes about 20 s to make.
class WineWorld {
public:
    bool start(QString *why) {
        for (const QString &file : {library, capture, probe, mainWindow})
            if (!QFile::exists(file)) {
                *why = file + QStringLiteral(" is missing: build it with cmake --preset win64 && "
                                             "cmake --build --preset win64");
                return false;
            }
        if (!m_dir.isValid() || !m_display.start(QStringLiteral("640x480"))) {
            *why = QStringLiteral("no Xvfb: ") + m_display.describe();
            return false;
        }
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("WINEPREFIX"), m_dir.filePath(QStringLiteral("prefix")));
        m_env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        // No Mono or Gecko: nothing to fetch, no dialog waiting for an answer.
        m_env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
        m_env.insert(QStringLiteral("DISPLAY"), m_display.name());
        QElapsedTimer made;
        made.start();
        const Outcome boot = run(QStringLiteral("wineboot"), {QStringLiteral("-i")}, 180000);
        if (boot.exitCode != 0) {
            *why = QStringLiteral("wineboot failed (is wine64 installed?): ") + boot.err;
            return false;
        }
        std::printf("wine prefix made in %.1f s\n", static_cast<double>(made.elapsed()) / 1000);
        const QDir users(m_dir.filePath(QStringLiteral("prefix/drive_c/users")));
        for (const QString &user : users.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (user != QLatin1String("Public"))
                m_localAppData = users.filePath(user + QStringLiteral("/AppData/Local"));
        // The program's folder as KestraLive would have made it: the filter only writes into it.
        if (m_localAppData.isEmpty() || !QDir().mkpath(kestraFolder() + QStringLiteral("/log")) ||
            !QDir().mkpath(kestraFolder() + QStringLiteral("/ini"))) {
            *why = QStringLiteral("no user profile in the prefix");
            return false;
        }
        return registerLibrary(true, why);
    }

    void stop() {
        run(QStringLiteral("wineserver"), {QStringLiteral("-k")}, 30000);
        m_display.stop();
    }

    bool registerLibrary(bool on, QString *why) {
        QStringList args{QStringLiteral("regsvr32")};
        if (!on)
            args << QStringLiteral("/u");
        const Outcome done = run(QStringLiteral("wine"), args << library);
        if (done.exitCode != 0)
            *why = QStringLiteral("regsvr32 failed: ") + done.out + done.err;
        return done.exitCode == 0;
    }

    Outcome wine(const QStringList &args, int timeoutMs = 120000) {
        return run(QStringLiteral("wine"), args, timeoutMs);
    }

    bool startWine(ChildProcess &child, const QStringList &args) {
        return child.start(QStringLiteral("wine"), args, m_env);
    }

    QString kestraFolder() const { return m_localAppData + QStringLiteral("/kestraLive"); }

private:
    Outcome run(const QString &program, const QStringList &args, int timeoutMs = 120000) {
        ChildProcess child;
        Outcome result;
        if (!child.start(program, args, m_env) || !child.waitForExit(timeoutMs)) {
            result.err = child.describe();
            return result;
        }
        result.exitCode = child.exitCode();
        result.out = unixLines(child.standardOutput());
        result.err = unixLines(child.standardError());
        return result;
    }

    QTemporaryDir m_dir;
    VirtualDisplay m_display;
    QProcessEnvironment m_env;
    QString m_localAppData;
};

class Wine : public ::testing::Test {
protected:
    static QString filterLog() {
        QFile log(world->kestraFolder() + QStringLiteral("/log/vclog1.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(4000))
                                             : QStringLiteral("(no vclog1.log)");
    }

    static void SetUpTestSuite() {
        world = std::make_unique<WineWorld>();
        if (!world->start(&failure))
            std::fprintf(stderr, "wine_test: %s\n", qPrintable(failure));
    }
    static void TearDownTestSuite() {
        world->stop();
        world.reset();
    }
    void SetUp() override {
        REQUIRE_TEST_LAB();
        ASSERT_TRUE(failure.isEmpty()) << qPrintable(failure);
    }

    static Outcome grab(const QStringList &options) {
        return world->wine(
            QStringList{capture, QStringLiteral("grab"), QStringLiteral("Kestra Camera1")} +
            options);
    }

    static std::unique_ptr<WineWorld> world;
    static QString failure;
};

std::unique_ptr<WineWorld> Wine::world;
QString Wine::failure;

TEST_F(Wine, RegistrationAndTheWorkModesListTheCamerasAndTheComContractHolds) {
    const Outcome listed = world->wine({capture, QStringLiteral("list")});
    ASSERT_EQ(listed.exitCode, 0) << qPrintable(listed.err);
    EXPECT_EQ(listed.out, QStringLiteral("Kestra Camera1\nKestra Camera2\nKestra Camera3\n"
                                         "Kestra Camera4\n"));

    const Outcome probed = world->wine({probe, windowsPath(library)});
    EXPECT_EQ(probed.exitCode, 0) << qPrintable(probed.out + probed.err);
    EXPECT_FALSE(probed.out.contains(QStringLiteral("FAIL"))) << qPrintable(probed.out);

    // KestraLive's batch files beside the library, through the system's regsvr32.
    const auto runScript = [](const char *name) {
        const QString script =
            QFileInfo(library).absolutePath() + QLatin1Char('/') + QLatin1String(name);
        return world->wine({QStringLiteral("cmd"), QStringLiteral("/c"), windowsPath(script),
                            QStringLiteral("runas")});
    };
    EXPECT_EQ(runScript("regsvrSingle.bat").exitCode, 0);
    EXPECT_EQ(world->wine({capture, QStringLiteral("list")}).out,
              QStringLiteral("Kestra Camera1\n"));
    EXPECT_EQ(runScript("regsvrMulti.bat").exitCode, 0);
    EXPECT_EQ(world->wine({capture, QStringLiteral("list")}).out, listed.out);

    QString why;
    ASSERT_TRUE(world->registerLibrary(false, &why)) << qPrintable(why);
    const Outcome empty = world->wine({capture, QStringLiteral("list")});
    EXPECT_EQ(empty.exitCode, 0) << qPrintable(empty.err);
    EXPECT_EQ(empty.out, QString());
    ASSERT_TRUE(world->registerLibrary(true, &why)) << qPrintable(why);
}

// Without a pairing every sample is the placeholder. GDI+ (Wine's) decodes the JPEG, so its
// pixels may differ from libturbojpeg's by rounding: the converted bytes must stay within a
// small distance of the Linux build's.
TEST_F(Wine, PlaceholderPicturesMatchTheLinuxBuildInEveryLayoutAndSize) {
    Kestra::SetPlaceholderFolder(
        QFileInfo(QStringLiteral(KESTRA_CAMERA_LIBRARY)).absolutePath().toStdString());
    struct Layout {
        int format;
        Kestra::VideoFormatCode code;
        int width;
        int height;
    };
    using Kestra::VideoFormatCode;
    const Layout layouts[] = {
        {0, VideoFormatCode::NV12, 1080, 1920}, {1, VideoFormatCode::YUY2, 1080, 1920},
        {2, VideoFormatCode::NV12, 1920, 1080}, {3, VideoFormatCode::YUY2, 1920, 1080},
        {4, VideoFormatCode::NV12, 2160, 3840}, {5, VideoFormatCode::YUY2, 2160, 3840},
        {6, VideoFormatCode::NV12, 3840, 2160}, {7, VideoFormatCode::YUY2, 3840, 2160}};
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(testing::Message() << "format " << layout.format);
        const QString dir = out.filePath(QString::number(layout.format));
        const Outcome grabbed = grab({QStringLiteral("--format"), QString::number(layout.format),
                                      QStringLiteral("--count"), QStringLiteral("2"),
                                      QStringLiteral("--out"), windowsPath(dir)});
        ASSERT_EQ(grabbed.exitCode, 0) << qPrintable(grabbed.out + grabbed.err);
        QFile raw(dir + QStringLiteral("/sample-1.raw"));
        ASSERT_TRUE(raw.open(QIODevice::ReadOnly)) << qPrintable(grabbed.out);
        const QByteArray bytes = raw.readAll();

        Kestra::PlaceholderFrame reference;
        ASSERT_TRUE(reference.PreparePlaceholder(layout.width > layout.height, layout.code,
                                                 layout.width, layout.height));
        ASSERT_EQ(static_cast<size_t>(bytes.size()), reference.frameSize());
        long long total = 0;
        int largest = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const int difference =
                std::abs(static_cast<int>(static_cast<uint8_t>(bytes[i])) - reference.frame()[i]);
            total += difference;
            largest = std::max(largest, difference);
        }
        const double mean = static_cast<double>(total) / static_cast<double>(bytes.size());
        std::printf("format %d: mean difference %.3f, largest %d\n", layout.format, mean, largest);
        // Measured: a mean of about 0.005 and at most 8 on a few edge pixels.
        EXPECT_LT(mean, 0.1);
        EXPECT_LE(largest, 12);
        QDir(dir).removeRecursively(); // 4K samples add up
    }
    QFile log(world->kestraFolder() + QStringLiteral("/log/vclog1.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << qPrintable(log.fileName());
    EXPECT_GT(log.size(), 0);
}

TEST_F(Wine, ACameraInTheLanIsLiveAndTheMainWindowHearsAboutIt) {
    SimulatedCamera camera;
    ASSERT_TRUE(camera.start(testLab(), QStringLiteral("cam1"), testLab().cameraAddress(1),
                             QStringLiteral("A1B2C3D4"), {QStringLiteral("--no-mdns")}))
        << qPrintable(camera.process().describe());
    ASSERT_TRUE(camera.process().waitForOutput(QStringLiteral("rtsp ready"), 10000));
    QFile pairing(world->kestraFolder() + QStringLiteral("/ini/VConfig.ini"));
    ASSERT_TRUE(pairing.open(QIODevice::WriteOnly | QIODevice::Truncate));
    pairing.write("[VCameralist]\r\nVCamera1=" + testLab().cameraAddress(1).toUtf8() + "\r\n");
    pairing.close();

    ChildProcess window;
    ASSERT_TRUE(world->startWine(window, {mainWindow}));
    ASSERT_TRUE(window.waitForOutput(QStringLiteral("ready"), 30000))
        << qPrintable(window.describe());

    const Outcome grabbed =
        grab({QStringLiteral("--format"), QStringLiteral("2"), QStringLiteral("--count"),
              QStringLiteral("0"), QStringLiteral("--seconds"), QStringLiteral("10"),
              QStringLiteral("--live")});
    ASSERT_EQ(grabbed.exitCode, 0) << qPrintable(grabbed.out + grabbed.err);
    static const QRegularExpression livePicture(QStringLiteral(R"(^sample \d+ .* frame=\d+$)"),
                                                QRegularExpression::MultilineOption);
    int live = 0;
    for (auto it = livePicture.globalMatch(grabbed.out); it.hasNext(); it.next())
        ++live;
    EXPECT_GE(live, 60) << qPrintable(grabbed.out.right(1000) + filterLog());

    // The filter's reports: streaming, 1920x1080 (code 1) and 30 frames/s, all for camera 1.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString heard = unixLines(window.standardOutput());
            return heard.contains(QStringLiteral("vcam 1079 1 1\n")) &&
                   heard.contains(QStringLiteral("vcam 1080 1 1\n")) &&
                   heard.contains(QStringLiteral("vcam 1081 1 30\n"));
        },
        5000))
        << qPrintable(window.standardOutput());
    window.closeWriteChannel();
    EXPECT_TRUE(window.waitForExit(10000));
}

} // namespace
