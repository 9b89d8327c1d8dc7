#include "device/devlist.h"
#include "device/inifile.h"
#include "support/childprocess.h"
#include "support/logcapture.h"
#include "support/qtprint.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>

#include <algorithm>
#include <memory>

namespace {

const QString camA = QStringLiteral("Torvi_A");
const QString camB = QStringLiteral("Torvi_B");
const QString ipA = QStringLiteral("10.77.0.20");
const QString ipB = QStringLiteral("10.77.0.21");

// A registry on a private configuration root; files are read back the way
// another process (the filter) sees them.
struct Registry {
    TempConfigRoot root;
    std::unique_ptr<IniFile> settings;
    std::unique_ptr<DevList> list;

    void start() {
        settings = std::make_unique<IniFile>(root.configRoot());
        list = std::make_unique<DevList>(*settings);
    }
    QString path(const char *file) const {
        return root.configRoot() + QStringLiteral("/ini/") + QLatin1String(file);
    }
    QVariant disk(const char *file, const QString &key) const {
        return QSettings(path(file), QSettings::IniFormat).value(key);
    }
    QString vcamera(int id) const {
        return disk("VConfig.ini", QStringLiteral("VCameralist/VCamera%1").arg(id)).toString();
    }
    QString pairing(int id) const {
        return disk("device.ini", QStringLiteral("VirtualCamera/cam%1").arg(id)).toString();
    }
    QByteArray content(const char *file) const {
        QFile in(path(file));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    void connectNew(const QString &mac, const QString &ip) {
        list->onAddDevice(mac, ip);
        ASSERT_TRUE(list->connectFromNewList(mac));
        list->onDeviceBatteryInfo(mac, false, 80);
    }
    DeviceBaseInfo_t dev(const QString &mac) const { return list->getDevMeta(mac); }
};

class DevListTest : public ::testing::Test {
protected:
    void SetUp() override { reg.start(); }
    Registry reg;
};

TEST_F(DevListTest, NewCameraBecomesHistoryAndFollowsOfflineAndRediscovery) {
    QSignalSpy newOnline(reg.list.get(), &DevList::sigNewDeviceOnline);
    QSignalSpy historyOnline(reg.list.get(), &DevList::sigHistoryDeviceOnline);
    QSignalSpy historyOffline(reg.list.get(), &DevList::sigHistoryDeviceOffline);
    QSignalSpy updates(reg.list.get(), &DevList::sigUpdateDevice);

    reg.list->onAddDevice(camA, ipA);
    ASSERT_EQ(newOnline.size(), 1);
    EXPECT_EQ(newOnline[0][0].value<DeviceBaseInfo_t>().name, camA);
    EXPECT_EQ(reg.list->newDeviceCount(), 1);
    ASSERT_TRUE(reg.list->connectFromNewList(camA));
    EXPECT_EQ(reg.dev(camA).connectState, DevList::Connecting);
    EXPECT_EQ(reg.list->historyOnlineCount(), 1);
    EXPECT_EQ(reg.list->newDeviceCount(), 0);

    reg.list->onDeviceBatteryInfo(camA, true, 77);
    ASSERT_EQ(updates.size(), 1);
    const auto linked = updates[0][0].value<DeviceBaseInfo_t>();
    EXPECT_EQ(linked.connectState, DevList::Connected);
    EXPECT_TRUE(linked.isHistory && linked.isLinked && linked.isCharge);
    EXPECT_EQ(linked.battery, 77);
    EXPECT_EQ(reg.disk("device.ini", camA + "/ip").toString(), ipA);
    EXPECT_EQ(reg.disk("device.ini", camA + "/name").toString(), camA);
    ASSERT_TRUE(reg.list->setCamPair(VCamera1, camA));
    EXPECT_EQ(reg.vcamera(1), ipA);

    reg.list->onDeviceOffine(camA);
    ASSERT_EQ(historyOffline.size(), 1);
    EXPECT_FALSE(reg.dev(camA).isOnline);
    EXPECT_EQ(reg.dev(camA).connectState, DevList::Disconnected);
    EXPECT_EQ(reg.vcamera(1), QString());
    EXPECT_EQ(reg.list->historyOfflineCount(), 1);
    reg.list->onRemoveDevice(camA); // discovery loss of a known camera changes nothing
    reg.list->onDeviceOffine(camA);
    EXPECT_EQ(historyOffline.size(), 1);

    const QString newIp = QStringLiteral("10.77.0.30");
    reg.list->onAddDevice(camA, newIp);
    ASSERT_EQ(historyOnline.size(), 1);
    EXPECT_EQ(reg.dev(camA).connectState, DevList::Connecting);
    EXPECT_EQ(reg.disk("device.ini", camA + "/ip").toString(), newIp);
    EXPECT_EQ(reg.vcamera(1), QString()); // not before the connection works
    reg.list->onDeviceBatteryInfo(camA, false, 76);
    EXPECT_EQ(reg.dev(camA).connectState, DevList::Connected);
    EXPECT_EQ(reg.vcamera(1), newIp);
    reg.settings->setVCamera(1, QString());
    reg.list->onDeviceBatteryInfo(camA, false, 75); // restored once per return only
    EXPECT_EQ(reg.vcamera(1), QString());
    EXPECT_EQ(reg.list->historyOnlineCount(), 1);
    EXPECT_EQ(reg.list->historyOfflineCount(), 0);
}

TEST_F(DevListTest, DiscoveryLossRemovesOnlyCamerasNeverConnected) {
    QSignalSpy newOffline(reg.list.get(), &DevList::sigNewDeviceOffline);
    reg.list->onAddDevice(camB, ipB);
    reg.list->onRemoveDevice(camB);
    EXPECT_EQ(newOffline.size(), 1);
    EXPECT_TRUE(reg.list->getDeviceList().isEmpty());

    reg.list->onAddDevice(camB, ipB);
    reg.list->connectFromNewList(camB);
    reg.list->onRemoveDevice(camB);
    EXPECT_EQ(newOffline.size(), 1);
    reg.list->onDeviceOffine(camB); // the engine gave up before a battery report
    ASSERT_EQ(newOffline.size(), 2);
    EXPECT_EQ(newOffline[1][0].toString(), camB);
    EXPECT_TRUE(reg.list->getDeviceList().isEmpty());
    EXPECT_EQ(reg.list->historyOnlineCount() + reg.list->newDeviceCount(), 0);
    EXPECT_TRUE(reg.settings->deviceGroups().isEmpty());
}

TEST_F(DevListTest, AbnormalCameraIsUnpublishedUntilItsNextBatteryReport) {
    reg.connectNew(camA, ipA);
    reg.list->setCamPair(VCamera3, camA);
    QSignalSpy updates(reg.list.get(), &DevList::sigUpdateDevice);
    reg.list->onDeviceAbnormal(camA);
    reg.list->onDeviceAbnormal(camA);
    EXPECT_EQ(updates.size(), 1);
    EXPECT_EQ(reg.dev(camA).connectState, DevList::Abnormal);
    EXPECT_EQ(reg.vcamera(3), QString());
    reg.list->onDeviceBatteryInfo(camA, false, 50);
    EXPECT_EQ(reg.dev(camA).connectState, DevList::Connected);
    EXPECT_EQ(reg.vcamera(3), ipA);
}

TEST_F(DevListTest, CamerasNeverConnectedLeaveNothingInTheFiles) {
    reg.list->onAddDevice(camB, ipB);
    ASSERT_TRUE(reg.list->modifyDeviceName(camB, QStringLiteral("Yard")));
    EXPECT_EQ(reg.dev(camB).name, "Yard");
    EXPECT_TRUE(reg.settings->deviceGroups().isEmpty()); // no history camera without address
    ASSERT_TRUE(reg.list->setCamPair(VCamera4, camB));
    EXPECT_EQ(reg.vcamera(4), ipB);
    reg.list->onRemoveDevice(camB);
    EXPECT_EQ(reg.vcamera(4), QString());
}

// A flood of announced cameras: the one never connected that discovery has not
// named the longest goes as if it had left discovery, while the history and
// connecting cameras, listed before all of them, stay.
TEST_F(DevListTest, NewCamerasBeyondTheBoundPushOutTheOneUnseenTheLongest) {
    const auto key = [](int n) {
        return QStringLiteral("New_%1").arg(n);
    };
    const auto address = [](int n) {
        return QStringLiteral("10.77.%1.%2").arg(n / 200).arg(n % 200);
    };
    reg.connectNew(camA, ipA);
    reg.list->onAddDevice(camB, ipB);
    ASSERT_TRUE(reg.list->connectFromNewList(camB));
    for (int n = 0; n < DevList::maxNewCameras; ++n)
        reg.list->onAddDevice(key(n), address(n));
    ASSERT_EQ(reg.list->newDeviceCount(), DevList::maxNewCameras);
    ASSERT_TRUE(reg.list->setCamPair(VCamera2, key(2)));
    ASSERT_EQ(reg.vcamera(2), address(2));

    // New_0 is still answering mDNS and New_1 the scan: New_2 is the one unseen the longest.
    reg.list->onDevicesSeen({key(0), QStringLiteral("Torvi_X")});
    reg.list->onAddDevice(key(1), address(1));
    QSignalSpy offline(reg.list.get(), &DevList::sigNewDeviceOffline);
    QSignalSpy evicted(reg.list.get(), &DevList::sigNewDeviceEvicted);
    LogCapture log;
    reg.list->onAddDevice(key(1000), address(1000));
    EXPECT_TRUE(log.contains(QStringLiteral("more than 256 new devices: removed the one unseen the "
                                            "longest, mac: New_2  ip: 10.77.0.2")))
        << qPrintable(log.lines().join(u'\n'));
    EXPECT_EQ(reg.list->newDeviceCount(), DevList::maxNewCameras);
    ASSERT_EQ(offline.size(), 1);
    EXPECT_EQ(offline[0][0].toString(), key(2));
    ASSERT_EQ(evicted.size(), 1);
    EXPECT_EQ(evicted[0][1].toString(), address(2));
    EXPECT_TRUE(reg.dev(key(2)).mac.isEmpty());
    EXPECT_EQ(reg.vcamera(2), QString()) << "its address is withdrawn";
    EXPECT_FALSE(reg.dev(key(1000)).mac.isEmpty());

    // Discovery reports it again: it comes back, and the next unseen one goes.
    reg.list->onAddDevice(key(2), address(2));
    EXPECT_FALSE(reg.dev(key(2)).mac.isEmpty());
    ASSERT_EQ(offline.size(), 2);
    EXPECT_EQ(offline[1][0].toString(), key(3));

    // A burst of them costs a few lines a second, not one each.
    for (int n = 2000; n < 2020; ++n)
        reg.list->onAddDevice(key(n), address(n));
    EXPECT_LE(log.lines().filter(QStringLiteral("removed the one unseen the longest")).size(), 3);

    EXPECT_EQ(reg.dev(camA).connectState, DevList::Connected);
    EXPECT_EQ(reg.dev(camB).connectState, DevList::Connecting);
}

TEST_F(DevListTest, SwitchingTheSingleCameraDropsTheOthersAndTheirAddresses) {
    reg.connectNew(camA, ipA);
    reg.list->setCamPair(VCamera1, camA);
    reg.list->onAddDevice(camB, ipB);
    EXPECT_FALSE(reg.list->switchFromNewList(QStringLiteral("Torvi_X")));
    EXPECT_EQ(reg.list->getDeviceList().size(), 2);

    ASSERT_TRUE(reg.list->switchFromNewList(camB));
    const QList<DeviceBaseInfo_t> devices = reg.list->getDeviceList();
    ASSERT_EQ(devices.size(), 1);
    EXPECT_EQ(devices[0].connectState, DevList::Connecting);
    EXPECT_EQ(reg.list->historyOnlineCount(), 1);
    EXPECT_EQ(reg.list->newDeviceCount() + reg.list->historyOfflineCount(), 0);
    EXPECT_FALSE(reg.disk("VConfig.ini", QStringLiteral("VCameralist/VCamera1")).isValid());
    QString mac;
    quint32 live = 1;
    reg.list->getCamPair(VCamera1, mac, live);
    EXPECT_EQ(mac, camA);
    EXPECT_EQ(live, 0u);
}

TEST_F(DevListTest, OneCameraSeenUnderTwoKeysIsListedTwice) {
    QSignalSpy newOnline(reg.list.get(), &DevList::sigNewDeviceOnline);
    reg.list->onAddDevice(QStringLiteral("A"), ipA);
    reg.list->onAddDevice(camA, ipA);
    reg.list->onAddDevice(camA, ipA);
    EXPECT_EQ(newOnline.size(), 2);
    EXPECT_EQ(reg.list->getDeviceList().size(), 2);
}

// A camera key becomes a device.ini group: keys naming the token or pairing
// group, or holding the settings format's separators, would reach other groups.
// Other characters are escaped by the format and come back unchanged.
TEST_F(DevListTest, CameraKeysThatWouldTouchOtherSettingsGroupsAreRefused) {
    reg.settings->setToken(QStringLiteral("access"));
    reg.settings->setRefreshToken(QStringLiteral("refresh"));
    const QStringList accepted = {camA, QStringLiteral("General"),
                                  QStringLiteral("cam =;#,\"x\"[1]%\u00fc")};
    for (const QString &key : accepted)
        reg.connectNew(key, ipA);
    ASSERT_TRUE(reg.list->setCamPair(VCamera2, camA));
    const QByteArray device = reg.content("device.ini");
    QSignalSpy newOnline(reg.list.get(), &DevList::sigNewDeviceOnline);
    LogCapture log;

    const QStringList refused = {QStringLiteral("common"), QStringLiteral("VirtualCamera"),
                                 QStringLiteral("COMMON"), QStringLiteral("Torvi_a/b"),
                                 QStringLiteral("/"),      QStringLiteral("Torvi_a\\b")};
    for (const QString &key : refused) {
        reg.list->onAddDevice(key, ipB);
        EXPECT_TRUE(log.hasError(QStringLiteral("onAddDevice: camera key refused: ") + key))
            << key.toStdString();
        // What the user and the engine would do with it next.
        EXPECT_FALSE(reg.list->connectFromNewList(key));
        reg.list->onDeviceBatteryInfo(key, false, 50);
        EXPECT_FALSE(reg.list->removeDeviceFromList(key));
    }
    EXPECT_TRUE(newOnline.isEmpty());
    EXPECT_EQ(reg.list->getDeviceList().size(), accepted.size());
    EXPECT_EQ(reg.content("device.ini"), device);
    EXPECT_EQ(reg.settings->getToken(), "access");
    EXPECT_EQ(reg.settings->getRefreshToken(), "refresh");

    // A restart brings back the accepted cameras and the pairing, no phantom.
    reg.list.reset();
    reg.list = std::make_unique<DevList>(*reg.settings);
    EXPECT_EQ(reg.list->getDeviceList().size(), accepted.size());
    for (const QString &key : accepted)
        EXPECT_EQ(reg.dev(key).ip, ipA) << key.toStdString();
    EXPECT_EQ(reg.list->getCamPairIndex(camA), QList<int>{1});
}

TEST(DevListLoadTest, HistoryCamerasStartOfflineWithTheirPairingUnpublished) {
    Registry reg;
    {
        QSettings device(reg.path("device.ini"), QSettings::IniFormat);
        device.setValue(QStringLiteral("common/token"), QStringLiteral("x"));
        device.setValue(QStringLiteral("VirtualCamera/cam2"), camA);
        device.setValue(camA + "/ip", ipA);
        device.setValue(camA + "/name", QStringLiteral("Porch"));
        device.setValue(camB + "/ip", ipB);
        device.setValue(camB + "/name", QStringLiteral("Yard"));
    }
    LogCapture log;
    reg.start();
    EXPECT_TRUE(log.contains(QStringLiteral("The device.ini information is synchronized")));
    const QList<DeviceBaseInfo_t> devices = reg.list->getDeviceList();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].name, "Porch");
    EXPECT_EQ(devices[1].ip, ipB);
    for (const DeviceBaseInfo_t &dev : devices)
        EXPECT_TRUE(dev.isHistory && !dev.isOnline && !dev.isLinked &&
                    dev.connectState == DevList::Disconnected);
    EXPECT_EQ(reg.list->historyOfflineCount(), 2);
    EXPECT_EQ(reg.list->getCamPairIndex(camA), QList<int>{1});

