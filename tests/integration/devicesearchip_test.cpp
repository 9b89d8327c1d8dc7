// The LAN scan against simulated cameras in the test LAN: two cameras on the
// PC's first subnet (eth0, 10.77.0.0/24), one on its second (eth1,
// 10.78.0.0/24). Real probes, real time-outs; the scan worker runs on the
// thread the engine gives it.
#include "device/devicesearchip.h"
#include "device/network.h"
#include "support/childprocess.h"
#include "support/netlabmain.h"
#include "support/qtprint.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QMutex>
#include <QTest>
#include <sys/resource.h>

namespace {

const QString attributeRequest = QStringLiteral("request /cgi-bin/hisnet/getdeviceattr.cgi");
const QString modeRequest =
    QStringLiteral("request /cgi-bin/hisnet/getcommparam.cgi?&-type=NORMRECMODE");

// Every diagnostic of the process, from any thread.
QMutex logMutex;
QStringList logLines;

void recordLog(QtMsgType, const QMessageLogContext &, const QString &text) {
    QMutexLocker lock(&logMutex);
    logLines << text;
}

qsizetype logMark() {
    QMutexLocker lock(&logMutex);
    return logLines.size();
}

// The log lines since the mark that contain text, in order.
QStringList logSince(qsizetype mark, const QString &text) {
    QMutexLocker lock(&logMutex);
    QStringList lines;
    for (qsizetype i = mark; i < logLines.size(); ++i) {
        if (logLines[i].contains(text))
            lines << logLines[i];
    }
    return lines;
}

int openDescriptors() {
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
            .size());
}

