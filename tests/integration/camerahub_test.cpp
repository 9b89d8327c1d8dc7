// Discovery to pairing end to end: the controller's camera side (registry,
// mDNS, LAN scan, engine) in the PC namespace, simulated cameras in theirs,
// and the files the filter reads.
#include "device/camerahub.h"
#include "device/devicesearchip.h"
#include "device/inifile.h"
#include "device/networkthread.h"
#include "networksignals.h"
#include "support/logcapture.h"
#include "support/netlabmain.h"
#include "support/qtprint.h"
#include "support/simulatedcamera.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

constexpr int discoveryMs = 15000;
constexpr int connectMs = 15000;
const QString moved = QStringLiteral("10.77.0.120");

// Defined first so it runs before anything in this program made the engine:
// a rescan asked for at start, as kestra-headless --rescan does, meets a
// scanner whose thread has not made its access manager yet.
TEST(CameraHubStartTest, RescanRefusedBeforeTheScannerIsReadyIsAskedAgain) {
    REQUIRE_TEST_LAB();
    DeviceSearchIP *scanner = DeviceSearchIP::getInstance();
    if (scanner->thread() != QThread::currentThread())
        GTEST_SKIP() << "the scanner runs already";
    // Posted before the engine moves the scanner to its thread: that thread
    // takes this first and waits here before its loop starts.
    static QSemaphore hold;
    QMetaObject::invokeMethod(
        scanner, [] { hold.acquire(); }, Qt::QueuedConnection);
    TempConfigRoot root;
    IniFile settings(root.configRoot());
    CameraHub hub(settings);
    LogCapture log;
    hub.rescan();
    EXPECT_TRUE(log.hasError(QStringLiteral("faild to start device ip search")));
    hold.release();
    EXPECT_TRUE(log.waitFor(QStringLiteral("device search ip finish!"), discoveryMs));
}

class CameraHubTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (testLab().isUp())
            worker.start();
    }
    static void TearDownTestSuite() { worker.stop(); }

    void SetUp() override {
        REQUIRE_TEST_LAB();
        settings = std::make_unique<IniFile>(root.configRoot());
        hub = std::make_unique<CameraHub>(*settings);
        hub->start();
    }
    void TearDown() override {
        // Give camera 1 its own address back, whatever a test did to it.
        ipCommand(QStringLiteral("cam1"), {"addr", "del", moved + "/24", "dev", "eth0"});
        ipCommand(QStringLiteral("cam1"),
                  {"addr", "add", testLab().cameraAddress(1) + "/24", "dev", "eth0"});
        hub.reset();
        Network::getInstance()->clearAllDevices();
        for (auto &sim : sims)
            sim.stop();
    }

    bool startCamera(int k, const QStringList &options = {}, QString address = {}) {
        if (address.isEmpty())
            address = testLab().cameraAddress(k);
        return sims[k - 1].start(testLab(), QStringLiteral("cam%1").arg(k), address,
                                 QStringLiteral("CAM%1").arg(k), options);
    }
    bool control(int k, const QString &command) { return sims[k - 1].control(command); }
    static bool ipCommand(const QString &host, const QStringList &args) {
        QProcess ip;
        ip.start(QStringLiteral("ip"),
                 QStringList{QStringLiteral("-n"), testLab().namespaceName(host)} + args);
        return ip.waitForFinished(5000) && ip.exitCode() == 0;
    }
    DeviceBaseInfo_t camera(const QString &mac) { return hub->devList().getDevMeta(mac); }
    bool waitForState(const QString &mac, ConnectState_e state, int timeoutMs) {
        return QTest::qWaitFor([&] { return camera(mac).connectState == state; }, timeoutMs);
    }
    bool waitForCamera(const QString &mac, int timeoutMs) {
        return QTest::qWaitFor(
            [&] {
                const auto cameras = hub->devList().getDeviceList();
                return std::any_of(cameras.begin(), cameras.end(),
                                   [&](const DeviceBaseInfo_t &dev) { return dev.mac == mac; });
            },
            timeoutMs);
    }
    // What the filter in another process reads.
    QString published(int slot) const {
        return QSettings(root.configRoot() + QStringLiteral("/ini/VConfig.ini"),
                         QSettings::IniFormat)
            .value(QStringLiteral("VCameralist/VCamera%1").arg(slot))
            .toString();
    }
    QString storedPair(int slot) const {
        return QSettings(root.configRoot() + QStringLiteral("/ini/device.ini"),
                         QSettings::IniFormat)
            .value(QStringLiteral("VirtualCamera/cam%1").arg(slot))
            .toString();
    }

    static inline NetworkThread worker;
    TempConfigRoot root;
    std::unique_ptr<IniFile> settings;
    std::unique_ptr<CameraHub> hub;
    SimulatedCamera sims[2];
};