    QString mac;
    quint32 live = 7;
    ASSERT_TRUE(reg.list->getCamPair(VCamera2, mac, live));
    EXPECT_EQ(mac, camA);
    EXPECT_EQ(live, 0u);
    EXPECT_EQ(reg.vcamera(2), QString());

    // An offline camera's last address is stale: bound, but not published.
    reg.settings->setVCamera(1, QStringLiteral("10.77.0.99"));
    ASSERT_TRUE(reg.list->setCamPair(VCamera1, camB));
    EXPECT_EQ(reg.vcamera(1), QString());
    EXPECT_EQ(reg.pairing(1), camB);
    reg.list->onAddDevice(camB, ipB);
    reg.list->onDeviceBatteryInfo(camB, false, 10);
    EXPECT_EQ(reg.vcamera(1), ipB);
}

// Moves virtual camera 2 from A to B, binding or unbinding first; returns both files.
QByteArrayList moveCamera2(bool unbindFirst) {
    Registry reg;
    reg.start();
    reg.connectNew(camA, ipA);
    reg.connectNew(camB, ipB);
    reg.list->setCamPair(VCamera2, camA);
    reg.list->setCamPair(VCamera4, camA);
    EXPECT_EQ(reg.list->getCamPairIndex(camA), (QList<int>{1, 3}));
    if (unbindFirst) {
        EXPECT_TRUE(reg.list->cancelCamPair(VCamera2, camA));
        EXPECT_EQ(reg.vcamera(2), QString());
        EXPECT_TRUE(reg.list->setCamPair(VCamera2, camB));
    } else {
        EXPECT_TRUE(reg.list->setCamPair(VCamera2, camB));
        EXPECT_TRUE(reg.list->cancelCamPair(VCamera2, camA));
    }
    EXPECT_EQ(reg.vcamera(2), ipB);
    EXPECT_EQ(reg.pairing(2), camB);
    EXPECT_EQ(reg.vcamera(4), ipA);
    return {reg.content("device.ini"), reg.content("VConfig.ini")};
}

