// KestraLive as a user meets it: a real process with its own settings folder,
// a returning user whose stored tokens sign in silently against cloud-sim.
#include "device/inifile.h"
#include "support/childprocess.h"
#include "support/cloudsim.h"
#include "support/qtprint.h"
#include "support/storedsignin.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

const QString program = QStringLiteral(KESTRA_BINARY_DIR "/src/KestraLive");

const QString account = QStringLiteral("13800000000");

class KestraLiveProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cloud.start({QStringLiteral("--account"), account}));
        storeTokens(cloud.issueTokens(account));
    }

    void storeTokens(const CloudSim::Tokens &tokens) {
        ASSERT_TRUE(storeSignIn(tokens.access, tokens.refresh, root.configRoot()));
    }

    // A user who chose the work mode before: no chooser on start.
    void returningUser(int workMode = 0) {
        QSettings(root.configRoot() + QStringLiteral("/ini/config.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("config/workMode"), workMode);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = root.environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KESTRA_CLOUD_HOST"), cloud.host());
        return env;
    }
    QStringList logFiles() const {
        QStringList files;
        QDirIterator it(root.configRoot() + QStringLiteral("/log"), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }
    QString logText() const {
        QString text;
        for (const QString &path : logFiles()) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                text += QString::fromUtf8(file.readAll());
        }
        return text;
    }
    bool waitForLog(const QString &text) const {
        return QTest::qWaitFor([&] { return logText().contains(text); }, 10000);
    }

    TempConfigRoot root;
    CloudSim cloud;
};

TEST_F(KestraLiveProcessTest, FirstStartSignsInThenWaitsForTheModeChoiceWhichStaysPendingIfQuit) {
    ChildProcess first;
    ASSERT_TRUE(first.start(program, {}, environment()));
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/v1/stream/user/info"), 10000));
    QTest::qWait(500);
    EXPECT_FALSE(logText().contains(QStringLiteral("current workmode : ")));

    first.terminate();
    ASSERT_TRUE(first.waitForExit(10000));
    EXPECT_EQ(first.exitCode(), 255); // -1: no mode, no program
    QSettings config(root.configRoot() + QStringLiteral("/ini/config.ini"), QSettings::IniFormat);
    EXPECT_EQ(config.value(QStringLiteral("config/isFirstInstall")).toString(), "false");
    EXPECT_EQ(config.value(QStringLiteral("config/workModeSelect")).toString(), "true");
    EXPECT_FALSE(config.contains(QStringLiteral("config/workMode")));
    const QString log = logText();
    EXPECT_TRUE(log.contains(QStringLiteral("the config.ini is not exists！")));
    EXPECT_TRUE(log.contains(QStringLiteral("termination requested: quit")));
    EXPECT_TRUE(log.contains(QStringLiteral("regsiter dll error: Timeout or register faild!")));
}

TEST_F(KestraLiveProcessTest, ReturningUserStartsWithFourEmptyCameraAddressesAndRoomForSockets) {
    const QString ini = root.configRoot() + QStringLiteral("/ini/");
    returningUser(1);
    {
        QSettings vconfig(ini + QStringLiteral("VConfig.ini"), QSettings::IniFormat);
        for (int id = 1; id <= 4; ++id)
            vconfig.setValue(QStringLiteral("VCameralist/VCamera%1").arg(id),
                             QStringLiteral("10.77.0.%1").arg(19 + id));
    }

    // Started with a low soft descriptor limit, it raises it to the hard one.
    ChildProcess live;
    ASSERT_TRUE(live.start(QStringLiteral("prlimit"),
                           {QStringLiteral("--nofile=256:4096"), QStringLiteral("--"), program},
                           environment()));
    ASSERT_TRUE(waitForLog(QStringLiteral("current workmode : multi-dev")));
    EXPECT_TRUE(
        logText().contains(QStringLiteral("file descriptor limit raised from 256 to 4096")));
    QSettings vconfig(ini + QStringLiteral("VConfig.ini"), QSettings::IniFormat);
    for (int id = 1; id <= 4; ++id)
        EXPECT_EQ(vconfig.value(QStringLiteral("VCameralist/VCamera%1").arg(id)).toString(), "");
    live.terminate();
    ASSERT_TRUE(live.waitForExit(10000));
}

