#include "device/inifile.h"
#include "main/runloop.h"
#include "support/logcapture.h"
#include "support/qtprint.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QStringList>

#include <deque>

namespace {

// Records every call of the loop on its parts, in order, as one journal.
struct Journal {
    QStringList calls;
    void add(const QString &call) { calls << call; }
    int count(const QString &call) const { return calls.count(call); }
};

class ScriptedSignIn : public SignInSide {
public:
    explicit ScriptedSignIn(Journal &journal) : m_journal(journal) {}
    std::deque<bool> results{true};
    bool runModal() override {
        m_journal.add(QStringLiteral("signIn"));
        const bool result = results.empty() ? false : results.front();
        if (!results.empty())
            results.pop_front();
        return result;
    }
    void quit() override { m_journal.add(QStringLiteral("signIn.quit")); }
    void signOut() override { m_journal.add(QStringLiteral("signIn.signOut")); }
    void resetPage() override { m_journal.add(QStringLiteral("signIn.resetPage")); }
    void startInstaller() override { m_journal.add(QStringLiteral("signIn.startInstaller")); }

private:
    Journal &m_journal;
};

class ScriptedChooser : public WorkModeChooser {
public:
    explicit ScriptedChooser(Journal &journal) : m_journal(journal) {}
    bool chooses = true;
    bool registrationSucceeds = true;
    bool runModal() override {
        m_journal.add(QStringLiteral("chooser"));
        return chooses;
    }
    bool registerSingleMode() override {
        m_journal.add(QStringLiteral("registerSingle"));
        return registrationSucceeds;
    }
    bool registerMultiMode() override {
        m_journal.add(QStringLiteral("registerMulti"));
        return registrationSucceeds;
    }

private:
    Journal &m_journal;
};

class ScriptedAudio : public AudioBridge {
public:
    explicit ScriptedAudio(Journal &journal) : m_journal(journal) {}
    void start() override { m_journal.add(QStringLiteral("audio.start")); }
    void stop() override { m_journal.add(QStringLiteral("audio.stop")); }

private:
    Journal &m_journal;
};

class ScriptedPass : public TrayPass {
public:
    ScriptedPass(Journal &journal, int mode) : m_journal(journal) {
        m_journal.add(QStringLiteral("pass(%1)").arg(mode));
    }
    ~ScriptedPass() override { m_journal.add(QStringLiteral("~pass")); }
    void hideAndExit() override { m_journal.add(QStringLiteral("hideAndExit")); }
    void quitLogin() override { m_journal.add(QStringLiteral("quitLogin")); }

private:
    Journal &m_journal;
};

class ScriptedTray : public TrayHost {
public:
    explicit ScriptedTray(Journal &journal) : m_journal(journal) {}
    std::deque<int> exitCodes;
    // Runs inside the event loop, before the code is returned: stands for the
    // windows changing settings while the tray runs.
    std::function<void(int code)> whileRunning;
    std::unique_ptr<TrayPass> createPass(int workMode) override {
        return std::make_unique<ScriptedPass>(m_journal, workMode);
    }
    int exec() override {
        const int code = exitCodes.front();
        exitCodes.pop_front();
        if (whileRunning)
            whileRunning(code);
        m_journal.add(QStringLiteral("exit %1").arg(code));
        return code;
    }

private:
    Journal &m_journal;
};

class RunLoopTest : public ::testing::Test {
protected:
    RunLoopTest() : settings(root.configRoot()) {
        settings.setWorkModeSelect(false); // a returning user unless a test says otherwise
    }
    int run() { return RunLoop(settings, signIn, chooser, audio, tray).run(); }