TEST(DevListPairingTest, MovingAVirtualCameraGivesTheSameFilesInEitherOrder) {
    EXPECT_EQ(moveCamera2(true), moveCamera2(false));
}

TEST_F(DevListTest, RemovingACameraErasesItsPairingsFromBothFiles) {
    reg.connectNew(camA, ipA);
    reg.connectNew(camB, ipB);
    reg.list->setCamPair(VCamera1, camA);
    reg.list->setCamPair(VCamera3, camA);
    reg.list->setCamPair(VCamera2, camB);
    ASSERT_TRUE(reg.list->removeDeviceFromList(camA));
    EXPECT_FALSE(reg.disk("device.ini", camA + "/ip").isValid());
    EXPECT_EQ(reg.pairing(1), QString());
    EXPECT_EQ(reg.pairing(3), QString());
    EXPECT_EQ(reg.vcamera(1), QString());
    EXPECT_EQ(reg.vcamera(3), QString());
    EXPECT_EQ(reg.vcamera(2), ipB);
    EXPECT_TRUE(reg.list->getCamPairIndex(camA).isEmpty());
    EXPECT_EQ(reg.list->getDeviceList().size(), 1);
    EXPECT_FALSE(reg.list->removeDeviceFromList(camA));
}

TEST_F(DevListTest, RejectedPairingRequestsLogAndLeaveTheFilesAlone) {
    reg.connectNew(camA, ipA);
    reg.list->setCamPair(VCamera1, camA);
    const QByteArray device = reg.content("device.ini");
    const QByteArray vconfig = reg.content("VConfig.ini");
    LogCapture log;
    QString mac;
    quint32 live = 0;
    for (int id : {0, 5, -1}) {
        const auto bad = static_cast<CamID_e>(id);
        EXPECT_FALSE(reg.list->setCamPair(bad, camA));
        EXPECT_FALSE(reg.list->cancelCamPair(bad, camA));
        EXPECT_FALSE(reg.list->getCamPair(bad, mac, live));
        EXPECT_FALSE(reg.list->setVCameraIP(bad, ipA));
    }
    EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] virtual camera id error: 5")));
    EXPECT_FALSE(reg.list->setCamPair(VCamera2, camB));
    EXPECT_FALSE(reg.list->cancelCamPair(VCamera1, camB));
    EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] mac is error")));
    EXPECT_FALSE(reg.list->setVCameraIP(VCamera2, QString()));
    EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] IP is empty")));
    EXPECT_TRUE(reg.list->getCamPairIndex(QString()).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] getCamPairIndex: param is empty!")));
    EXPECT_EQ(reg.content("device.ini"), device);
    EXPECT_EQ(reg.content("VConfig.ini"), vconfig);
}

