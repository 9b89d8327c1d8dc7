// mDNS discovery in the test LAN: real multicast questions to simulated
// cameras, their answers, and interfaces that come and go in the PC's
// namespace. Discovery runs on its own thread as in the program; a probe
// socket on the PC sees every question and answer with the interface it
// crossed, so cycles can be told apart without sleeping.
#include "device/mdns.h"
#include "device/mdnsmessage.h"
#include "support/childprocess.h"
#include "support/netlabmain.h"
#include "support/qtprint.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <limits>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QString uid1 = QStringLiteral("Torvi_A1B2C3D4");
const QString uid2 = QStringLiteral("Torvi_E5F6A7B8");
const QString extraAddress = QStringLiteral("10.77.0.120");
const QString extraIf = QStringLiteral("kmdns0");
const QString extraIfAddress = QStringLiteral("10.79.0.1");
constexpr qint64 never = std::numeric_limits<qint64>::max();

// One clock for log lines, signals and datagrams.
QElapsedTimer testClock;

struct Stamped {
    qint64 ms = 0;
    QString text;
};

QMutex logMutex;
QList<Stamped> logLines;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &text) {
    QMutexLocker lock(&logMutex);
    logLines.append({testClock.elapsed(), text});
}

// When the first line containing text was written, or never.
qint64 loggedAt(const QString &text) {
    QMutexLocker lock(&logMutex);
    for (const Stamped &line : std::as_const(logLines)) {
        if (line.text.contains(text))
            return line.ms;
    }
    return never;
}

bool waitForLog(const QString &text, int timeoutMs) {
    return QTest::qWaitFor([&] { return loggedAt(text) != never; }, timeoutMs);
}

// Runs ip(8) in the PC's namespace, or in another with "-n".
bool ip(const QStringList &args) {
    QProcess process;
    process.start(QStringLiteral("ip"), args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Every mDNS datagram that reaches the PC's port 5353. It joins no group
// itself, so it hears only what the group memberships of discovery let in.
class Probe {
public:
    struct Seen {
        qint64 ms;
        QString sender;
        int interfaceIndex;
        bool response;
    };

    bool open() {
        QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_socket, [this] { read(); });
        return m_socket.bind(QHostAddress::AnyIPv4, MdnsCodec::MdnsPort,
                             QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    }
    // Questions for the service that left through the interface, in order.
    QList<qint64> queries(int interfaceIndex, qint64 from = 0, qint64 to = never) const {
        QList<qint64> times;
        for (const Seen &seen : m_seen) {
            if (!seen.response && seen.interfaceIndex == interfaceIndex && seen.ms >= from &&
                seen.ms <= to)
                times << seen.ms;
        }
        return times;
    }
    QList<qint64> answers(const QString &sender, qint64 from = 0) const {
        QList<qint64> times;
        for (const Seen &seen : m_seen) {
            if (seen.response && seen.sender == sender && seen.ms >= from)
                times << seen.ms;
        }
        return times;
    }

private:
    void read() {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            MdnsCodec::Message message;
            if (!MdnsCodec::fromPacket(datagram.data(), message))
                continue;
            const bool asks =
                !message.queries().isEmpty() && message.queries()[0].name == mDNS::serviceName;
            if (message.isResponse() || asks)
                m_seen.append({testClock.elapsed(), datagram.senderAddress().toString(),
                               static_cast<int>(datagram.interfaceIndex()), message.isResponse()});
        }
    }

    QUdpSocket m_socket;
    QList<Seen> m_seen;
};

// Sends count answers naming cameras nobody has heard of ("Forged_<n>") to the
// mDNS group from inside the namespace ns, from the given addresses in turn,
// one round of addresses every roundMs; returns how many left. A thread of its
// own joins the namespace (setns moves only the calling thread) while the test
// keeps taking signals.
int forgeAnswers(const QString &ns, const QStringList &from, int count, int roundMs) {
    const auto send = [&] {
        const int nsFd = ::open(QFile::encodeName(QStringLiteral("/run/netns/") + ns).constData(),
                                O_RDONLY | O_CLOEXEC);
        const bool entered = nsFd >= 0 && ::setns(nsFd, CLONE_NEWNET) == 0;
        ::close(nsFd);
        if (!entered)
            return -1;
        // A socket that failed to bind or pick its interface shows in the count.
        std::vector<int> sockets;
        for (const QString &address : from) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, address.toLatin1().constData(), &local.sin_addr);
            sockets.push_back(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
            ::bind(sockets.back(), reinterpret_cast<const sockaddr *>(&local), sizeof local);
            ::setsockopt(sockets.back(), IPPROTO_IP, IP_MULTICAST_IF, &local.sin_addr,
                         sizeof local.sin_addr);
        }
        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = htons(MdnsCodec::MdnsPort);
        ::inet_pton(AF_INET, "224.0.0.251", &group.sin_addr);
        int sent = 0;
        for (int n = 0; n < count; ++n) {
            const std::size_t k = static_cast<std::size_t>(n) % sockets.size();
            if (n > 0 && k == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(roundMs));
            MdnsCodec::Message answer;
            answer.setResponse(true);
            answer.addRecord({mDNS::serviceName, MdnsCodec::TypePtr,
                              QStringLiteral("Forged_%1.").arg(n) + mDNS::serviceName});
            const QByteArray packet = MdnsCodec::toPacket(answer);
            if (::sendto(sockets[k], packet.constData(), static_cast<std::size_t>(packet.size()), 0,
                         reinterpret_cast<const sockaddr *>(&group), sizeof group) == packet.size())
                ++sent;
        }
        for (int fd : sockets)
            ::close(fd);
        return sent;
    };
    std::atomic<int> sent = -2;
    std::thread sender([&] { sent = send(); });
    // The sending ends by itself; the wait only keeps the test's events flowing.
    (void)QTest::qWaitFor([&] { return sent != -2; }, 60000);
    sender.join();
    return sent;
}

class MdnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_LAB();
        testClock.start();
        {
            QMutexLocker lock(&logMutex);
            logLines.clear();
        }
        qInstallMessageHandler(captureLog);
        ASSERT_TRUE(probe.open());
        eth0 = QNetworkInterface::interfaceIndexFromName(QStringLiteral("eth0"));
        ASSERT_GT(eth0, 0);
    }

    void TearDown() override {
        stopDiscovery();
        for (ChildProcess &camera : cameras)
            camera.terminate();
        for (auto it = undo.crbegin(); it != undo.crend(); ++it)
            EXPECT_TRUE(ip(*it)) << it->join(u' ').toStdString();
        qInstallMessageHandler(nullptr);
        if (HasFailure()) {
            QMutexLocker lock(&logMutex);
            for (const Stamped &line : std::as_const(logLines))
                fprintf(stderr, "%6lld %s\n", line.ms, qPrintable(line.text));
        }
    }

    // Camera k (1 or 2) with uid "Torvi_" + its --uid.
    bool startCamera(int k) {
        const QStringList command = {QStringLiteral(TORVI_SIM), "--address",
                                     testLab().cameraAddress(k), "--uid",
                                     k == 1 ? "A1B2C3D4" : "E5F6A7B8"};
        return cameras[k - 1].start(testLab().execArgs(QStringLiteral("cam%1").arg(k), command)) &&
               cameras[k - 1].waitForOutput(QStringLiteral("ready http="), 10000);
    }
    bool control(int k, const QString &command) {
        return cameras[k - 1].write(command.toUtf8()) &&
               cameras[k - 1].waitForOutput(QStringLiteral("ok ") + command, 5000);
    }

    // As the program wires it: own thread, onRun queued, signals queued.
    void startDiscovery(int cycleWaitMs) {
        mdns = new mDNS(cycleWaitMs);
        thread.setObjectName(QStringLiteral("mdns"));
        mdns->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, mdns, &QObject::deleteLater);
        QObject::connect(
            mdns, &mDNS::sigMdnsAdd, &receiver,
            [this](const QString &uID, const QString &address) {
                events.append({testClock.elapsed(), QStringLiteral("add %1 %2").arg(uID, address)});
            },
            Qt::QueuedConnection);
        QObject::connect(
            mdns, &mDNS::sigMdnsRemove, &receiver,
            [this](const QString &uID) {
                events.append({testClock.elapsed(), QStringLiteral("remove ") + uID});
            },
            Qt::QueuedConnection);
        thread.start();
        QMetaObject::invokeMethod(mdns, &mDNS::onRun, Qt::QueuedConnection);
    }
    void stopDiscovery() {
        if (!mdns)
            return;
        mdns->stop();
        thread.quit();
        thread.wait();
        mdns = nullptr;
    }

    int count(const QString &event) const {
        return static_cast<int>(std::count_if(events.cbegin(), events.cend(),
                                              [&](const Stamped &e) { return e.text == event; }));
    }
    qint64 eventAt(const QString &event) const {
        for (const Stamped &e : events) {
            if (e.text == event)
                return e.ms;
        }
        return never;
    }
    bool waitForEvent(const QString &event, int timeoutMs) {
        return QTest::qWaitFor([&] { return eventAt(event) != never; }, timeoutMs);
    }
    bool waitForQueries(qsizetype n, int interfaceIndex, qint64 from, int timeoutMs) {
        return QTest::qWaitFor([&] { return probe.queries(interfaceIndex, from).size() >= n; },
                               timeoutMs);
    }

    Probe probe;
    int eth0 = 0;
    ChildProcess cameras[2];
    QList<QStringList> undo; // ip commands that put the lab back, run in reverse
    QThread thread;
    mDNS *mdns = nullptr; // lives on thread, deleted when it finishes
    QObject receiver;
    QList<Stamped> events; // "add UID IP", "remove UID"
};

