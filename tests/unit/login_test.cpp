// The sign-in window against a real cloud-sim process on loopback: the user's
// clicks and keys on the real widgets (offscreen), what went over the wire as
// cloud-sim logged it, and what ended up in the encrypted token store. Each
// test runs in a process of its own (the engine and the window exist once per
// program).
#include "custom/hintbubble.h"
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
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <zbar.h>

namespace {

const QString phone = QStringLiteral("13800000000");
const QString stranger = QStringLiteral("13900000000");
constexpr int waitMs = 8000;

QJsonObject json(const QString &text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// The text of the first QR code in the picture, "" for none.
QString decodeQRcode(const QImage &picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QByteArray pixels;
    for (int y = 0; y < grey.height(); ++y)
        pixels.append(reinterpret_cast<const char *>(grey.constScanLine(y)), grey.width());
    zbar::ImageScanner scanner;
    scanner.set_config(zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::Image image(grey.width(), grey.height(), "Y800", pixels.constData(), pixels.size());
    if (scanner.scan(image) <= 0)
        return {};
    return QString::fromStdString(image.symbol_begin()->get_data());
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(cloud.start({QStringLiteral("--account"), phone}))
            << qPrintable(cloud.process().describe());
        qputenv("KESTRA_CLOUD_HOST", cloud.host().toLatin1());
    }
    void TearDown() override {
        login.reset();
        cloud.stop();
    }

    // The window as the program builds it; the start-up version check goes out at once.
    void open() {
        login = std::make_unique<Login>(prompts, cameras);
        ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/version/info/1.0.34"), waitMs));
    }
    void openAndWaitForWindow() {
        open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return login->isVisible(); }, waitMs));
    }

    template <typename T> T *child(const char *name) {
        return login->findChild<T *>(QString::fromLatin1(name));
    }
    QString hint() {
        auto *bubble = login->findChild<HintBubble *>();
        return bubble && bubble->isVisible() ? bubble->text() : QString();
    }
    bool waitForHint(const QString &text) {
        return QTest::qWaitFor([&] { return hint() == text; }, waitMs);
    }
    void click(const char *button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void type(const char *field, const QString &text) {
        child<QLineEdit>(field)->clear();
        QTest::keyClicks(child<QLineEdit>(field), text);
    }
    // The code cloud-sim holds for the account now (its answer to "code" comes before its "ok").
    QString codeFor(const QString &account) {
        return cloud.control(QStringLiteral("code ") + account) ? cloud.lastCode(account)
                                                                : QString();
    }
    void runOutCountdown() {
        for (int i = 0; i < 60; ++i)
            login->onTimeoutRequestVerify();
    }
    int countRequests(const QString &pathPart) {
        int n = 0;
        for (const CloudSim::Request &r : cloud.requests())
            n += r.path.contains(pathPart);
        return n;
    }
    QString lastBody(const QString &pathPart) {
        QString body;
        for (const CloudSim::Request &r : cloud.requests())
            if (r.path.contains(pathPart))
                body = r.body;
        return body;
    }

    // Tokens as an earlier sign-in left them.
    void storeTokensOf(const QString &account) {
        const CloudSim::Tokens issued = cloud.issueTokens(account);
        token = issued.access;
        refreshToken = issued.refresh;
        ASSERT_FALSE(token.isEmpty());
        IniFile::getInstance().setToken(token);
        IniFile::getInstance().setRefreshToken(refreshToken);
    }

    TempConfigRoot root;
    CloudSim cloud;
    ScriptedPrompts prompts;
    NoVirtualCameraInUse cameras;
    std::unique_ptr<Login> login;
    QString token;
    QString refreshToken;
};

