// The engine against a simulated camera in the test LAN: real HTTP requests,
// real event connections, real time-outs.
#include "device/network.h"
#include "device/networkthread.h"
#include "networksignals.h"
#include "support/netlabmain.h"
#include "support/qtprint.h"
#include "support/simulatedcamera.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString mac = QStringLiteral("Torvi_A1B2C3D4");

class NetworkCameraTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (testLab().isUp())
            worker.start();
    }
    static void TearDownTestSuite() { worker.stop(); }

    void SetUp() override {
        REQUIRE_TEST_LAB();
        ip = testLab().cameraAddress(1);
    }
    void TearDown() override {
        network->clearAllDevices();
        camera.stop();
    }

    bool startCamera(const QStringList &options = {}) {
        return camera.start(testLab(), QStringLiteral("cam1"), ip, QStringLiteral("A1B2C3D4"),
                            options);
    }
    bool control(const QString &command) { return camera.control(command); }
    // Connects the camera and waits until its parameters are known and it
    // pushes its events to us.
    void connectCamera(const QStringList &options = {}) {
        ASSERT_TRUE(startCamera(options)) << sim.describe().toStdString();
        network->addDeviceToHttpMap(mac, ip);
        ASSERT_TRUE(sim.waitForOutput(QStringLiteral("event connection up"), 15000))
            << sim.describe().toStdString();
        ASSERT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 3 OFF").arg(ip), 10000));
    }
    // The configuration requests the camera received since the mark.
    QStringList configRequestsSince(qsizetype mark) const {
        QStringList steps;
        const QStringList lines = sim.standardOutput().mid(mark).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (!line.startsWith(QLatin1String("request ")))
                continue;
            if (line.contains(QLatin1String("getcamstate")))
                steps << QStringLiteral("live?");
            else if (line.contains(QLatin1String("KEY_OK")))
                steps << QStringLiteral("ok-key");
            else if (line.contains(QLatin1String("setworkmodeparam")))
                steps << line.section(QStringLiteral("-type="), 1)
                             .replace(QStringLiteral("&-value"), QString());
        }
        return steps;
    }
    int requestCount(const QString &path) const {
        return static_cast<int>(sim.standardOutput().count(QStringLiteral("request ") + path));
    }
    qsizetype mark() const { return sim.standardOutput().size(); }

    static inline NetworkThread worker;
    Network *network = Network::getInstance();
    NetworkSignals signals_{Network::getInstance()};
    LogCapture log;
    SimulatedCamera camera;
    ChildProcess &sim = camera.process();
    QString ip;
};

TEST_F(NetworkCameraTest, ConnectedCameraReportsBatteryRegistersUsAndIsQueried) {
    ASSERT_TRUE(startCamera({"--battery", "87", "--charge", "1", "--ac", "1"}));
    network->addDeviceToHttpMap(mac, ip);
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("battery %1 1 87").arg(mac), 5000));
    EXPECT_TRUE(sim.waitForOutput(QStringLiteral("registered ") + testLab().pcAddress(), 10000));
    EXPECT_TRUE(sim.waitForOutput(
        QStringLiteral("-operation=register&-ip=") + testLab().pcAddress(), 1000));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 3 OFF").arg(ip), 10000));
    for (const QString &expected :
         {QStringLiteral("feedback %1 4 0"), QStringLiteral("feedback %1 0 1"),
          QStringLiteral("feedback %1 2 1080P30"), QStringLiteral("feedback %1 1 PAL")})
        EXPECT_TRUE(signals_.events.contains(expected.arg(ip))) << expected.toStdString();

    ASSERT_TRUE(control(QStringLiteral("battery 40 0 1")));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("battery %1 0 40").arg(mac), 5000));
    ASSERT_TRUE(control(QStringLiteral("battery 40 0 0"))); // no mains: nothing to tell
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("battery %1 0 0").arg(mac), 5000));
}