TEST_F(CameraHubTest, CameraFoundConnectedPairedLostAndBackOnANewAddress) {
    const QString mac = QStringLiteral("Torvi_CAM1");
    ASSERT_TRUE(startCamera(1));
    ASSERT_TRUE(waitForCamera(mac, discoveryMs)); // heard by mDNS
    EXPECT_FALSE(camera(mac).isHistory);
    EXPECT_EQ(camera(mac).ip, testLab().cameraAddress(1));

    ASSERT_TRUE(hub->connectCamera(mac));
    ASSERT_TRUE(waitForState(mac, Connected, connectMs));
    EXPECT_TRUE(camera(mac).isHistory);
    ASSERT_TRUE(hub->pairCamera(VCamera2, mac));
    EXPECT_EQ(published(2), testLab().cameraAddress(1));
    EXPECT_EQ(storedPair(2), mac);

    // The camera leaves the network and comes back with another address.
    ASSERT_TRUE(ipCommand(QStringLiteral("cam1"),
                          {"addr", "del", testLab().cameraAddress(1) + "/24", "dev", "eth0"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !camera(mac).isOnline; }, connectMs));
    EXPECT_EQ(published(2), QString()); // withdrawn while offline
    EXPECT_EQ(storedPair(2), mac);      // but still paired
    sims[0].stop();
    ASSERT_TRUE(ipCommand(QStringLiteral("cam1"), {"addr", "add", moved + "/24", "dev", "eth0"}));
    ASSERT_TRUE(startCamera(1, {}, moved));

    ASSERT_TRUE(waitForState(mac, Connected, discoveryMs + connectMs));
    EXPECT_EQ(camera(mac).ip, moved);
    EXPECT_EQ(published(2), moved); // republished at its current address

    ASSERT_TRUE(hub->removeCamera(mac));
    EXPECT_EQ(published(2), QString());
    EXPECT_EQ(storedPair(2), QString());
    EXPECT_FALSE(
        QSettings(root.configRoot() + QStringLiteral("/ini/device.ini"), QSettings::IniFormat)
            .childGroups()
            .contains(mac));
    // Still reachable: it comes back as a new camera.
    ASSERT_TRUE(waitForCamera(mac, discoveryMs));
    EXPECT_FALSE(camera(mac).isHistory);
}

TEST_F(CameraHubTest, ServerErrorsMakeACameraAbnormalAndWithdrawItsAddress) {
    const QString mac = QStringLiteral("Torvi_CAM1");
    ASSERT_TRUE(startCamera(1));
    ASSERT_TRUE(waitForCamera(mac, discoveryMs));
    ASSERT_TRUE(hub->connectCamera(mac));
    ASSERT_TRUE(waitForState(mac, Connected, connectMs));
    ASSERT_TRUE(hub->pairCamera(VCamera1, mac));
    EXPECT_EQ(published(1), testLab().cameraAddress(1));

    ASSERT_TRUE(control(1, QStringLiteral("http-500 on")));
    ASSERT_TRUE(waitForState(mac, Abnormal, connectMs));
    EXPECT_EQ(published(1), QString());
    ASSERT_TRUE(control(1, QStringLiteral("http-500 off")));
    ASSERT_TRUE(waitForState(mac, Connected, connectMs));
    EXPECT_EQ(published(1), testLab().cameraAddress(1));
}

// Both discovery paths end in the registry, which refuses keys that would
// name or reach another device.ini group.
TEST_F(CameraHubTest, CameraSeenUnderTwoKeysIsListedTwiceAndKeysNamingOtherGroupsAreRefused) {
    LogCapture log;
    ASSERT_TRUE(sims[0].start(testLab(), QStringLiteral("cam1"), testLab().cameraAddress(1),
                              QStringLiteral("x/y"), {"--mdns-uid", "common"}));
    ASSERT_TRUE(startCamera(2, {"--mdns-uid", "cam2-mdns"}));
    ASSERT_TRUE(waitForCamera(QStringLiteral("cam2-mdns"), discoveryMs));
    hub->rescan();
    ASSERT_TRUE(waitForCamera(QStringLiteral("Torvi_CAM2"), discoveryMs));
    EXPECT_EQ(camera(QStringLiteral("cam2-mdns")).ip, camera(QStringLiteral("Torvi_CAM2")).ip);

    EXPECT_TRUE(log.waitFor(QStringLiteral("camera key refused: common"), discoveryMs));
    EXPECT_TRUE(log.waitFor(QStringLiteral("camera key refused: Torvi_x/y"), discoveryMs));
    EXPECT_EQ(hub->devList().getDeviceList().size(), 2);
}

} // namespace