TEST_F(DevListTest, VirtualCameraFormatMapsToCameraMode) {
    reg.connectNew(camA, ipA);
    struct Row {
        int res, fps;
        const char *resFps, *standard;
        bool rotation;
    };
    const Row rows[] = {
        {1, 60, "1080P60", "NTSC", true},  {1, 50, "1080P60", "PAL", true},
        {1, 30, "1080P30", "NTSC", true},  {1, 25, "1080P30", "PAL", true},
        {2, 60, "1080P60", "NTSC", false}, {2, 50, "1080P60", "PAL", false},
        {2, 30, "1080P30", "NTSC", false}, {2, 25, "1080P30", "PAL", false},
        {3, 60, nullptr, nullptr, false},  {3, 50, nullptr, nullptr, false},
        {3, 30, "4K30", "NTSC", true},     {3, 25, "4K30", "PAL", true},
        {4, 60, nullptr, nullptr, false},  {4, 50, nullptr, nullptr, false},
        {4, 30, "4K30", "NTSC", false},    {4, 25, "4K30", "PAL", false},
    };
    for (const Row &row : rows) {
        LogCapture log;
        const VideoCfg_t before = reg.dev(camA).videoCfg;
        const bool changed = reg.list->videoParamIsChange(camA, row.res, row.fps);
        const VideoCfg_t after = reg.dev(camA).videoCfg;
        if (!row.resFps) {
            EXPECT_FALSE(changed) << row.res << "/" << row.fps;
            EXPECT_TRUE(log.contains(QStringLiteral("4K video not support fps: 60")));
            EXPECT_EQ(after.resFps, before.resFps);
            continue;
        }
        ASSERT_TRUE(changed) << row.res << "/" << row.fps;
        EXPECT_EQ(after.resFps, row.resFps);
        EXPECT_EQ(after.palNtsc, row.standard);
        EXPECT_EQ(after.rotation, row.rotation);
        EXPECT_EQ(after.configState, DevList::ConfigRunning);
        reg.list->onVideoParamConfigFinish(ipA);
    }
    EXPECT_FALSE(reg.list->videoParamIsChange(camA, 0, 30));
    EXPECT_FALSE(reg.list->videoParamIsChange(camA, 5, 30));
}