TEST_F(KestraLiveProcessTest, SecondInstanceExitsMinusOneAndWritesNothing) {
    returningUser();
    ChildProcess first;
    ASSERT_TRUE(first.start(program, {}, environment()));
    ASSERT_TRUE(waitForLog(QStringLiteral("history device sync over")));
    const QStringList filesBefore = logFiles();
    const QString logBefore = logText();

    ChildProcess second;
    ASSERT_TRUE(second.start(program, {}, environment()));
    ASSERT_TRUE(second.waitForExit(10000));
    EXPECT_EQ(second.exitCode(), 255); // -1 as an exit status
    EXPECT_EQ(logFiles(), filesBefore);
    EXPECT_EQ(logText(), logBefore);

    first.terminate();
    ASSERT_TRUE(first.waitForExit(10000));
    EXPECT_EQ(first.exitCode(), 0) << qPrintable(first.describe());

    // The lock died with its holder: a new start runs again.
    ChildProcess third;
    ASSERT_TRUE(third.start(program, {}, environment()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return logFiles().size() == 2; }, 10000));
    third.terminate();
    ASSERT_TRUE(third.waitForExit(10000));
}

TEST_F(KestraLiveProcessTest, KilledInstanceDoesNotLockOutTheNextStart) {
    returningUser();
    ChildProcess first;
    ASSERT_TRUE(first.start(program, {}, environment()));
    ASSERT_TRUE(waitForLog(QStringLiteral("history device sync over")));
    first.kill();
    ASSERT_TRUE(first.waitForExit(10000));

    ChildProcess next;
    ASSERT_TRUE(next.start(program, {}, environment()));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return logText().count(QStringLiteral("history device sync over")) == 2; }, 10000));
    next.terminate();
    ASSERT_TRUE(next.waitForExit(10000));
    EXPECT_EQ(next.exitCode(), 0) << qPrintable(next.describe());
}

// Without a display it says what it needs instead of aborting; --help and --version answer
// anywhere, and none of the three starts the program (no log folder appears).
TEST_F(KestraLiveProcessTest, WithoutADesktopItSaysWhatItNeedsAndHelpAndVersionAnswer) {
    QProcessEnvironment bare = root.environment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QString::fromLatin1(name));
    ChildProcess headless;
    ASSERT_TRUE(headless.start(program, {}, bare));
    ASSERT_TRUE(headless.waitForExit(10000));
    EXPECT_EQ(headless.exitCode(), 1) << qPrintable(headless.describe());
    EXPECT_TRUE(headless.standardError().contains(QStringLiteral("needs a desktop session")));

    for (const QString &option : {QStringLiteral("--version"), QStringLiteral("--help")}) {
        ChildProcess asked;
        ASSERT_TRUE(asked.start(program, {option}, bare));
        ASSERT_TRUE(asked.waitForExit(10000));
        EXPECT_EQ(asked.exitCode(), 0) << qPrintable(asked.describe());
        EXPECT_TRUE(asked.standardOutput().startsWith(option == QLatin1String("--version")
                                                          ? QStringLiteral("KestraLive 1.0.34\n")
                                                          : QStringLiteral("usage: KestraLive")))
            << qPrintable(asked.standardOutput());
    }
    EXPECT_FALSE(QDir(root.configRoot() + QStringLiteral("/log")).exists());

    // The window tools alike: help anywhere, otherwise one line naming what is missing.
    for (const char *tool : {KESTRA_UI_SHOTS, KESTRA_SCREEN_GRAB}) {
        ChildProcess help;
        ASSERT_TRUE(help.start(QString::fromUtf8(tool), {QStringLiteral("--help")}, bare));
        ASSERT_TRUE(help.waitForExit(10000));
        EXPECT_EQ(help.exitCode(), 0) << qPrintable(help.describe());
        EXPECT_TRUE(help.standardOutput().contains(QStringLiteral("Usage:")));
        ChildProcess bareRun;
        ASSERT_TRUE(bareRun.start(QString::fromUtf8(tool), {QStringLiteral("out.png")}, bare));
        ASSERT_TRUE(bareRun.waitForExit(10000));
        EXPECT_EQ(bareRun.exitCode(), 1) << qPrintable(bareRun.describe());
        EXPECT_TRUE(bareRun.standardError().contains(QStringLiteral(": no display: ")))
            << qPrintable(bareRun.describe());
    }
}

} // namespace
