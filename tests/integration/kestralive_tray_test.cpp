// KestraLive with its windows on a real X server (Xvfb) in the PC namespace of
// the test LAN, a returning user signed in silently at cloud-sim, a simulated
// camera in its own namespace, and kestra-capture as the video application.
// What the program did is read from its log, its settings files, what the
// camera received and what a video application sees.
#include "support/childprocess.h"
#include "support/kestraliverig.h"
#include "support/netlabmain.h"
#include "support/simulatedcamera.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString program = QStringLiteral(KESTRA_LIVE);
const QString capture = QStringLiteral(KESTRA_CAPTURE);
const QString account = QStringLiteral("13800000000");
const QString camera = QStringLiteral("Torvi_CAM1");

class KestraLiveTrayTest : public ::testing::Test, protected KestraLiveRig {
protected:
    void SetUp() override {
        REQUIRE_TEST_LAB();
        ASSERT_TRUE(setUpRig(account));
    }

    void returningUser(int workMode) {
        KestraLiveRig::returningUser(workMode, camera, testLab().cameraAddress(1));
    }

    // Runs a helper program to its end; its output on failure.
    bool run(const QString &path, const QStringList &args, QString *output = nullptr) {
        ChildProcess child;
        if (!child.start(path, args, environment()) || !child.waitForExit(60000))
            return false;
        if (output)
            *output = child.standardOutput();
        EXPECT_EQ(child.exitCode(), 0) << qPrintable(child.describe());
        return child.exitCode() == 0;
    }
    QString script(const QString &name) const {
        return QFileInfo(program).absolutePath() + QLatin1Char('/') + name;
    }
    QStringList videoInputs() {
        QString listing;
        run(capture, {QStringLiteral("list")}, &listing);
        return listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString published(int slot) const {
        return QSettings(root.configRoot() + QStringLiteral("/ini/VConfig.ini"),
                         QSettings::IniFormat)
            .value(QStringLiteral("VCameralist/VCamera%1").arg(slot))
            .toString();
    }
    // Clicks at a point of the main window, as the user would.
    bool clickMainWindow(int fromRight, int fromBottom) {
        QString geometry;
        if (!run(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--sync"),
                  QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                  QStringLiteral("^KestraStudioMain$"), QStringLiteral("getwindowgeometry"),
                  QStringLiteral("--shell")},
                 &geometry))
            return false;
        const auto value = [&](const char *key) {
            return QRegularExpression(QStringLiteral("%1=(\\d+)").arg(QLatin1String(key)))
                .match(geometry)
                .captured(1)
                .toInt();
        };
        const int x = value("X") + value("WIDTH") - fromRight;
        const int y = value("Y") + value("HEIGHT") - fromBottom;
        return run(QStringLiteral("xdotool"),
                   {QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                    QStringLiteral("click"), QStringLiteral("1")});
    }

    SimulatedCamera sim;
    ChildProcess live;
};

TEST_F(KestraLiveTrayTest, AKnownCameraGoesLiveFeedsCamera1AndTakesTheModeAnApplicationAsks) {
    returningUser(1);
    ASSERT_TRUE(run(script(QStringLiteral("regsvrMulti.sh")), {QStringLiteral("runas")}));
    ASSERT_TRUE(sim.start(testLab(), QStringLiteral("cam1"), testLab().cameraAddress(1),
                          QStringLiteral("CAM1")));
    ASSERT_TRUE(live.start(program, {}, environment()));

    ASSERT_TRUE(waitForLog(QStringLiteral("history device online>>"))) << qPrintable(logText());
    ASSERT_TRUE(QTest::qWaitFor([&] { return published(1) == testLab().cameraAddress(1); }, lanMs));
    EXPECT_EQ(cloud.countRequests(QStringLiteral("/v1/stream/user/info")), 1);
    // The camera reports its events to us from here on, the end of each mode change among them.
    ASSERT_TRUE(waitForLog(QStringLiteral("set listen ip>> success!")));

    // A video application streams from "Kestra Camera1": the slot turns in use and frees
    // again when the application lets go.
    ASSERT_TRUE(
        run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera1"),
                      QStringLiteral("--format"), QStringLiteral("2"), QStringLiteral("--count"),
                      QStringLiteral("60"), QStringLiteral("--no-raw"), QStringLiteral("--out"),
                      registry.filePath(QStringLiteral("grab"))}));
    EXPECT_TRUE(waitForLog(QStringLiteral("vCamera  id: 1 activateStatus:true"), 5000));
    EXPECT_TRUE(waitForLog(QStringLiteral("vCamera  id: 1 activateStatus:false"), 10000));

    // The first application's mode is in place before the next one asks.
    ASSERT_TRUE(waitForLog(QStringLiteral("the device config param success")))
        << qPrintable(logText());

    // Another application wants 1080p at 60 frames: the camera is set to that mode.
    const qsizetype mark = sim.process().standardOutput().size();
    ASSERT_TRUE(
        run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera1"),
                      QStringLiteral("--format"), QStringLiteral("18"), QStringLiteral("--count"),
                      QStringLiteral("30"), QStringLiteral("--no-raw"), QStringLiteral("--out"),
                      registry.filePath(QStringLiteral("grab60"))}));
    const QRegularExpression asked(QStringLiteral("vCamera config>> id: 1 +res: 1 +fps: 60"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText().contains(asked); }, 5000))
        << qPrintable(logText());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return sim.process().standardOutput().mid(mark).contains(
                QStringLiteral("MEDIAMODE&-value=1080P60"));
        },
        lanMs))
        << qPrintable(sim.process().standardOutput().mid(mark));

    live.terminate();
    ASSERT_TRUE(live.waitForExit(10000));
    EXPECT_EQ(live.exitCode(), 0) << qPrintable(live.describe());
}

TEST_F(KestraLiveTrayTest, SwitchingFromSingleToMultiRegistersAllFourAndKeepsTheSignIn) {
    returningUser(0);
    ASSERT_TRUE(run(script(QStringLiteral("regsvrSingle.sh")), {QStringLiteral("runas")}));
    EXPECT_EQ(videoInputs().size(), 1);
    ASSERT_TRUE(live.start(program, {}, environment()));
    ASSERT_TRUE(waitForLog(QStringLiteral("current workmode : single-dev")))
        << qPrintable(logText());

    // The other-mode button at the right end of the footer.
    ASSERT_TRUE(clickMainWindow(32, 28));
    ASSERT_TRUE(waitForLog(QStringLiteral("restart: switch mode!")));
    EXPECT_TRUE(waitForLog(QStringLiteral("switch multi-dev mode success!")));
    EXPECT_TRUE(waitForLog(QStringLiteral("current workmode : multi-dev")));
    // The script runs detached from the program.
    EXPECT_TRUE(QTest::qWaitFor([&] { return videoInputs().size() == 4; }, 10000));
    // Remembered cameras belong to the old mode; the sign-in does not.
    EXPECT_FALSE(
        QSettings(root.configRoot() + QStringLiteral("/ini/device.ini"), QSettings::IniFormat)
            .childGroups()
            .contains(camera));
    EXPECT_EQ(cloud.countRequests(QStringLiteral("/v1/stream/user/info")), 1);
    EXPECT_TRUE(live.isRunning());

    live.terminate();
    ASSERT_TRUE(live.waitForExit(10000));
    EXPECT_EQ(live.exitCode(), 0) << qPrintable(live.describe());
}

} // namespace