TEST_F(DevListTest, ModeRequestsCountOnlyAgainstWhatIsRequestedAndConfirmed) {
    reg.connectNew(camA, ipA);
    reg.list->onVideoParamSync(ipA, VideoParamResFps, QStringLiteral("1080P30"));
    reg.list->onVideoParamSync(ipA, VideoParamPalNtsc, QStringLiteral("NTSC"));
    reg.list->onVideoParamSync(ipA, VideoParamRotation, QStringLiteral("OFF"));
    EXPECT_FALSE(reg.list->videoParamIsChange(camA, 2, 30)); // already so

    ASSERT_TRUE(reg.list->videoParamIsChange(camA, 1, 60));
    EXPECT_FALSE(reg.list->videoParamIsChange(camA, 4, 25)); // one at a time
    EXPECT_EQ(reg.dev(camA).videoCfg.resFps, "1080P60");
    reg.list->onVideoParamConfigFaild(ipA);
    VideoCfg_t cfg = reg.dev(camA).videoCfg;
    EXPECT_EQ(cfg.configState, DevList::ConfigFailed);
    EXPECT_EQ(cfg.resFps, "1080P30");
    EXPECT_FALSE(cfg.rotation);
    EXPECT_TRUE(reg.list->videoParamIsChange(camA, 1, 60)); // differs from the confirmed
    reg.list->onVideoParamConfigFaild(ipA);
    EXPECT_FALSE(reg.list->videoParamIsChange(camA, 2, 30));

    ASSERT_TRUE(reg.list->videoParamIsChange(camA, 3, 25));
    reg.list->onVideoParamConfigFinish(ipA);
    cfg = reg.dev(camA).videoCfg;
    EXPECT_EQ(cfg.configState, DevList::ConfigSucceeded);
    EXPECT_EQ(cfg.resFpsCurrent, "4K30");
    EXPECT_EQ(cfg.palNtscCurrent, "PAL");
    EXPECT_TRUE(cfg.rotationCurrent);

    reg.list->onDeviceOffine(camA);
    EXPECT_FALSE(reg.list->videoParamIsChange(camA, 1, 60));
}