// The process's descriptor limit lowered to room descriptors more than it has
// open, and restored when the guard goes.
class DescriptorRoom {
public:
    explicit DescriptorRoom(int room) {
        rlimit lowered{};
        m_ok = getrlimit(RLIMIT_NOFILE, &m_saved) == 0;
        lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(openDescriptors() + room);
        m_ok = m_ok && setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorRoom() {
        if (m_ok)
            setrlimit(RLIMIT_NOFILE, &m_saved);
    }
    DescriptorRoom(const DescriptorRoom &) = delete;
    DescriptorRoom &operator=(const DescriptorRoom &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

// The worker's signals as the main thread receives them:
// "online UID IP", "offline UID", "finish 0|1".
class ScanSignals : public QObject {
public:
    explicit ScanSignals(DeviceSearchIP *search) {
        connect(
            search, &DeviceSearchIP::sigDeviceOnline, this,
            [this](const QString &uID, const QString &ip) {
                events << QStringLiteral("online %1 %2").arg(uID, ip);
            },
            Qt::QueuedConnection);
        connect(
            search, &DeviceSearchIP::sigDeviceOffline, this,
            [this](const QString &uID) { events << QStringLiteral("offline ") + uID; },
            Qt::QueuedConnection);
        connect(
            search, &DeviceSearchIP::sigFinish, this,
            [this](bool state) { events << QStringLiteral("finish %1").arg(int(state)); },
            Qt::QueuedConnection);
    }

    bool waitFor(const QString &event, int timeoutMs) {
        return QTest::qWaitFor([&] { return events.contains(event); }, timeoutMs);
    }

    QStringList events;
};

class DeviceSearchIPTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qInstallMessageHandler(recordLog);
        if (!testLab().isUp())
            return;
        // As in the program: the engine starts the scan loop on its thread.
        Network::getInstance();
        // The loop's first pass creates the access manager before the scan
        // thread gets to anything queued after the start.
        QMetaObject::invokeMethod(
            search(), [] {}, Qt::BlockingQueuedConnection);
    }
    static void TearDownTestSuite() {
        if (testLab().isUp())
            Network::getInstance()->stopThreads(); // joined when the engine goes
        qInstallMessageHandler(nullptr);
    }

    void SetUp() override {
        REQUIRE_TEST_LAB();
        mark = logMark();
    }
    void TearDown() override {
        if (HasFailure()) {
            for (const QString &line : logSince(mark, QString()))
                fprintf(stderr, "%s\n", qPrintable(line));
        }
    }

    static DeviceSearchIP *search() { return DeviceSearchIP::getInstance(); }

    static bool startCamera(ChildProcess &sim, const QString &host, const QString &ip,
                            const QString &uid, const QStringList &options = {}) {
        const QStringList command =
            QStringList{QStringLiteral(TORVI_SIM), "--address", ip, "--uid", uid} + options;
        return sim.start(testLab().execArgs(host, command)) &&
               sim.waitForOutput(QStringLiteral("ready http="), 10000);
    }
    static bool control(ChildProcess &sim, const QString &command) {
        return sim.write(command.toUtf8()) &&
               sim.waitForOutput(QStringLiteral("ok ") + command, 5000);
    }
    static int requests(const ChildProcess &sim, const QString &request) {
        return static_cast<int>(sim.standardOutput().count(request));
    }

    // Scans and waits for its end; the events then hold what it reported.
    bool scan(bool expectedFound) {
        search()->startSearch();
        return signals_.waitFor(QStringLiteral("finish %1").arg(int(expectedFound)), 15000);
    }

    // Scans and waits for its end, whatever it found.
    bool scanToTheEnd() {
        search()->startSearch();
        return QTest::qWaitFor(
            [&] { return !signals_.events.filter(QStringLiteral("finish")).isEmpty(); }, 15000);
    }

    ScanSignals signals_{search()};
    qsizetype mark = 0;
    ChildProcess cam1;
    ChildProcess cam2;
    ChildProcess camb1;
    const QString ip1 = QStringLiteral("10.77.0.20");
    const QString ip2 = QStringLiteral("10.77.0.21");
    const QString ipb1 = QStringLiteral("10.78.0.20");
    const QString uid1 = QStringLiteral("Torvi_A0000001");
    const QString uid2 = QStringLiteral("Torvi_A0000002");
    const QString uidb1 = QStringLiteral("Torvi_B0000001");
};

// The sweep hands out hosts 0..254 of each subnet in order, in batches of any
// size that may span subnets; a PC may carry more local addresses than a small
// counter holds.
TEST(SubnetSweepTest, HandsOutEveryHostOfALongListOfSubnetsInOrderInBatches) {
    QStringList addresses;
    QStringList prefixes;
    QStringList hosts;
    for (int i = 0; i < 200; ++i) {
        const QString prefix = QStringLiteral("10.%1.%2.").arg(i / 100).arg(i % 100);
        addresses << prefix + QStringLiteral("7");
        prefixes << prefix;
        for (int host = 0; host < 255; ++host)
            hosts << prefix + QString::number(host);
    }
    SubnetSweep sweep;
    sweep.restart(addresses);
    QStringList started;
    QStringList taken;
    for (int batches = 0; !sweep.isDone() && batches < 1000; ++batches) {
        const SubnetSweep::Batch batch = sweep.takeNextHosts(100);
        ASSERT_LE(batch.hosts.size(), 100);
        started << batch.startedSubnets;
        taken << batch.hosts;
    }
    EXPECT_EQ(started, prefixes);
    EXPECT_EQ(taken, hosts);
    EXPECT_TRUE(sweep.takeNextHosts(100).hosts.isEmpty());

    // A restart begins afresh; a batch ending on a subnet's last host leaves
    // the next subnet to the next batch.
    sweep.restart({QStringLiteral("192.168.1.23"), QStringLiteral("192.168.2.5")});
    SubnetSweep::Batch batch = sweep.takeNextHosts(255);
    EXPECT_EQ(batch.hosts.first(), "192.168.1.0");
    EXPECT_EQ(batch.hosts.last(), "192.168.1.254");
    EXPECT_EQ(batch.startedSubnets, QStringList{"192.168.1."});
    batch = sweep.takeNextHosts(1000);
    EXPECT_EQ(batch.hosts.size(), 255);
    EXPECT_EQ(batch.startedSubnets, QStringList{"192.168.2."});
    EXPECT_TRUE(sweep.isDone());
}

TEST_F(DeviceSearchIPTest, ScanProbesEachSubnetInInterfaceOrderAndReportsTheCamerasFound) {
    ASSERT_EQ(testLab().cameraAddress(1), ip1);
    ASSERT_EQ(testLab().secondCameraAddress(1), ipb1);

    // Nothing answers: the scan ends all the same, having found nothing.
    ASSERT_TRUE(scan(false));
    EXPECT_EQ(signals_.events, QStringList{"finish 0"});
    QStringList prefixes;
    for (const QString &line : logSince(mark, QStringLiteral("ipPrefix: ")))
        prefixes << line.section(QStringLiteral("ipPrefix: "), 1).trimmed();
    EXPECT_EQ(prefixes, QStringList({"10.77.0.", "10.78.0."}));

    ASSERT_TRUE(startCamera(cam1, "cam1", ip1, "A0000001")) << cam1.describe().toStdString();
    ASSERT_TRUE(startCamera(cam2, "cam2", ip2, "A0000002")) << cam2.describe().toStdString();
    ASSERT_TRUE(startCamera(camb1, "camb1", ipb1, "B0000001")) << camb1.describe().toStdString();
    signals_.events.clear();
    mark = logMark();

    // A second start while the scan runs is ignored: each subnet is probed once.
    search()->startSearch();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !logSince(mark, QStringLiteral("ipPrefix: ")).isEmpty(); }, 5000));
    search()->startSearch();
    ASSERT_TRUE(signals_.waitFor(QStringLiteral("finish 1"), 15000));
    // Every camera is reported before the end of the scan.
    ASSERT_EQ(signals_.events.size(), 4) << signals_.events.join(u'|').toStdString();
    EXPECT_EQ(signals_.events.last(), QStringLiteral("finish 1"));
    for (const QString &event : {QStringLiteral("online %1 %2").arg(uid1, ip1),
                                 QStringLiteral("online %1 %2").arg(uid2, ip2),
                                 QStringLiteral("online %1 %2").arg(uidb1, ipb1)})
        EXPECT_TRUE(signals_.events.contains(event)) << event.toStdString();
    EXPECT_EQ(logSince(mark, QStringLiteral("ipPrefix: ")).size(), 2);
    for (ChildProcess *sim : {&cam1, &cam2, &camb1})
        EXPECT_EQ(requests(*sim, attributeRequest), 1);
}

