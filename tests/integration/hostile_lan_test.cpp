// KestraLive on a LAN with a hostile host: while it keeps a camera (a returning user's, in the
// camera namespace cam1), kestra-lanflood floods it from the camera's own address and from a
// stranger's (cam2): event records made of nothing but commas, piles of idle connections,
// forged mDNS answers. Each flood is counted and time-limited. The program must keep polling
// its camera every two seconds and stay bounded in log size, memory and descriptors; the
// figures before and after each flood are printed for the record.
#include "support/kestraliverig.h"
#include "support/netlabmain.h"
#include "support/simulatedcamera.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <cstdio>

namespace {

const QString program = QStringLiteral(KESTRA_LIVE);
const QString flooder = QStringLiteral(KESTRA_LANFLOOD);
const QString camera = QStringLiteral("Torvi_CAM1");
const QString pollRequest = QStringLiteral("request /cgi-bin/hisnet/getbatterycapacity.cgi");

struct Figures {
    qint64 logBytes = 0;
    qint64 rssKb = 0;
    int descriptors = 0;
    qint64 longestPollGapMs = 0; // while the flood ran
};

class HostileLanTest : public ::testing::Test, protected KestraLiveRig {
protected:
    void SetUp() override {
        REQUIRE_TEST_LAB();
        ASSERT_TRUE(setUpRig(QStringLiteral("13800000000")));
        returningUser(1, camera, cameraIp());
        ASSERT_TRUE(
            sim.start(testLab(), QStringLiteral("cam1"), cameraIp(), QStringLiteral("CAM1")));
        ASSERT_TRUE(live.start(program, {}, environment()));
        // Polled, and registered with: the camera's events reach us from here on.
        ASSERT_TRUE(waitForLog(QStringLiteral("set listen ip>> success!")))
            << qPrintable(logText());
        clock.start();
    }

    QString cameraIp() const { return testLab().cameraAddress(1); }
    QString strangerIp() const { return testLab().cameraAddress(2); }

    Figures snapshot() const {
        Figures figures;
        figures.logBytes = logBytes();
        QFile status(QStringLiteral("/proc/%1/status").arg(live.pid()));
        if (status.open(QIODevice::ReadOnly))
            figures.rssKb = QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+)"))
                                .match(QString::fromLatin1(status.readAll()))
                                .captured(1)
                                .toLongLong();
        figures.descriptors =
            static_cast<int>(QDir(QStringLiteral("/proc/%1/fd").arg(live.pid()))
                                 .entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)
                                 .size());
        return figures;
    }

    // Stamps each poll the camera receives as it arrives (the test's clock, read every 20 ms).
    void stampPolls() {
        const qsizetype count = sim.process().standardOutput().count(pollRequest);
        for (; seenPolls < count; ++seenPolls)
            pollTimes.append(clock.elapsed());
    }
    qint64 longestPollGapSince(qint64 fromMs) const {
        qint64 longest = 0;
        qint64 previous = fromMs;
        for (const qint64 at : pollTimes) {
            if (at < fromMs)
                continue;
            longest = qMax(longest, at - previous);
            previous = at;
        }
        return qMax(longest, clock.elapsed() - previous);
    }

    // Runs one flood from host to its end (then settleMs more), stamping polls meanwhile.
    Figures flood(const QString &host, const QStringList &args, QString *figuresLine,
                  int settleMs = 3000) {
        const qint64 from = clock.elapsed();
        ChildProcess child;
        EXPECT_TRUE(child.start(testLab().execArgs(host, QStringList{flooder} + args)));
        // The camera's output is read while the event loop runs, so wait in it.
        while (child.isRunning()) {
            QTest::qWait(20);
            stampPolls();
        }
        child.waitForExit(1000);
        EXPECT_EQ(child.exitCode(), 0) << qPrintable(child.describe());
        *figuresLine = child.standardOutput().trimmed();
        const qint64 settleUntil = clock.elapsed() + settleMs;
        while (clock.elapsed() < settleUntil) {
            QTest::qWait(20);
            stampPolls();
        }
        Figures after = snapshot();
        after.longestPollGapMs = longestPollGapSince(from);
        return after;
    }

    static void report(const char *what, const QString &sent, const Figures &before,
                       const Figures &after) {
        std::printf("flood figures: %s (%s): log %lld -> %lld bytes, memory %lld -> %lld kB, "
                    "descriptors %d -> %d, longest poll gap %lld ms\n",
                    what, qPrintable(sent), before.logBytes, after.logBytes, before.rssKb,
                    after.rssKb, before.descriptors, after.descriptors, after.longestPollGapMs);
    }

    SimulatedCamera sim;
    ChildProcess live;
    QElapsedTimer clock;
    QList<qint64> pollTimes;
    qsizetype seenPolls = 0;
};

