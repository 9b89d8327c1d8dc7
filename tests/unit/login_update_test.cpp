// The version check and the update download as the user meets them in the
// sign-in window, against a real cloud-sim process on loopback. Each test runs
// in a process of its own.
#include "device/inifile.h"
#include "device/network.h"
#include "login/login.h"
#include "login/progressdialog.h"
#include "login/virtualcamerausage.h"
#include "support/cloudsim.h"
#include "support/logcapture.h"
#include "support/scriptedprompts.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int waitMs = 12000;
const QString newer = QStringLiteral("1.0.35");

class LoginUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(cloud.start()) << qPrintable(cloud.process().describe());
        qputenv("KESTRA_CLOUD_HOST", cloud.host().toLatin1());
        prompts.savePath = downloads.filePath(QStringLiteral("KestraLive_1.0.35.deb"));
    }
    void TearDown() override {
        login.reset();
        cloud.stop();
    }

    void open(bool keepNewest = false) {
        IniFile::getInstance().setKeepNewstVersion(keepNewest);
        login = std::make_unique<Login>(prompts, cameras);
    }
    bool waitForMessage(const QString &title) {
        return QTest::qWaitFor([&] { return prompts.asked(title); }, waitMs);
    }
    int versionQueries() {
        int n = 0;
        for (const CloudSim::Request &r : cloud.requests())
            n += r.path.contains(QStringLiteral("/version/info/"));
        return n;
    }

    TempConfigRoot root;
    CloudSim cloud;
    ScriptedPrompts prompts;
    NoVirtualCameraInUse cameras;
    QTemporaryDir downloads;
    std::unique_ptr<Login> login;
};

TEST_F(LoginUpdateTest, UpToDateAtStartSignsInWithoutQuestionAndSaysSoWhenAskedByHand) {
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return login->isVisible(); }, waitMs));
    EXPECT_TRUE(prompts.messages.isEmpty());
    login->onCheckUpdate();
    ASSERT_TRUE(waitForMessage(QStringLiteral("当前已经是最新版本!")));
    EXPECT_EQ(prompts.messages.last().text, QStringLiteral("当前版本：V1.0.34"));
}

TEST_F(LoginUpdateTest, OptionalUpdateAtStartIsIgnoredWithoutTheKeepNewestPreference) {
    ASSERT_TRUE(cloud.control(QStringLiteral("version optional ") + newer));
    open(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return login->isVisible(); }, waitMs));
    QTest::qWait(300);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(LoginUpdateTest, OptionalUpdateAtStartIsOfferedWithTheKeepNewestPreference) {
    ASSERT_TRUE(cloud.control(QStringLiteral("version optional ") + newer));
    open(true);
    ASSERT_TRUE(waitForMessage(QStringLiteral("发现新版本，可升级!")));
    EXPECT_EQ(prompts.messages.last().text, QStringLiteral("新版本：V1.0.35"));
    EXPECT_EQ(prompts.messages.last().buttons, QStringList({"取消", "立即更新"}));
}

TEST_F(LoginUpdateTest, ForcedUpdateDeclinedQuitsWith527) {
    ASSERT_TRUE(cloud.control(QStringLiteral("version forced ") + newer));
    prompts.answers = {0}; // "下次再说"
    open(false);
    ASSERT_TRUE(waitForMessage(QStringLiteral("当前版本过低")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return login->lastExitCode() == ExitFromLogin; }, waitMs));
}

TEST_F(LoginUpdateTest, UnreachableOrEmptyAnswersAreRetriedOnceThenTheProgramQuits) {
    LogCapture log;
    ASSERT_TRUE(cloud.control(QStringLiteral("version emptyurl ") + newer));
    open();
    ASSERT_TRUE(waitForMessage(QStringLiteral("提示")));
    EXPECT_EQ(prompts.messages.last().text,
              QStringLiteral("可能原因：网络或代理服务器异常，请检查设置后重试"));
    EXPECT_EQ(versionQueries(), 2);
    EXPECT_TRUE(log.hasError(QStringLiteral("request version>>> download url is empty!")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return login->lastExitCode() == ExitFromLogin; }, waitMs));
}

TEST_F(LoginUpdateTest, SilentServiceAtStartTimesOutTwiceAndQuits) {
    ASSERT_TRUE(cloud.control(QStringLiteral("version silent")));
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.asked(QStringLiteral("提示")); }, 15000));
    EXPECT_EQ(versionQueries(), 2);
    EXPECT_EQ(login->lastExitCode(), ExitFromLogin);
}