// A PC with several subnets must not run out of descriptors while it scans:
// with room for little more than one subnet's probes, the camera on the second
// subnet is found all the same. With less room the scan says what it missed.
TEST_F(DeviceSearchIPTest, ScanFitsInOneSubnetsWorthOfDescriptorsAndSaysWhenProbesLackOne) {
    ASSERT_TRUE(startCamera(camb1, "camb1", ipb1, "B0000001")) << camb1.describe().toStdString();
    const QString online = QStringLiteral("online %1 %2").arg(uidb1, ipb1);
    const QString noSocket = QStringLiteral("probes could not open a socket");
    {
        // One subnet's probes and a few spare, for the mode check among others.
        DescriptorRoom room(255 + 10);
        ASSERT_TRUE(room.ok());
        ASSERT_TRUE(scanToTheEnd());
    }
    EXPECT_EQ(signals_.events, QStringList({online, "finish 1"}));
    EXPECT_TRUE(logSince(mark, noSocket).isEmpty())
        << logSince(mark, noSocket).join(u'|').toStdString();

    signals_.events.clear();
    mark = logMark();
    {
        // Most probes find no descriptor free.
        DescriptorRoom room(100);
        ASSERT_TRUE(room.ok());
        ASSERT_TRUE(scanToTheEnd());
    }
    const QStringList lines = logSince(mark, noSocket);
    ASSERT_EQ(lines.size(), 1) << lines.join(u'|').toStdString();
    const QString count = lines[0].section(QStringLiteral("scan: "), 1).section(u' ', 0, 0);
    EXPECT_GT(count.toInt(), 100) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(
        QStringLiteral("(Out of resources): the process is out of file descriptors")))
        << lines[0].toStdString();
}

TEST_F(DeviceSearchIPTest, CameraOutsideWirelessModeIsReportedOnlineOnceARecheckSeesWireless) {
    ASSERT_TRUE(startCamera(cam1, "cam1", ip1, "A0000001", {"--work-mode", "normal"}))
        << cam1.describe().toStdString();

    ASSERT_TRUE(scan(false));
    EXPECT_EQ(signals_.events, QStringList{"finish 0"});

    // Re-checks that still see the normal mode report nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests(cam1, modeRequest) >= 2; }, 5000));
    EXPECT_EQ(signals_.events, QStringList{"finish 0"});

    ASSERT_TRUE(control(cam1, QStringLiteral("work-mode wireless")));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("online %1 %2").arg(uid1, ip1), 5000));
}