TEST_F(LoginTest, CodeSignInFromFirstCodeToStoredTokens) {
    openAndWaitForWindow();
    EXPECT_EQ(child<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), "pageTel");

    type("lineAccount", QStringLiteral("1380000"));
    click("btnVerifyCode");
    EXPECT_TRUE(waitForHint(QStringLiteral("请输入正确手机号")));

    // The first code of the run needs no picture check.
    type("lineAccount", phone);
    click("btnVerifyCode");
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/user/send/code"), waitMs));
    EXPECT_EQ(prompts.pictureChecks, 0);
    EXPECT_EQ(json(lastBody(QStringLiteral("/send/code"))),
              QJsonObject({{"type", 3}, {"account", phone}, {"platform_type", 1}}));
    EXPECT_EQ(child<QPushButton>("btnVerifyCode")->text(), QStringLiteral("60S"));
    EXPECT_TRUE(child<QLineEdit>("lineCode")->hasFocus());

    // During the countdown the button does nothing; then it offers to resend.
    click("btnVerifyCode");
    QTest::qWait(300);
    EXPECT_EQ(countRequests(QStringLiteral("/send/code")), 1);
    runOutCountdown();
    EXPECT_EQ(child<QPushButton>("btnVerifyCode")->text(), QStringLiteral("重新发送"));

    // Signing in with another number than the one that got the code.
    type("lineAccount", stranger);
    type("lineCode", QStringLiteral("123456"));
    click("btnLogin");
    EXPECT_TRUE(waitForHint(QStringLiteral("请输入正确手机号")));

    // An unregistered number gets a code but cannot sign in.
    click("btnVerifyCode");
    EXPECT_EQ(prompts.pictureChecks, 1);
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/send/code"), waitMs, 2));
    type("lineCode", codeFor(stranger));
    click("btnLogin");
    EXPECT_TRUE(waitForHint(QStringLiteral("账号未注册")));

    // A failed picture check sends nothing.
    runOutCountdown();
    type("lineAccount", phone);
    prompts.passPicture = false;
    click("btnVerifyCode");
    EXPECT_EQ(prompts.pictureChecks, 2);
    prompts.passPicture = true;
    click("btnVerifyCode");
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/send/code"), waitMs, 3));
    const QString code = codeFor(phone);
    ASSERT_EQ(code.size(), 6);

    type("lineCode",
         code == QStringLiteral("000000") ? QStringLiteral("000001") : QStringLiteral("000000"));
    click("btnLogin");
    EXPECT_TRUE(waitForHint(QStringLiteral("验证码错误")));

    ASSERT_TRUE(cloud.control(QStringLiteral("next login 2001")));
    type("lineCode", code);
    click("btnLogin");
    EXPECT_TRUE(waitForHint(QStringLiteral("登录太频繁请稍后再试")));

    click("btnLogin");
    ASSERT_TRUE(QTest::qWaitFor([&] { return login->isSignedIn(); }, waitMs));
    const QJsonObject sent = json(lastBody(QStringLiteral("/check/code/login")));
    EXPECT_EQ(sent, QJsonObject({{"type", 4},
                                 {"account", phone},
                                 {"check_code", code},
                                 {"app_id", "kestra_pc"},
                                 {"app_type", "pc"}}));

    // Both tokens are in the store, and not as plain text.
    IniFile &settings = IniFile::getInstance();
    const QString stored = settings.getToken();
    EXPECT_EQ(stored.size(), 32);
    EXPECT_FALSE(settings.getRefreshToken().isEmpty());
    QDir ini(root.configRoot() + QStringLiteral("/ini"));
    for (const QString &name : ini.entryList(QDir::Files)) {
        QFile file(ini.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains(stored.toLatin1())) << qPrintable(name);
    }
}

TEST_F(LoginTest, AccountRequestsGoOutAsTheServiceExpectsAndFailuresReachTheRightPlace) {
    LogCapture log;
    openAndWaitForWindow();
    Network *network = Network::getInstance();
    QSignalSpy codeReplies(network, &Network::sigRequestVerifyCode);
    QSignalSpy loginReplies(network, &Network::sigVerifyCodeLogin);

    network->accountRequstVerifyCode(QStringLiteral("someone@example.com"));
    ASSERT_TRUE(codeReplies.wait(waitMs));
    EXPECT_EQ(json(lastBody(QStringLiteral("/send/code"))),
              QJsonObject({{"type", 3}, {"account", "someone@example.com"}, {"platform_type", 2}}));
    ASSERT_TRUE(network->accountVerifyCodeLogin(codeFor(QStringLiteral("someone@example.com"))));
    ASSERT_TRUE(loginReplies.wait(waitMs));
    EXPECT_EQ(json(lastBody(QStringLiteral("/check/code/login"))).value("type").toInt(), 3);

    // Codes of the wrong length never leave the program, nor do they reach the log.
    EXPECT_FALSE(network->accountVerifyCodeLogin(QStringLiteral("12345")));
    EXPECT_FALSE(network->accountVerifyCodeLogin(QStringLiteral("1234567")));
    QTest::qWait(300);
    EXPECT_EQ(countRequests(QStringLiteral("/check/code/login")), 1);
    EXPECT_FALSE(log.contains(QStringLiteral("1234567")));
    EXPECT_TRUE(log.hasError(QStringLiteral("accountVerifyCodeLogin：verify code error！")));

    // An HTTP error with a body is an answer; a service that says nothing is not.
    ASSERT_TRUE(cloud.control(QStringLiteral("next login http500")));
    ASSERT_TRUE(network->accountVerifyCodeLogin(QStringLiteral("123456")));
    ASSERT_TRUE(loginReplies.wait(waitMs));
    EXPECT_EQ(loginReplies.last().at(0).toInt(), 500);
    EXPECT_TRUE(waitForHint(QStringLiteral("登录失败请重试")));

    ASSERT_TRUE(cloud.control(QStringLiteral("next login silent")));
    ASSERT_TRUE(network->accountVerifyCodeLogin(QStringLiteral("123456")));
    EXPECT_FALSE(loginReplies.wait(7000));
    EXPECT_TRUE(log.hasError(QStringLiteral("verify code login>>> SERVER reply error:")));

    // The bare token as Authorization.
    network->accountGetUserInfo(QStringLiteral("abc123"));
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/user/info"), waitMs));
    EXPECT_EQ(cloud.requests().last().auth, QStringLiteral("abc123"));
}