TEST_F(MdnsTest, AnsweringCameraIsReportedOnceAndASilentOneIsDroppedInThe41stCycle) {
    ASSERT_TRUE(startCamera(1)) << cameras[0].describe().toStdString();
    ASSERT_TRUE(startCamera(2)) << cameras[1].describe().toStdString();
    const QString ip1 = testLab().cameraAddress(1);
    const QString ip2 = testLab().cameraAddress(2);
    startDiscovery(mDNS::defaultCycleWaitMs);

    // Both answer the query of the first cycle.
    ASSERT_TRUE(waitForEvent(QStringLiteral("add %1 %2").arg(uid1, ip1), 3000));
    ASSERT_TRUE(waitForEvent(QStringLiteral("add %1 %2").arg(uid2, ip2), 3000));
    const qint64 added = testClock.elapsed();

    // Follow camera 2's countdown through every cycle from its last answer.
    QList<int> ttls;
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const MdnsEntry entry = mdns->getEntry(uid2);
        const int ttl = entry.uID.isEmpty() ? -1 : entry.ttl;
        if (ttls.isEmpty() || ttls.last() != ttl)
            ttls << ttl;
        if (ttl == -1)
            sampler.stop();
    });
    sampler.start(5);
    ASSERT_TRUE(control(2, QStringLiteral("mdns off")));
    ASSERT_EQ(probe.answers(ip2).size(), 1);
    const qint64 lastAnswer = probe.answers(ip2).constLast();

    ASSERT_TRUE(waitForEvent(QStringLiteral("remove ") + uid2, 12000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sampler.isActive(); }, 1000));
    QList<int> expected;
    for (int ttl = 40; ttl >= 0; --ttl)
        expected << ttl;
    expected << -1; // gone in the ageing step after the one that reached 0
    EXPECT_EQ(ttls, expected);
    const qint64 silentFor = eventAt(QStringLiteral("remove ") + uid2) - lastAnswer;
    EXPECT_GE(silentFor, 7900) << "41 cycles of 200 ms";
    EXPECT_LE(silentFor, 9500);

    // Watch camera 1 for more than 50 cycles: the 6th query goes out in cycle 56.
    ASSERT_TRUE(waitForQueries(6, eth0, 0, 15000));
    EXPECT_GE(testClock.elapsed() - added, 50 * mDNS::defaultCycleWaitMs);
    const QList<qint64> queries = probe.queries(eth0);
    for (qsizetype i = 1; i < queries.size(); ++i) {
        EXPECT_GE(queries[i] - queries[i - 1], 2150) << "a query every 11th cycle";
        EXPECT_LE(queries[i] - queries[i - 1], 2380) << "a query every 11th cycle";
    }
    // The answer to the 6th query may still be on its way when the query is seen.
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.answers(ip1).size() >= 6; }, 1000))
        << probe.answers(ip1).size();
    EXPECT_EQ(probe.answers(ip2).size(), 1);
    EXPECT_EQ(count(QStringLiteral("add %1 %2").arg(uid1, ip1)), 1);
    EXPECT_EQ(count(QStringLiteral("remove ") + uid1), 0);
    EXPECT_EQ(count(QStringLiteral("add %1 %2").arg(uid2, ip2)), 1);
    EXPECT_EQ(count(QStringLiteral("remove ") + uid2), 1);
    EXPECT_EQ(events.size(), 3);
    const MdnsEntry kept = mdns->getEntry(uid1);
    EXPECT_EQ(kept.ip, ip1);
    EXPECT_GE(kept.ttl, mDNS::entryTtl - mDNS::queryEvery) << "refreshed in every query cycle";
}