TEST_F(DevListTest, ParameterFeedbackReachesTheConnectedRecordOfItsAddress) {
    // "A", listed first with the same address, is not the record being polled.
    reg.list->onAddDevice(QStringLiteral("A"), ipA);
    reg.connectNew(camA, ipA);
    QSignalSpy hdr(reg.list.get(), &DevList::sigVideoParamUpdateHDR);
    QSignalSpy live(reg.list.get(), &DevList::sigVideoParamUpdateLiveStatus);
    reg.list->onVideoParamSync(ipA, VideoParamHDR, QStringLiteral("0"));
    reg.list->onVideoParamSync(ipA, VideoParamLive, QStringLiteral("1"));
    ASSERT_EQ(hdr.size(), 1);
    EXPECT_EQ(hdr[0][0].toString(), camA);
    EXPECT_FALSE(hdr[0][1].toBool());
    ASSERT_EQ(live.size(), 1);
    EXPECT_TRUE(live[0][1].toBool());
    EXPECT_FALSE(reg.dev(camA).videoCfg.hdr);
    EXPECT_TRUE(reg.dev(QStringLiteral("A")).videoCfg.hdr);

    LogCapture log;
    reg.list->onVideoParamSync(ipA, static_cast<VideoParamType_e>(5), QStringLiteral("1"));
    reg.list->onVideoParamSync(ipA, VideoParamHDR, QString());
    EXPECT_TRUE(
        log.contains(QStringLiteral("]:[Error] param is invalid! ip: 10.77.0.20  type: 5")));
    reg.list->onVideoParamConfigFinish(QStringLiteral("10.77.0.99"));
    EXPECT_TRUE(log.contains(QStringLiteral("onVideoParamSync: no find device from devList!")));
    EXPECT_EQ(hdr.size(), 1);
}

