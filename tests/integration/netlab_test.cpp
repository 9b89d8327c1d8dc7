// The test LAN itself: reachability over each host's own interface, multicast
// across the switch, isolation, and clean removal after partial failures.
#include "support/childprocess.h"
#include "support/netlab.h"

#include <gtest/gtest.h>
#include <QProcess>

namespace {

const QString kProbe = QStringLiteral(KESTRA_MCASTPROBE);
constexpr int kWaitMs = 5000;

class NetlabTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Netlab::available())
            GTEST_SKIP() << "test LAN unavailable: " << qPrintable(Netlab::unavailableReason());
    }
};

::testing::AssertionResult bringUp(Netlab &lab) {
    if (lab.up())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "netlab up failed:\n" << qPrintable(lab.lastOutput());
}

// Runs a short command in a host's namespace and returns what it printed.
QString runIn(const Netlab &lab, const QString &host, const QStringList &command) {
    ChildProcess process;
    if (!process.start(lab.execArgs(host, command)) || !process.waitForExit(kWaitMs))
        return QStringLiteral("<failed> ") + process.describe();
    return process.standardOutput();
}

QStringList interfaceNames(const Netlab &lab, const QString &host) {
    QStringList names;
    const QString out = runIn(lab, host,
                              {QStringLiteral("ip"), QStringLiteral("-o"), QStringLiteral("link"),
                               QStringLiteral("show")});
    // "2: eth0@if4: <BROADCAST,...": the name, without the peer suffix.
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        names << line.section(QStringLiteral(": "), 1, 1).section(u'@', 0, 0);
    return names;
}

QStringList namespacesOf(const QString &prefix) {
    QProcess ip;
    ip.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")});
    ip.waitForFinished(kWaitMs);
    QStringList names;
    for (const QString &line : QString::fromLocal8Bit(ip.readAll()).split(u'\n'))
        if (line.startsWith(prefix + u'-'))
            names << line.section(u' ', 0, 0);
    names.sort();
    return names;
}