TEST_F(NetworkCameraTest, ConfigurationRunsTheWholeSequenceForEachMediaMode) {
    connectCamera();

    // An idle camera: no live stop, ends streaming.
    qsizetype from = mark();
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P30"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 10000));
    EXPECT_EQ(configRequestsSince(from),
              QStringList({"live?", "VIDEOMODE=PAL", "MEDIAMODE=1080P30_HDR_SS", "ROTATION=OFF",
                           "ok-key"}));

    // A streaming camera: live goes off first.
    signals_.clear();
    from = mark();
    network->setDeviceVideoResolution(1, ip, QStringLiteral("4K30"), QStringLiteral("NTSC"), true);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 10000));
    EXPECT_EQ(configRequestsSince(from),
              QStringList({"live?", "ok-key", "VIDEOMODE=NTSC", "MEDIAMODE=4K30_HDR", "ROTATION=ON",
                           "ok-key"}));
    EXPECT_EQ(signals_.count(QStringLiteral("finish ") + ip), 1);
    EXPECT_EQ(signals_.count(QStringLiteral("faild ") + ip), 0);

    // HDR cannot change while streaming.
    network->setDeviceHDR(ip, false);
    EXPECT_TRUE(log.contains(
        QStringLiteral("]:[Error] setDeviceHDR: forbid config, the status of LIVE is on")));

    signals_.clear();
    ASSERT_TRUE(control(QStringLiteral("live off")));
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 4 0").arg(ip), 5000));
    network->setDeviceHDR(ip, false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 10000));

    signals_.clear();
    ASSERT_TRUE(control(QStringLiteral("live off")));
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 4 0").arg(ip), 5000));
    from = mark();
    network->setDeviceVideoResolution(2, ip, QStringLiteral("1080P30"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 10000));
    EXPECT_TRUE(configRequestsSince(from).contains(QStringLiteral("MEDIAMODE=1080P30_SS")));

    from = mark();
    signals_.clear();
    network->setDeviceVideoResolution(3, ip, QStringLiteral("1080P60"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 10000));
    EXPECT_TRUE(configRequestsSince(from).contains(QStringLiteral("MEDIAMODE=1080P60")));
    EXPECT_TRUE(signals_.events.contains(QStringLiteral("feedback %1 2 1080P60").arg(ip)));
}

TEST_F(NetworkCameraTest, ControlReplyWithoutSuccessFailsTheConfigurationOnce) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("no-success on")));
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P60"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("faild ") + ip, 10000));
    EXPECT_TRUE(log.contains(QStringLiteral(" PAL/NTSC control>>> faild--")));
    QTest::qWait(500); // a second failure would be emitted within a few passes
    EXPECT_EQ(signals_.count(QStringLiteral("faild ") + ip), 1);
    EXPECT_EQ(signals_.count(QStringLiteral("finish ") + ip), 0);
}

TEST_F(NetworkCameraTest, WithheldEventFailsFifteenSecondsAfterTheControlReply) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("withhold MEDIAMODE")));
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P60"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(sim.waitForOutput(QStringLiteral("-type=MEDIAMODE&-value=1080P60"), 10000));
    QElapsedTimer sinceReply;
    sinceReply.start();
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("faild ") + ip, 20000));
    EXPECT_GE(sinceReply.elapsed(), 14000); // the stopwatch starts when we see the request
    EXPECT_LE(sinceReply.elapsed(), 16500);
    EXPECT_TRUE(log.contains(
        QStringLiteral("]:[Error] cameraIP: %1 video param config faild!  step: 7").arg(ip)));
}

TEST_F(NetworkCameraTest, ImplausibleBatteryIsLoggedNotReportedAndTheCameraStillJoins) {
    ASSERT_TRUE(startCamera({"--battery", "101", "--charge", "1", "--ac", "1"}));
    network->addDeviceToHttpMap(mac, ip);
    EXPECT_TRUE(log.waitFor(
        QStringLiteral("]:[Error] battery capacity error! capacity:  101  charge: true  ac: true"),
        5000));
    EXPECT_TRUE(sim.waitForOutput(QStringLiteral("registered "), 10000));
    for (const QString &event : std::as_const(signals_.events))
        EXPECT_FALSE(event.startsWith(QLatin1String("battery"))) << event.toStdString();
}