    TempConfigRoot root;
    IniFile settings;
    Journal journal;
    ScriptedSignIn signIn{journal};
    ScriptedChooser chooser{journal};
    ScriptedAudio audio{journal};
    ScriptedTray tray{journal};
};

TEST_F(RunLoopTest, QuitEndsWithCodeZeroAndStopsAudioOnce) {
    tray.exitCodes = {0};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(journal.calls,
              QStringList({"signIn", "audio.start", "pass(0)", "exit 0", "~pass", "audio.stop"}));
}

TEST_F(RunLoopTest, ModeSwitchRebuildsTheTrayWithoutSigningInAgain) {
    settings.setWorkMode(1);
    tray.exitCodes = {773, 773, 0};
    tray.whileRunning = [this](int code) {
        if (code == 773) { // the user picked the other mode
            settings.setWorkMode(settings.workMode() == 1 ? 0 : 1);
            settings.setWorkModeSwitch(true);
            settings.setDeviceValue(QStringLiteral("Torvi_1/name"), QStringLiteral("cam"));
            settings.setVCamera(1, QStringLiteral("10.77.0.20"));
        }
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(journal.calls,
              QStringList({"signIn", "audio.start", "pass(1)", "exit 773", "~pass",
                           "registerSingle", "pass(0)", "exit 773", "~pass", "registerMulti",
                           "pass(1)", "exit 0", "~pass", "audio.stop"}));
    EXPECT_FALSE(settings.workModeSwitch());
    EXPECT_TRUE(settings.deviceGroups().isEmpty());
    EXPECT_EQ(settings.getVCamera(1), QString());
}

TEST_F(RunLoopTest, FailedSwitchStoresTheOtherModeAndKeepsTheRecords) {
    for (const int target : {1, 0}) {
        journal.calls.clear();
        settings.setWorkMode(target);
        settings.setWorkModeSwitch(true);
        settings.setDeviceValue(QStringLiteral("Torvi_1/name"), QStringLiteral("cam"));
        chooser.registrationSucceeds = false;
        signIn.results = {true};
        tray.exitCodes = {0};
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(settings.workMode(), 1 - target);
        EXPECT_FALSE(settings.workModeSwitch());
        EXPECT_TRUE(journal.calls.contains(QStringLiteral("pass(%1)").arg(1 - target)));
        EXPECT_EQ(settings.deviceValue(QStringLiteral("Torvi_1/name")), "cam");
    }
}

TEST_F(RunLoopTest, SignOutSignsInAgainWithoutASecondAudioStart) {
    signIn.results = {true, true};
    tray.exitCodes = {537, 0};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(journal.calls,
              QStringList({"signIn", "audio.start", "pass(0)", "exit 537", "quitLogin",
                           "signIn.signOut", "signIn.resetPage", "~pass", "signIn", "pass(0)",
                           "exit 0", "~pass", "audio.stop"}));
}

TEST_F(RunLoopTest, CancelledSignInAfterSignOutReturnsMinusOneAndStillStopsAudio) {
    signIn.results = {true, false};
    tray.exitCodes = {537};
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(journal.count(QStringLiteral("audio.start")), 1);
    EXPECT_EQ(journal.calls.last(), "audio.stop");
}

TEST_F(RunLoopTest, CancelledFirstSignInReturnsMinusOneAndStartsNothing) {
    signIn.results = {false};
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(journal.calls, QStringList({"signIn"}));
}

TEST_F(RunLoopTest, FirstRunChoosesAModeAfterClearingRecords) {
    settings.setWorkModeSelect(true);
    settings.setDeviceValue(QStringLiteral("Torvi_1/name"), QStringLiteral("cam"));
    settings.setToken(QStringLiteral("kept"));
    settings.setVCamera(3, QStringLiteral("10.77.0.20"));
    tray.exitCodes = {0};
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(settings.workModeSelect());
    EXPECT_EQ(settings.deviceGroups(), QStringList{QStringLiteral("common")});
    EXPECT_EQ(settings.getToken(), "kept");
    EXPECT_EQ(settings.getVCamera(3), QString());
    EXPECT_EQ(journal.calls.mid(0, 3), QStringList({"signIn", "chooser", "audio.start"}));
}

TEST_F(RunLoopTest, AStoredModeOtherThanSingleOrMultiIsChosenAgainAndSaysWhy) {
    settings.setWorkMode(-7);
    tray.exitCodes = {0};
    LogCapture log;
    run();
    EXPECT_EQ(journal.calls.mid(0, 3), QStringList({"signIn", "chooser", "audio.start"}));
    EXPECT_TRUE(log.hasError(QStringLiteral("config.ini: workMode -7 is neither 0")));
}

TEST_F(RunLoopTest, FailedFirstRunRegistrationTellsSignInToQuit) {
    settings.setWorkModeSelect(true);
    chooser.chooses = false;
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(journal.calls, QStringList({"signIn", "chooser", "signIn.quit"}));
    EXPECT_TRUE(settings.workModeSelect());
}

TEST_F(RunLoopTest, UpdateAndSignInExitsHideTheTrayFirst) {
    tray.exitCodes = {759};
    EXPECT_EQ(run(), 759);
    EXPECT_EQ(journal.calls.mid(3), QStringList({"exit 759", "hideAndExit", "signIn.startInstaller",
                                                 "~pass", "audio.stop"}));

    journal.calls.clear();
    signIn.results = {true};
    tray.exitCodes = {527};
    EXPECT_EQ(run(), 527);
    EXPECT_EQ(journal.calls.mid(3),
              QStringList({"exit 527", "hideAndExit", "~pass", "audio.stop"}));
}

TEST_F(RunLoopTest, UnknownExitCodeEndsLikeQuitAndIsReturnedAsIs) {
    tray.exitCodes = {42};
    EXPECT_EQ(run(), 42);
    EXPECT_EQ(journal.calls.mid(3), QStringList({"exit 42", "~pass", "audio.stop"}));
}

} // namespace