TEST_F(DeviceSearchIPTest, OnlineCameraIsReportedOfflineWhenItStopsAnsweringOrLeavesWirelessMode) {
    ASSERT_TRUE(startCamera(cam1, "cam1", ip1, "A0000001")) << cam1.describe().toStdString();
    ASSERT_TRUE(startCamera(cam2, "cam2", ip2, "A0000002")) << cam2.describe().toStdString();
    ASSERT_TRUE(startCamera(camb1, "camb1", ipb1, "B0000001")) << camb1.describe().toStdString();
    ASSERT_TRUE(scan(true));
    ASSERT_EQ(signals_.events.size(), 4) << signals_.events.join(u'|').toStdString();
    mark = logMark();

    // Switched off: its connection stays unanswered until the check times out.
    ASSERT_TRUE(control(cam1, QStringLiteral("silent on")));
    QElapsedTimer sinceSilent;
    sinceSilent.start();
    ASSERT_TRUE(control(cam2, QStringLiteral("work-mode normal")));
    // Gone: the connection is refused, which is worth an error line.
    camb1.terminate();

    EXPECT_TRUE(signals_.waitFor(QStringLiteral("offline ") + uid2, 5000));
    EXPECT_TRUE(signals_.waitFor(QStringLiteral("offline ") + uidb1, 5000));
    EXPECT_EQ(logSince(mark, QStringLiteral("device reply error! ip: ") + ipb1).size(), 1);
    EXPECT_EQ(logSince(mark, QStringLiteral("HttpStatusCode:")).size(), 1);

    EXPECT_TRUE(signals_.waitFor(QStringLiteral("offline ") + uid1, 10000));
    EXPECT_GE(sinceSilent.elapsed(), 4500); // not before the check's time-out
    EXPECT_TRUE(logSince(mark, QStringLiteral("device reply error! ip: ") + ip1).isEmpty());
    EXPECT_EQ(signals_.events.count(QStringLiteral("offline ") + uid1), 1);
}

TEST_F(DeviceSearchIPTest, RecheckReplyArrivingDuringAScanDoesNotEndItBeforeItsOwnReplies) {
    ASSERT_TRUE(startCamera(cam1, "cam1", ip1, "A0000001")) << cam1.describe().toStdString();
    ASSERT_TRUE(scan(true));
    const QString online = QStringLiteral("online %1 %2").arg(uid1, ip1);
    signals_.events.clear();

    // A scan starts while a re-check of the camera is in flight; the re-check
    // is answered 300 ms later, in the middle of the scan.
    ASSERT_TRUE(control(cam1, QStringLiteral("delay 300")));
    const int rechecks = requests(cam1, modeRequest);
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests(cam1, modeRequest) > rechecks; }, 5000));
    search()->startSearch();
    // The scan's own mode check of the camera is answered long after every
    // probe has ended.
    const int probes = requests(cam1, attributeRequest);
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests(cam1, attributeRequest) > probes; }, 2000));
    ASSERT_TRUE(control(cam1, QStringLiteral("delay 2000")));

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return signals_.events.filter(QStringLiteral("finish")).size() > 0; }, 10000));
    EXPECT_EQ(signals_.events, QStringList({online, "finish 1"}));
}

TEST_F(DeviceSearchIPTest, ReportOnlineAndMarkOfflineActOnOnlineCamerasOnly) {
    ASSERT_TRUE(startCamera(cam1, "cam1", ip1, "A0000001")) << cam1.describe().toStdString();
    ASSERT_TRUE(scan(true));
    const QString online = QStringLiteral("online %1 %2").arg(uid1, ip1);
    ASSERT_EQ(signals_.events, QStringList({online, "finish 1"}));

    // Unknown and empty arguments report nothing; the known camera comes
    // back under its own uID. The signals arrive in the order of the calls.
    signals_.events.clear();
    search()->reportOnline(uid2, ip2);
    search()->reportOnline(QString(), ip1);
    search()->reportOnline(QStringLiteral("Torvi_other"), ip1);
    ASSERT_TRUE(signals_.waitFor(online, 1000));
    EXPECT_EQ(signals_.events, QStringList{online});

    // Marked offline: silent now, online again at the next re-check.
    signals_.events.clear();
    search()->markOffline(uid1, QString());
    search()->markOffline(uid1, ip1);
    ASSERT_TRUE(signals_.waitFor(online, 5000));
    EXPECT_EQ(signals_.events, QStringList{online});

    EXPECT_EQ(logSince(mark, QStringLiteral("param is valid! uID:")).size(), 2);
}

} // namespace