TEST_F(MdnsTest, ChangedAddressIsKeptUntilRemoveEntryAndQueryNowReportTheCameraAgainAtOnce) {
    const QString ns = testLab().namespaceName(QStringLiteral("cam1"));
    const QString ip1 = testLab().cameraAddress(1);
    ASSERT_TRUE(ip({"-n", ns, "addr", "add", extraAddress + "/24", "dev", "eth0"}));
    undo << QStringList{"-n", ns, "addr", "del", extraAddress + "/24", "dev", "eth0"};
    ASSERT_TRUE(startCamera(1)) << cameras[0].describe().toStdString();
    startDiscovery(mDNS::defaultCycleWaitMs);
    ASSERT_TRUE(waitForEvent(QStringLiteral("add %1 %2").arg(uid1, ip1), 3000));

    ASSERT_TRUE(control(1, QStringLiteral("mdns-address ") + extraAddress));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !probe.answers(extraAddress).isEmpty(); }, 4000));
    // Ten cycles after the first answer the countdown was at 30.
    ASSERT_TRUE(QTest::qWaitFor([&] { return mdns->getEntry(uid1).ttl >= 38; }, 1000));
    EXPECT_EQ(mdns->getEntry(uid1).ip, ip1);
    EXPECT_EQ(events.size(), 1);

    // Right after a query cycle: the next regular query is ten cycles away.
    mdns->removeEntry(uid1);
    mdns->queryNow();
    const qint64 removed = testClock.elapsed();
    EXPECT_TRUE(mdns->getEntry(uid1).uID.isEmpty());
    ASSERT_TRUE(waitForEvent(QStringLiteral("add %1 %2").arg(uid1, extraAddress), 3000));
    EXPECT_LT(eventAt(QStringLiteral("add %1 %2").arg(uid1, extraAddress)) - removed, 1000);
    EXPECT_EQ(count(QStringLiteral("remove ") + uid1), 0) << "removeEntry emits nothing";
    EXPECT_EQ(mdns->getEntry(uid1).ip, extraAddress);
}