TEST_F(LoginUpdateTest, DownloadShowsProgressAndACutOffDownloadLeavesNoFileUntilTheRetrySucceeds) {
    LogCapture log;
    ASSERT_TRUE(cloud.control(QStringLiteral("version forced ") + newer));
    ASSERT_TRUE(cloud.control(QStringLiteral("download cut")));
    prompts.answers = {1, 1}; // "立即更新", then "重试" after the failure
    open();
    ASSERT_TRUE(waitForMessage(QStringLiteral("下载失败")));
    ASSERT_EQ(prompts.saveDialogs.size(), 1);
    EXPECT_EQ(prompts.saveDialogs[0].title, QStringLiteral("保存文件"));
    EXPECT_TRUE(prompts.saveDialogs[0].text.endsWith(QStringLiteral("/KestraLive_1.0.35.deb")));
    EXPECT_EQ(prompts.saveDialogs[0].buttons[0], QStringLiteral("file (*.deb);;all files (*.*)"));
    EXPECT_FALSE(QFile::exists(prompts.savePath));
    EXPECT_EQ(QDir(downloads.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);

    // The retry gets the whole file, through the progress dialog.
    ASSERT_TRUE(cloud.control(QStringLiteral("download slow")));
    prompts.answers = {0}; // "下次再说" once it is complete
    ASSERT_TRUE(waitForMessage(QStringLiteral("下载完成")));
    EXPECT_EQ(ProgressDialog::getInstance()->value(), 100);
    EXPECT_FALSE(ProgressDialog::getInstance()->isVisible());
    EXPECT_TRUE(log.contains(QStringLiteral("retry download application file")));
    QFile file(prompts.savePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_GT(file.size(), 0);
    // A forced update postponed after the download still quits.
    EXPECT_TRUE(QTest::qWaitFor([&] { return login->lastExitCode() == ExitFromLogin; }, waitMs));
}

TEST_F(LoginUpdateTest, DownloadWithoutASizeIsKeptWholeAndEndsAtFullProgress) {
    ASSERT_TRUE(cloud.control(QStringLiteral("version optional ") + newer));
    ASSERT_TRUE(cloud.control(QStringLiteral("download nosize")));
    prompts.answers = {1, 0}; // update, then "下次再说" once it is complete
    QList<int> progress;
    QObject context;
    QObject::connect(
        Network::getInstance(), &Network::sigDownloadProgress, &context,
        [&](schar value) { progress.append(value); }, Qt::QueuedConnection);
    open(true);
    ASSERT_TRUE(waitForMessage(QStringLiteral("下载完成")));
    // At the end the received size is the total.
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), 100);
    EXPECT_EQ(ProgressDialog::getInstance()->value(), 100);
    EXPECT_GT(QFileInfo(prompts.savePath).size(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return login->isVisible(); }, waitMs));
}

TEST_F(LoginUpdateTest, UnwritableFolderFailsTheDownloadAndClosingGoesOnWithTheSignIn) {
    LogCapture log;
    ASSERT_TRUE(cloud.control(QStringLiteral("version optional ") + newer));
    prompts.savePath = QStringLiteral("/proc/KestraLive_1.0.35.deb");
    prompts.answers = {1, 0}; // update, then "关闭"
    open(true);
    ASSERT_TRUE(waitForMessage(QStringLiteral("下载失败")));
    EXPECT_TRUE(log.hasError(QStringLiteral("software download>>> error: file open faild!")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return login->isVisible(); }, waitMs));
    EXPECT_EQ(login->lastExitCode(), -1);
}

TEST_F(LoginUpdateTest, InstallerWhoseChecksumDoesNotMatchIsNotKept) {
    LogCapture log;
    ASSERT_TRUE(cloud.control(QStringLiteral("version optional ") + newer));
    ASSERT_TRUE(cloud.control(QStringLiteral("version badsha")));
    prompts.answers = {1, 0};
    open(true);
    ASSERT_TRUE(waitForMessage(QStringLiteral("下载失败")));
    EXPECT_TRUE(log.hasError(QStringLiteral("software download>>> error: sha256 mismatch")));
    EXPECT_EQ(QDir(downloads.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

class EveryVirtualCameraInUse : public VirtualCameraUsage {
public:
    bool anyInUse() const override { return true; }
};

TEST_F(LoginUpdateTest, InstallWithACameraInUseAsksFirstAndAFailedStartKeepsTheProgram) {
    LogCapture log;
    EveryVirtualCameraInUse inUse;
    ASSERT_TRUE(cloud.control(QStringLiteral("version optional ") + newer));
    // Not a program: the start fails.
    prompts.savePath = downloads.filePath(QStringLiteral("installer.run"));
    prompts.answers = {1, 1, 0}; // update, install now, then "取消" the quit
    open(true);
    login->setVirtualCameraUsage(inUse);
    ASSERT_TRUE(waitForMessage(QStringLiteral("确认要退出吗?")));
    EXPECT_EQ(prompts.messages.last().text, QStringLiteral("退出会关闭无线相机的功能"));
    EXPECT_EQ(prompts.messages.last().buttons, QStringList({"取消", "退出"}));
    QTest::qWait(200);
    EXPECT_FALSE(prompts.asked(QStringLiteral("安装失败")));

    login->onCheckUpdate();
    prompts.answers = {1, 1, 1}; // and now quit for the installer
    ASSERT_TRUE(waitForMessage(QStringLiteral("安装失败")));
    EXPECT_TRUE(
        log.hasError(QStringLiteral("automatic installation failure: startDetached error!")));
    EXPECT_EQ(login->lastExitCode(), -1);
    EXPECT_TRUE(QFileInfo(prompts.savePath).permissions().testFlag(QFile::ExeOwner));
    EXPECT_FALSE(QFileInfo(prompts.savePath).permissions().testFlag(QFile::ExeOther));
}

} // namespace
