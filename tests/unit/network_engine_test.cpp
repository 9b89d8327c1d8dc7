// The engine's camera logic on its worker thread, against canned camera
// replies and events handed in without a network.
#include "device/network.h"
#include "device/networkthread.h"
#include "integration/networksignals.h"
#include "support/fakecameranetwork.h"
#include "support/logcapture.h"
#include "support/qtprint.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

const QString mac = QStringLiteral("Torvi_A1B2C3D4");
const QString ip = QStringLiteral("10.77.0.2");

DeviceListenTCP::FeedbackInfo_t cameraEvent(const QString &setting, const QString &value) {
    DeviceListenTCP::FeedbackInfo_t info;
    info.ip = ip;
    info.eventId = QStringLiteral("STATEMNG_SETTING");
    info.arg1 = setting;
    info.arg2 = QStringLiteral("NORM_REC");
    info.result = QStringLiteral("SUCCESS");
    info.payload = value;
    info.rawData = setting + QLatin1Char('=') + value;
    info.isValid = true;
    return info;
}

class NetworkEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Network::setAccessManagerFactory([] { return camera = new FakeCameraNetwork; });
        LogCapture log;
        worker.start();
        const QString announced = QStringLiteral("the server source: production");
        if (log.waitFor(announced, 5000))
            startupLine = log.lines().filter(announced).constFirst();
    }
    static void TearDownTestSuite() { worker.stop(); }

    void SetUp() override {
        ASSERT_TRUE(QTest::qWaitFor([] { return camera != nullptr; }, 5000));
    }
    void TearDown() override {
        network->clearAllDevices();
        camera.load()->setResponder({});
    }

    // Delivered on the worker, as the event listener would.
    static void push(const DeviceListenTCP::FeedbackInfo_t &event, int afterMs) {
        Network *engine = Network::getInstance();
        QTimer::singleShot(afterMs, engine, [engine, event] { engine->onFeedbackInfo(event); });
    }
    // A camera that confirms each setting by its event, after its reply.
    static std::optional<FakeCameraNetwork::Answer> confirming(const QString &request) {
        const QString value = request.section(QStringLiteral("-value="), 1);
        if (request.contains(QLatin1String("-type=KEY_OK")))
            push(cameraEvent(QStringLiteral("ADDRTSPSTREAM"), QStringLiteral("1")), 20);
        else if (!value.isEmpty())
            push(
                cameraEvent(request.section(QStringLiteral("-type="), 1).section('&', 0, 0), value),
                20);
        return std::nullopt;
    }
    void connectCamera() {
        network->addDeviceToHttpMap(mac, ip);
        ASSERT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 3 OFF").arg(ip), 5000));
    }
    QStringList settingsSentSince(qsizetype from) const {
        QStringList sent;
        for (const QString &request : camera.load()->requests().mid(from)) {
            if (request.contains(QLatin1String("setworkmodeparam")))
                sent << request.section(QStringLiteral("-type="), 1)
                            .replace(QStringLiteral("&-value"), QString());
        }
        return sent;
    }

    static inline NetworkThread worker;
    static inline QString startupLine;
    static inline std::atomic<FakeCameraNetwork *> camera = nullptr;
    Network *network = Network::getInstance();
    NetworkSignals signals_{Network::getInstance()};
    LogCapture log;
};

TEST_F(NetworkEngineTest, WorkerAnnouncesItsStartInTheLogConvention) {
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral(R"(^\[ \S+/network\.cpp : \d+ \]: the server source: production$)"))
            .match(startupLine)
            .hasMatch())
        << startupLine.toStdString();
}

TEST_F(NetworkEngineTest, ConfigurationSendsTheRequestedValuesWhateverTheCameraReportsMeanwhile) {
    connectCamera();
    // While the video standard is set, the camera reports a media mode of its
    // own (a button pressed on it): the sequence must still send what was asked.
    camera.load()->setResponder([](const QString &request) {
        if (request.contains(QLatin1String("-type=VIDEOMODE&-value=")))
            push(cameraEvent(QStringLiteral("MEDIAMODE"), QStringLiteral("4K30")), 5);
        return confirming(request);
    });
    const qsizetype from = camera.load()->requests().size();
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P60"), QStringLiteral("NTSC"),
                                      true);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 5000));
    EXPECT_EQ(settingsSentSince(from),
              QStringList({"VIDEOMODE=NTSC", "MEDIAMODE=1080P60", "ROTATION=ON"}));
    EXPECT_EQ(signals_.count(QStringLiteral("faild ") + ip), 0);

    // An HDR change keeps the rest as the camera last confirmed it.
    camera.load()->setResponder([](const QString &request) { return confirming(request); });
    signals_.clear();
    push(cameraEvent(QStringLiteral("ADDRTSPSTREAM"), QStringLiteral("0")), 0);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 4 0").arg(ip), 5000));
    const qsizetype hdrFrom = camera.load()->requests().size();
    network->setDeviceHDR(ip, false);
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish ") + ip, 5000));
    EXPECT_EQ(settingsSentSince(hdrFrom),
              QStringList({"VIDEOMODE=NTSC", "MEDIAMODE=1080P60", "ROTATION=ON"}));
}

TEST_F(NetworkEngineTest, CameraLostOrRemovedWhileConfiguringEndsTheConfigurationAsFailed) {
    connectCamera();
    // The camera takes the video standard but never confirms it; then its
    // battery poll fails.
    // Shared with the responder, which may outlive the test by a request.
    const auto serverError = std::make_shared<std::atomic<bool>>(false);
    camera.load()->setResponder(
        [serverError](const QString &request) -> std::optional<FakeCameraNetwork::Answer> {
            if (*serverError && request.contains(QLatin1String("getbatterycapacity")))
                return FakeCameraNetwork::Answer{{}, QNetworkReply::InternalServerError};
            return std::nullopt;
        });
    network->setDeviceVideoResolution(0, ip, QStringLiteral("1080P60"), QStringLiteral("PAL"),
                                      false);
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return camera.load()->requests().last().contains(QLatin1String("VIDEOMODE")); },
        5000));
    *serverError = true;
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("abnormal ") + mac, 5000));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("faild ") + ip, 1000));
    EXPECT_LT(signals_.events.indexOf(QStringLiteral("faild ") + ip),
              signals_.events.indexOf(QStringLiteral("abnormal ") + mac));

    // Polling goes on: it rejoins, configures again and is removed meanwhile.
    *serverError = false;
    signals_.clear();
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("feedback %1 3 OFF").arg(ip), 5000));
    network->setDeviceVideoResolution(0, ip, QStringLiteral("4K30"), QStringLiteral("PAL"), false);
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return camera.load()->requests().last().contains(QLatin1String("VIDEOMODE")); },
        5000));
    network->removeDeviceFromHttpMap(mac);
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("faild ") + ip, 1000));
    EXPECT_EQ(signals_.count(QStringLiteral("faild ") + ip), 1);
}

} // namespace