// The new interface carries eth0's hardware address, as a VLAN sub-interface
// of eth0 would.
TEST_F(MdnsTest, NewInterfaceIsJoinedInTheNextQueryCycleAndLeftWhenItGoesButLoopbackNeverIs) {
    constexpr int cycleMs = 100;
    constexpr int halfCycle = cycleMs / 2;
    // Loopback can multicast here, so only its being loopback keeps it out.
    ASSERT_TRUE(ip({"link", "set", "lo", "multicast", "on"}));
    undo << QStringList{"link", "set", "lo", "multicast", "off"};
    // A veth whose other end waits unplugged in the switch's namespace: a
    // link with carrier that leads nowhere.
    const QString sw = testLab().namespaceName(QStringLiteral("sw"));
    ASSERT_TRUE(
        ip({"link", "add", extraIf, "type", "veth", "peer", "name", extraIf + "p", "netns", sw}));
    undo << QStringList{"link", "del", extraIf}; // the test deletes it, unless it fails first
    ASSERT_TRUE(ip({"-n", sw, "link", "set", extraIf + "p", "up"}));
    const QString eth0Hardware =
        QNetworkInterface::interfaceFromName(QStringLiteral("eth0")).hardwareAddress();
    ASSERT_FALSE(eth0Hardware.isEmpty());
    ASSERT_TRUE(ip({"link", "set", extraIf, "address", eth0Hardware}));
    ASSERT_TRUE(ip({"addr", "add", extraIfAddress + "/24", "dev", extraIf}));
    const int extraIndex = QNetworkInterface::interfaceIndexFromName(extraIf);
    ASSERT_GT(extraIndex, 0);

    startDiscovery(cycleMs);
    ASSERT_TRUE(waitForLog(QStringLiteral("UDP join mdns success>> name: eth0"), 3000));
    // Two query cycles see the interface down: no join.
    ASSERT_TRUE(waitForQueries(2, eth0, 0, 3000));
    EXPECT_EQ(loggedAt(QStringLiteral("name: ") + extraIf), never);

    ASSERT_TRUE(ip({"link", "set", extraIf, "up"}));
    const qint64 up = testClock.elapsed();
    ASSERT_TRUE(waitForLog(QStringLiteral("UDP join mdns success>> name: ") + extraIf, 3000));
    const qint64 joined = loggedAt(QStringLiteral("UDP join mdns success>> name: ") + extraIf);
    EXPECT_NE(loggedAt(QStringLiteral(" addr: ") + extraIfAddress), never);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !probe.queries(extraIndex).isEmpty(); }, 3000));
    ASSERT_TRUE(waitForQueries(2, eth0, up, 1000));
    const QList<qint64> afterUp = probe.queries(eth0, up);
    EXPECT_LE(qAbs(joined - afterUp[0]), halfCycle) << "joined in the first query cycle";
    EXPECT_LE(qAbs(probe.queries(extraIndex).constFirst() - afterUp[1]), halfCycle)
        << "queried from the next one";

    ASSERT_TRUE(ip({"link", "del", extraIf}));
    undo.removeLast();
    const qint64 deleted = testClock.elapsed();
    ASSERT_TRUE(
        waitForLog(QStringLiteral("UDP remove network interface from mdns:  ") + extraIf, 3000));
    EXPECT_NE(loggedAt(QStringLiteral("remove network ip:  ") + extraIfAddress), never);
    const qint64 left =
        loggedAt(QStringLiteral("UDP remove network interface from mdns:  ") + extraIf);
    EXPECT_TRUE(probe.queries(eth0, deleted, left - halfCycle).isEmpty())
        << "left in the first query cycle";

    EXPECT_EQ(loggedAt(QStringLiteral("UDP join mdns success>> name: lo")), never);
    EXPECT_EQ(loggedAt(QStringLiteral("UDP send error!")), never);
    EXPECT_EQ(loggedAt(QStringLiteral("faild")), never);
}