TEST_F(LoginTest, QRcodeSignInFromPictureToConfirmation) {
    openAndWaitForWindow();
    click("btnSwitch");
    EXPECT_EQ(child<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), "pageQR");
    auto *picture = child<QLabel>("labelQR");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picture->pixmap().isNull(); }, waitMs));
    EXPECT_TRUE(
        decodeQRcode(picture->pixmap().toImage()).startsWith(QStringLiteral("kestra-login:")));

    // Two refresh clicks within 3 s send one request.
    click("btnRefreshQR");
    click("btnRefreshQR");
    QTest::qWait(500);
    EXPECT_EQ(countRequests(QStringLiteral("/qrcode/get")), 1);

    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/qrcode/status"), waitMs));
    ASSERT_TRUE(cloud.control(QStringLiteral("qr scan")));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return child<QLabel>("labelQRTip")->text() == "扫码成功"; }, waitMs));
    EXPECT_EQ(child<QPushButton>("btnRefreshQR")->text(), QStringLiteral("请在手机端确认"));

    // Expired: red tip, polling stops; a click on the picture gets a new code.
    ASSERT_TRUE(cloud.control(QStringLiteral("qr expire")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return child<QLabel>("labelQRTip")->text() == "二维码已过期"; }, waitMs));
    EXPECT_TRUE(child<QLabel>("labelQRTip")->styleSheet().contains(QStringLiteral("#E62E31")));
    const int polls = countRequests(QStringLiteral("/qrcode/status"));
    QTest::qWait(2500);
    EXPECT_EQ(countRequests(QStringLiteral("/qrcode/status")), polls);
    QTest::mouseClick(picture, Qt::LeftButton);
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/qrcode/get"), waitMs, 2));

    // A service that refuses the poll: the error overlay, and no more polls.
    ASSERT_TRUE(QTest::qWaitFor([&] { return countRequests("/qrcode/status") > polls; }, waitMs));
    ASSERT_TRUE(cloud.control(QStringLiteral("next qrstatus 2017")));
    EXPECT_TRUE(waitForHint(QStringLiteral("二维码刷新频繁")));
    EXPECT_TRUE(child<QWidget>("frameQRError")->isVisible());
    EXPECT_EQ(child<QLabel>("labelQRTip")->text(), QStringLiteral("登录异常"));

    // The overlay takes a click like the picture; then the phone confirms.
    QTest::mouseClick(child<QWidget>("frameQRError"), Qt::LeftButton);
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/qrcode/get"), waitMs, 3));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !child<QWidget>("frameQRError")->isVisible(); }, waitMs));
    ASSERT_TRUE(cloud.waitForRequest(QStringLiteral("/qrcode/status"), waitMs, polls + 2));
    ASSERT_TRUE(cloud.control(QStringLiteral("qr confirm ") + phone));
    ASSERT_TRUE(QTest::qWaitFor([&] { return login->isSignedIn(); }, waitMs));
    EXPECT_FALSE(IniFile::getInstance().getToken().isEmpty());
}

TEST_F(LoginTest, ReturningUserSignsInSilentlyAndTheTokenIsCheckedAndRefreshed) {
    storeTokensOf(phone);
    open();
    login->setTokenCheckInterval(400);
    QTimer::singleShot(15000, login.get(), [] { QCoreApplication::exit(-1); });
    ASSERT_TRUE(login->runSignIn());
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(cloud.requests().last().auth, token);

    // The check finds the token expired: one refresh, new tokens, and the check re-armed.
    ASSERT_TRUE(cloud.control(QStringLiteral("token expire ") + token));
    ASSERT_TRUE(QTest::qWaitFor([&] { return countRequests("/refresh/token") == 1; }, waitMs));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return IniFile::getInstance().getRefreshToken() != refreshToken; }, waitMs));
    const QString renewed = IniFile::getInstance().getToken();
    EXPECT_FALSE(renewed.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return cloud.requests().last().auth == renewed; }, waitMs));
    EXPECT_EQ(countRequests(QStringLiteral("/refresh/token")), 1);

    // A refused refresh ends the tray's run with 537 and forgets the refresh token.
    ASSERT_TRUE(cloud.control(QStringLiteral("token revoke-refresh ") + phone));
    ASSERT_TRUE(cloud.control(QStringLiteral("token expire ") + renewed));
    ASSERT_TRUE(QTest::qWaitFor([&] { return login->lastExitCode() == ExitSignOut; }, waitMs));
    EXPECT_TRUE(IniFile::getInstance().getRefreshToken().isEmpty());
}

TEST_F(LoginTest, RejectedStoredTokenIsForgottenAndTheWindowShown) {
    IniFile::getInstance().setToken(QStringLiteral("stale"));
    IniFile::getInstance().setRefreshToken(QStringLiteral("stale-refresh"));
    openAndWaitForWindow();
    EXPECT_FALSE(login->isSignedIn());
    EXPECT_TRUE(IniFile::getInstance().getToken().isEmpty());
    EXPECT_TRUE(IniFile::getInstance().getRefreshToken().isEmpty());
}

} // namespace