// Sends text from one host to address:port until the receiving host reports
// it, and checks which source address it came from.
::testing::AssertionResult datagramArrives(const Netlab &lab, const QString &from,
                                           const QString &to, const QString &address,
                                           const QString &expectedSender, const QString &text) {
    const QString port = QStringLiteral("5353");
    ChildProcess receiver;
    if (!receiver.start(lab.execArgs(
            to, {kProbe, QStringLiteral("recv"), address, port, QString::number(kWaitMs)})) ||
        !receiver.waitForOutput(QStringLiteral("ready"), kWaitMs))
        return ::testing::AssertionFailure() << "receiver in " << qPrintable(to) << " not ready\n"
                                             << qPrintable(receiver.describe());

    ChildProcess sender;
    if (!sender.start(lab.execArgs(from, {kProbe, QStringLiteral("send"), address, port, text,
                                          QStringLiteral("50"), QStringLiteral("100")})))
        return ::testing::AssertionFailure() << qPrintable(sender.describe());

    const QString expected = QStringLiteral("from %1 %2").arg(expectedSender, text);
    if (receiver.waitForOutput(expected, kWaitMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << qPrintable(from) << " -> " << qPrintable(to) << " (" << qPrintable(address)
           << "): expected \"" << qPrintable(expected) << "\"\nreceiver "
           << qPrintable(receiver.describe()) << "\nsender " << qPrintable(sender.describe());
}

TEST_F(NetlabTest, PcAndCamerasReachEachOtherFromTheirOwnSubnetAddress) {
    Netlab lab(2, 1);
    ASSERT_TRUE(bringUp(lab));

    for (int k = 1; k <= 2; ++k) {
        const QString cam = QStringLiteral("cam%1").arg(k);
        EXPECT_TRUE(datagramArrives(lab, QStringLiteral("pc"), cam, lab.cameraAddress(k),
                                    lab.pcAddress(), QStringLiteral("to-") + cam));
    }
    EXPECT_TRUE(datagramArrives(lab, QStringLiteral("pc"), QStringLiteral("camb1"),
                                lab.secondCameraAddress(1), lab.pcSecondAddress(),
                                QStringLiteral("to-camb1")));
    EXPECT_TRUE(datagramArrives(lab, QStringLiteral("cam2"), QStringLiteral("pc"), lab.pcAddress(),
                                lab.cameraAddress(2), QStringLiteral("reply")));
}

TEST_F(NetlabTest, CameraMulticastReachesThePcAndTheOtherCameras) {
    Netlab lab(3);
    ASSERT_TRUE(bringUp(lab));
    const QString group = QStringLiteral("224.0.0.251");

    EXPECT_TRUE(datagramArrives(lab, QStringLiteral("cam1"), QStringLiteral("pc"), group,
                                lab.cameraAddress(1), QStringLiteral("announce")));
    EXPECT_TRUE(datagramArrives(lab, QStringLiteral("pc"), QStringLiteral("cam3"), group,
                                lab.pcAddress(), QStringLiteral("query")));
}

TEST_F(NetlabTest, EachHostSeesOnlyItsOwnInterfacesAndHasNoWayOut) {
    Netlab lab(1, 1);
    ASSERT_TRUE(bringUp(lab));

    EXPECT_EQ(interfaceNames(lab, QStringLiteral("pc")),
              (QStringList{QStringLiteral("lo"), QStringLiteral("eth0"), QStringLiteral("eth1")}));
    EXPECT_EQ(interfaceNames(lab, QStringLiteral("cam1")),
              (QStringList{QStringLiteral("lo"), QStringLiteral("eth0")}));
    EXPECT_EQ(interfaceNames(lab, QStringLiteral("camb1")),
              (QStringList{QStringLiteral("lo"), QStringLiteral("eth0")}));

    const QStringList addr{QStringLiteral("ip"),   QStringLiteral("-4"),   QStringLiteral("-o"),
                           QStringLiteral("addr"), QStringLiteral("show"), QStringLiteral("eth0")};
    EXPECT_TRUE(
        runIn(lab, QStringLiteral("camb1"), addr).contains(QStringLiteral("10.78.0.20/24")));
    EXPECT_TRUE(runIn(lab, QStringLiteral("cam1"), addr).contains(QStringLiteral("10.77.0.20/24")));

    for (const QString &host :
         {QStringLiteral("pc"), QStringLiteral("cam1"), QStringLiteral("camb1")})
        EXPECT_EQ(runIn(lab, host,
                        {QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("show"),
                         QStringLiteral("default")}),
                  QString())
            << qPrintable(host);
}

TEST_F(NetlabTest, LabsWithDifferentPrefixesRunSideBySide) {
    Netlab first(1);
    Netlab second(1);
    ASSERT_NE(first.prefix(), second.prefix());
    ASSERT_TRUE(bringUp(first));
    ASSERT_TRUE(bringUp(second));

    EXPECT_TRUE(datagramArrives(first, QStringLiteral("pc"), QStringLiteral("cam1"),
                                first.cameraAddress(1), first.pcAddress(), QStringLiteral("a")));
    ASSERT_TRUE(first.down());
    EXPECT_TRUE(namespacesOf(first.prefix()).isEmpty());
    EXPECT_TRUE(datagramArrives(second, QStringLiteral("pc"), QStringLiteral("cam1"),
                                second.cameraAddress(1), second.pcAddress(), QStringLiteral("b")));
}

TEST_F(NetlabTest, UpAgainReplacesAnExistingLab) {
    Netlab lab(1);
    ASSERT_TRUE(bringUp(lab));
    ASSERT_TRUE(bringUp(lab));

    EXPECT_EQ(namespacesOf(lab.prefix()), (QStringList{lab.namespaceName(QStringLiteral("cam1")),
                                                       lab.namespaceName(QStringLiteral("pc")),
                                                       lab.namespaceName(QStringLiteral("sw"))}));
    EXPECT_TRUE(datagramArrives(lab, QStringLiteral("pc"), QStringLiteral("cam1"),
                                lab.cameraAddress(1), lab.pcAddress(), QStringLiteral("again")));
}

TEST_F(NetlabTest, DownRemovesAHalfBrokenLabAndWhatStillRunsInIt) {
    Netlab lab(2, 1);
    ASSERT_TRUE(bringUp(lab));
    ChildProcess leftover;
    ASSERT_TRUE(leftover.start(
        lab.execArgs(QStringLiteral("cam1"), {kProbe, QStringLiteral("recv"), lab.cameraAddress(1),
                                              QStringLiteral("7000"), QStringLiteral("600000")})));
    ASSERT_TRUE(leftover.waitForOutput(QStringLiteral("ready"), kWaitMs))
        << qPrintable(leftover.describe());

    // As if a run had crashed while building or tearing down the lab.
    QProcess ip;
    ip.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"),
                                    lab.namespaceName(QStringLiteral("cam2"))});
    ASSERT_TRUE(ip.waitForFinished(kWaitMs));
    ASSERT_EQ(ip.exitCode(), 0);

    EXPECT_TRUE(lab.down()) << qPrintable(lab.lastOutput());
    EXPECT_EQ(namespacesOf(lab.prefix()), QStringList());
    EXPECT_TRUE(leftover.waitForExit(kWaitMs));

    // Nothing left: down still succeeds.
    EXPECT_TRUE(lab.down()) << qPrintable(lab.lastOutput());
}