// 3000 answers naming new cameras come from 32 addresses of one host, about
// 31 a second from each, while a real camera answers the queries: each sender
// gets its ten a second into the table, the rest are counted in a bounded
// number of log lines, the table never holds more than its cap, and the real
// camera is reported during the flood and reported as seen after it.
TEST_F(MdnsTest, ForgedAnswerFloodIsLimitedPerSenderAndCannotGrowTheTable) {
    constexpr int senders = 32;
    constexpr int forged = 3000;
    constexpr int roundMs = 32;
    const QString ns2 = testLab().namespaceName(QStringLiteral("cam2"));
    QStringList from;
    for (int k = 0; k < senders; ++k) {
        from << QStringLiteral("10.77.0.%1").arg(130 + k);
        ASSERT_TRUE(ip({"-n", ns2, "addr", "add", from.last() + "/24", "dev", "eth0"}));
        undo << QStringList{"-n", ns2, "addr", "del", from.last() + "/24", "dev", "eth0"};
    }
    ASSERT_TRUE(startCamera(1)) << cameras[0].describe().toStdString();
    const QString ip1 = testLab().cameraAddress(1);
    startDiscovery(mDNS::defaultCycleWaitMs);
    QList<QStringList> seenReports;
    QObject::connect(
        mdns, &mDNS::sigMdnsSeen, &receiver, [&](const QStringList &uIDs) { seenReports << uIDs; },
        Qt::QueuedConnection);

    const qint64 began = testClock.elapsed();
    ASSERT_EQ(forgeAnswers(ns2, from, forged, roundMs), forged);
    const qint64 ended = testClock.elapsed();
    // The real camera, heard during the flood (its entry may have been pushed
    // out and come back), is known again after the next query and reported
    // as answering again.
    EXPECT_LT(eventAt(QStringLiteral("add %1 %2").arg(uid1, ip1)), ended);
    EXPECT_TRUE(QTest::qWaitFor([&] { return mdns->getEntry(uid1).ip == ip1; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return std::any_of(seenReports.cbegin(), seenReports.cend(),
                               [](const QStringList &uIDs) { return uIDs.contains(uid1); });
        },
        5000));
    QTest::qWait(1500); // the last second's drop lines

    QMap<QString, int> accepted;
    int live = 0;
    int mostLive = 0;
    for (const Stamped &event : std::as_const(events)) {
        if (event.text.startsWith(QStringLiteral("add "))) {
            ++live;
            ++accepted[event.text.section(u' ', 2)];
        } else {
            --live;
        }
        mostLive = qMax(mostLive, live);
    }
    EXPECT_LE(mostLive, mDNS::maxEntries);
    const int windows = static_cast<int>((ended - began) / 1000) + 2;
    int acceptedForged = 0;
    for (const QString &sender : std::as_const(from)) {
        EXPECT_LE(accepted.value(sender), mDNS::maxAnswersPerSender * windows)
            << sender.toStdString();
        acceptedForged += accepted.value(sender);
    }
    EXPECT_GE(acceptedForged, senders * mDNS::maxAnswersPerSender)
        << "each sender's first answers of a second still count";

    // Per sender: "mdns: N answers from 10.77.0.1xx dropped: more than 10 a second".
    const QRegularExpression dropLine(QStringLiteral("mdns: (\\d+) answers from (.*) dropped"));
    int dropLines = 0;
    qint64 dropped = 0;
    bool namesSender = false;
    QMutexLocker lock(&logMutex);
    for (const Stamped &line : std::as_const(logLines)) {
        const QRegularExpressionMatch match = dropLine.match(line.text);
        if (!match.hasMatch())
            continue;
        ++dropLines;
        dropped += match.captured(1).toLongLong();
        namesSender = namesSender || (from.contains(match.captured(2)) &&
                                      line.text.endsWith(QStringLiteral(" more than 10 a second")));
    }
    EXPECT_TRUE(namesSender);
    EXPECT_LE(dropLines, (mDNS::maxDropLines + 2) * windows) << "log output stays bounded";
    EXPECT_LE(acceptedForged + dropped, forged);
    EXPECT_GE(acceptedForged + dropped, forged * 9 / 10) << "dropped answers are counted";
}

} // namespace