TEST_F(HostileLanTest, FloodsCostBoundedLogMemoryAndDescriptorsAndThePollsKeepTheirPeriod) {
    // A quiet spell first: the period the polls keep without a flood.
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 6000) {
        QTest::qWait(20);
        stampPolls();
    }
    const Figures start = snapshot();
    ASSERT_GE(pollTimes.size(), 2) << qPrintable(sim.process().standardOutput());

    // 4 MB of records made of nothing but commas, from the camera's own address.
    QString sent;
    const Figures events =
        flood(QStringLiteral("cam1"),
              {QStringLiteral("events"), QStringLiteral("--to"), testLab().pcAddress(),
               QStringLiteral("--from"), cameraIp(), QStringLiteral("--bytes"),
               QStringLiteral("4194304"), QStringLiteral("--max-seconds"), QStringLiteral("60")},
              &sent);
    report("event records", sent, start, events);
    EXPECT_TRUE(sent.contains(QStringLiteral("bytes=4194304"))) << qPrintable(sent);
    EXPECT_LT(events.logBytes - start.logBytes, 1024 * 1024);
    EXPECT_LT(events.longestPollGapMs, 3500);

    // 1100 idle connections from a host that is no camera: each closed at once, named once.
    const Figures strangers =
        flood(QStringLiteral("cam2"),
              {QStringLiteral("idle"), QStringLiteral("--to"), testLab().pcAddress(),
               QStringLiteral("--connections"), QStringLiteral("1100"), QStringLiteral("--hold"),
               QStringLiteral("3")},
              &sent);
    report("idle connections from a stranger", sent, events, strangers);
    EXPECT_TRUE(sent.contains(QStringLiteral("still-open=0"))) << qPrintable(sent);
    EXPECT_EQ(logText().count(QStringLiteral("connections from ") + strangerIp() +
                              QStringLiteral(" are closed at once")),
              1);
    EXPECT_LT(strangers.longestPollGapMs, 3500);

    // 1100 idle connections from the camera's address: at most 32 are kept.
    const Figures piled =
        flood(QStringLiteral("cam1"),
              {QStringLiteral("idle"), QStringLiteral("--to"), testLab().pcAddress(),
               QStringLiteral("--from"), cameraIp(), QStringLiteral("--connections"),
               QStringLiteral("1100"), QStringLiteral("--hold"), QStringLiteral("3")},
              &sent);
    report("idle connections from the camera's address", sent, strangers, piled);
    const qsizetype stillOpen =
        QRegularExpression(QStringLiteral("still-open=(\\d+)")).match(sent).captured(1).toInt();
    EXPECT_LE(stillOpen, 32) << qPrintable(sent);
    EXPECT_LT(piled.logBytes - strangers.logBytes, 64 * 1024);
    EXPECT_LT(piled.longestPollGapMs, 3500);
    for (const Figures *after : {&strangers, &piled})
        EXPECT_LT(after->descriptors, start.descriptors + 48);

    // 3000 forged mDNS answers, each naming another camera.
    const Figures forged =
        flood(QStringLiteral("cam2"),
              {QStringLiteral("mdns"), QStringLiteral("--answers"), QStringLiteral("3000"),
               QStringLiteral("--per-second"), QStringLiteral("600")},
              &sent);
    report("forged mDNS answers", sent, piled, forged);
    EXPECT_LE(logText().count(QStringLiteral("mdns found new device:")), 256);
    EXPECT_LT(forged.rssKb - start.rssKb, 20 * 1024);
    EXPECT_LT(forged.longestPollGapMs, 3500);

    // Through it all the camera stayed connected.
    EXPECT_FALSE(logText().contains(QStringLiteral("history device offline")))
        << qPrintable(logText().right(4000));
    live.terminate();
    ASSERT_TRUE(live.waitForExit(10000));
}

} // namespace