TEST_F(DevListTest, WorkModeAndLanguageAreStoredOnlyWhenValid) {
    LogCapture log;
    reg.list->setWorkMode(1);
    EXPECT_EQ(reg.disk("config.ini", QStringLiteral("config/workModeSwitch")).toString(), "true");
    EXPECT_EQ(reg.disk("config.ini", QStringLiteral("config/workMode")).toInt(), 1);
    reg.list->setWorkMode(2);
    EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] setWorkMode: param invalid   2")));
    EXPECT_EQ(reg.disk("config.ini", QStringLiteral("config/workMode")).toInt(), 1);

    reg.list->setLanguageMode(7);
    EXPECT_EQ(reg.disk("config.ini", QStringLiteral("config/language")).toInt(), 7);
    reg.list->setLanguageMode(8);
    reg.list->setLanguageMode(-1);
    EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] setLanguageMode: param invalid   -1")));
    EXPECT_EQ(reg.disk("config.ini", QStringLiteral("config/language")).toInt(), 7);
}

} // namespace

// A video application's filter reads VConfig.ini whenever it connects; it
// must never see a file torn by a write in progress.
namespace {

TEST(VConfigWriteTest, ReaderInAnotherProcessNeverSeesAPartialFile) {
    TempConfigRoot root;
    IniFile settings(root.configRoot());
    DevList devices(settings);
    devices.onAddDevice(QStringLiteral("Torvi_A"), QStringLiteral("10.77.0.20"));
    devices.onAddDevice(QStringLiteral("Torvi_B"), QStringLiteral("10.77.0.21"));
    ASSERT_TRUE(devices.connectFromNewList(QStringLiteral("Torvi_A")));
    ASSERT_TRUE(devices.connectFromNewList(QStringLiteral("Torvi_B")));
    devices.onDeviceBatteryInfo(QStringLiteral("Torvi_A"), false, 80);
    devices.onDeviceBatteryInfo(QStringLiteral("Torvi_B"), false, 80);

    ChildProcess reader;
    ASSERT_TRUE(reader.start(QStringLiteral(VCONFIG_READER), {settings.vconfigPath()}));
    ASSERT_TRUE(reader.waitForOutput(QStringLiteral("reading"), 5000));
    for (int round = 0; round < 300; ++round) {
        const QString mac = round % 2 ? QStringLiteral("Torvi_A") : QStringLiteral("Torvi_B");
        const auto id = static_cast<CamID_e>(round % 4 + 1);
        devices.setCamPair(id, mac);
        devices.cancelCamPair(id, mac);
    }
    reader.closeWriteChannel();
    ASSERT_TRUE(reader.waitForOutput(QStringLiteral("partial 0"), 10000))
        << reader.describe().toStdString();
}

} // namespace