// Argument checks come before anything needs root, so this runs everywhere.
TEST_F(NetlabTest, DownFromInsideTheLabSparesItsCallerAndStopsTheRest) {
    Netlab lab(1);
    ASSERT_TRUE(bringUp(lab));
    ChildProcess camera;
    ASSERT_TRUE(camera.start(
        lab.execArgs(QStringLiteral("cam1"), {kProbe, QStringLiteral("recv"), lab.cameraAddress(1),
                                              QStringLiteral("7000"), QStringLiteral("600000")})));
    ASSERT_TRUE(camera.waitForOutput(QStringLiteral("ready"), kWaitMs))
        << qPrintable(camera.describe());

    // A test that moved itself into the PC namespace tears its lab down.
    ChildProcess insider;
    ASSERT_TRUE(insider.start(lab.execArgs(
        QStringLiteral("pc"), {QStringLiteral("bash"), Netlab::scriptPath(), QStringLiteral("down"),
                               QStringLiteral("--prefix"), lab.prefix()})));
    ASSERT_TRUE(insider.waitForExit(kWaitMs));
    EXPECT_EQ(insider.exitCode(), 0) << qPrintable(insider.describe());
    EXPECT_EQ(namespacesOf(lab.prefix()), QStringList());
    EXPECT_TRUE(camera.waitForExit(kWaitMs));
}

TEST(NetlabScript, RejectsBadArgumentsWithAMessageAndNoLab) {
    const Netlab lab(1);
    const struct {
        QStringList args;
        const char *message;
    } cases[] = {
        {{QStringLiteral("up"), QStringLiteral("--cameras"), QStringLiteral("two")},
         "must be a number"},
        {{QStringLiteral("up"), QStringLiteral("--cameras"), QStringLiteral("999")}, "at most"},
        {{QStringLiteral("up"), QStringLiteral("--second-subnet")}, "needs a value"},
        {{QStringLiteral("up"), QStringLiteral("--prefix"), QStringLiteral("a-b")},
         "letters or digits"},
        {{QStringLiteral("reboot")}, "unknown command"},
        {{QStringLiteral("up"), QStringLiteral("--bridge")}, "unknown option"},
    };
    for (const auto &c : cases) {
        QString output;
        EXPECT_NE(lab.runScript(c.args, &output), 0) << qPrintable(c.args.join(u' '));
        EXPECT_TRUE(output.contains(QLatin1String(c.message)))
            << qPrintable(c.args.join(u' ')) << ": " << qPrintable(output);
    }
    EXPECT_TRUE(namespacesOf(lab.prefix()).isEmpty());
}

} // namespace