TEST_F(NetworkCameraTest, SilentCameraGoesOfflineAndIsNoLongerPolled) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("silent on")));
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("offline ") + mac, 12000));
    EXPECT_TRUE(log.contains(QStringLiteral("errCode: OperationCanceledError")));
    const int polls = requestCount(QStringLiteral("/cgi-bin/hisnet/getbatterycapacity.cgi"));
    QTest::qWait(2500); // longer than a poll period
    EXPECT_EQ(requestCount(QStringLiteral("/cgi-bin/hisnet/getbatterycapacity.cgi")), polls);
}

TEST_F(NetworkCameraTest, ServerErrorReportsAbnormalAndPollingGoesOn) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("http-500 on")));
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("abnormal ") + mac, 5000));
    const int polls = requestCount(QStringLiteral("/cgi-bin/hisnet/getbatterycapacity.cgi"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return requestCount(QStringLiteral("/cgi-bin/hisnet/getbatterycapacity.cgi")) > polls;
        },
        5000));
    EXPECT_EQ(signals_.count(QStringLiteral("offline ") + mac), 0);
}

TEST_F(NetworkCameraTest, CameraLeavingWirelessModeGoesOffline) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("work-mode normal")));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("offline ") + mac, 5000));
    EXPECT_TRUE(log.contains(QStringLiteral("quit tcp listen, ip: ") + ip));
}

TEST_F(NetworkCameraTest, FailedRegistrationIsRetried) {
    ASSERT_TRUE(startCamera());
    ASSERT_TRUE(control(QStringLiteral("no-success on")));
    network->addDeviceToHttpMap(mac, ip);
    const QString registration = QStringLiteral("request /cgi-bin/hisnet/client.cgi");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return sim.standardOutput().count(registration) >= 2; }, 10000));
    EXPECT_TRUE(log.contains(QStringLiteral(" data: ")));
    ASSERT_TRUE(control(QStringLiteral("no-success off")));
    EXPECT_TRUE(sim.waitForOutput(QStringLiteral("registered ") + testLab().pcAddress(), 5000));
}

TEST_F(NetworkCameraTest, SplitPairedAndOversizedEventRecordsAreHandled) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("split-events on")));
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P60"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 10000));
    ASSERT_TRUE(control(QStringLiteral("split-events off")));

    ASSERT_TRUE(control(QStringLiteral("pair-events on")));
    ASSERT_TRUE(control(QStringLiteral("push VIDEOMODE NTSC")));
    ASSERT_TRUE(control(QStringLiteral("push ROTATION ON")));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 1 NTSC").arg(ip), 5000));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 3 ON").arg(ip), 5000));
    ASSERT_TRUE(control(QStringLiteral("pair-events off")));

    ASSERT_TRUE(
        control(QStringLiteral("push-raw {\"eventid\":\"") + QString(5000, QLatin1Char('x'))));
    ASSERT_TRUE(control(QStringLiteral("push-raw }")));
    ASSERT_TRUE(control(QStringLiteral("push VIDEOMODE PAL")));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 1 PAL").arg(ip), 5000));
    EXPECT_TRUE(log.contains(QStringLiteral("event record too long")));
}

TEST_F(NetworkCameraTest, RepliesInFlightDuringClearAllDevicesRunNoHandler) {
    connectCamera();
    ASSERT_TRUE(control(QStringLiteral("delay 1500")));
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P60"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(sim.waitForOutput(QStringLiteral("request /cgi-bin/hisnet/getcamstate.cgi"), 5000));
    network->clearAllDevices();
    log.clear();
    signals_.clear();
    QTest::qWait(2500); // the delayed reply arrives meanwhile
    EXPECT_FALSE(log.contains(QStringLiteral("LIVE query>>>")));
    EXPECT_TRUE(signals_.events.isEmpty()) << signals_.events.join(", ").toStdString();
}

} // namespace
