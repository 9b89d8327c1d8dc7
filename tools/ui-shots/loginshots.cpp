// Shots of the sign-in window against a cloud-sim started for the purpose on
// loopback: the code page, a hint, the countdown, the QR page with a real
// QR picture and its error state. One window serves every shot, as in the
// program; its settings live in a temporary folder.
#include "campair/loginmode.h"
#include "custom/hintbubble.h"
#include "custom/msgbox.h"
#include "login/login.h"
#include "login/loginprompts.h"
#include "login/virtualcamerausage.h"
#include "shots.h"

#include <memory>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The shots answer no questions: the window only has to show itself.
class NoPrompts : public LoginPrompts {
public:
    int message(const QString &, const QString &, const QStringList &) override { return -1; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool passPictureCheck(QWidget *) override { return true; }
};

struct SignInWindow {
    QTemporaryDir settings;
    QProcess cloud;
    NoPrompts prompts;
    NoVirtualCameraInUse cameras;
    std::unique_ptr<Login> login;

    ~SignInWindow() {
        if (login)
            login->stopNetwork();
        cloud.terminate();
        cloud.waitForFinished(3000);
    }

    bool open() {
        qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
        cloud.start(QStringLiteral(KESTRA_CLOUD_SIM),
                    {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("--no-control")});
        const QRegularExpression listening(QStringLiteral("^listening (\\S+)$"),
                                           QRegularExpression::MultilineOption);
        QByteArray output;
        QRegularExpressionMatch match;
        while (!(match = listening.match(QString::fromUtf8(output))).hasMatch()) {
            if (!cloud.waitForReadyRead(5000))
                return false;
            output += cloud.readAllStandardOutput();
        }
        qputenv("KESTRA_CLOUD_HOST", match.captured(1).toLatin1());
        login = std::make_unique<Login>(prompts, cameras);
        return QTest::qWaitFor([&] { return login->isVisible(); }, 8000);
    }

    template <typename T> T *child(const char *name) {
        return login->findChild<T *>(QString::fromLatin1(name));
    }
};

// Goes before the application object does: its engine thread and timers need one.
SignInWindow &window() {
    static SignInWindow *instance = [] {
        qAddPostRoutine([] { delete instance; });
        return new SignInWindow;
    }();
    return *instance;
}

void loginShot(const QString &name, std::function<void(SignInWindow &)> setUp) {
    addShot(name, [=](ShotContext &shot) {
        SignInWindow &w = window();
        if (!w.login && !w.open()) {
            ++shot.failures;
            return;
        }
        setUp(w);
        shot.capture(w.login.get());
    });
}

// A question of the update flow with the sign-in window's own texts.
void updateShot(const QString &name, const char *title, const char *text, const char *decline,
                const char *accept) {
    addShot(name, [=](ShotContext &shot) {
        auto tr = [](const char *source) {
            return QCoreApplication::translate("Login", source);
        };
        MsgBox box;
        box.setContent(tr(title), tr(text), {tr(decline), tr(accept)});
        box.show();
        shot.capture(&box);
    });
}

} // namespace

void registerLoginShots() {
    // The work-mode chooser that follows a first sign-in, with the mouse over a panel.
    addShot(QStringLiteral("work_mode"), [](ShotContext &shot) {
        LoginMode chooser([](int) { return false; });
        QTimer::singleShot(0, &chooser, [&] {
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(chooser.findChild<QWidget *>("frameSingle"), &enter);
            shot.capture(&chooser);
            chooser.onBtnClose();
        });
        chooser.exec();
    });
    updateShot(QStringLiteral("update_forced"), "当前版本过低",
               "当前版本过低，无法使用相机业务，请下载最新版本", "下次再说", "立即更新");
    updateShot(QStringLiteral("update_failed"), "下载失败",
               "可能原因：网络或代理服务器异常，请检查设置后重试", "关闭", "重试");
    updateShot(QStringLiteral("update_done"), "下载完成",
               "新版软件已下载完成，请问是否关闭正在运行的软件，立即安装", "下次再说", "立即安装");
    loginShot(QStringLiteral("login_code"), [](SignInWindow &w) {
        w.login->resetPage();
        QTest::keyClicks(w.child<QLineEdit>("lineAccount"), QStringLiteral("13800000000"));
    });
    loginShot(QStringLiteral("login_code_hint"), [](SignInWindow &w) {
        w.child<QLineEdit>("lineAccount")->setText(QStringLiteral("138"));
        w.child<QPushButton>("btnVerifyCode")->click();
    });
    loginShot(QStringLiteral("login_code_countdown"), [](SignInWindow &w) {
        w.child<QLineEdit>("lineAccount")->setText(QStringLiteral("13800000000"));
        w.child<QPushButton>("btnVerifyCode")->click();
        QTest::keyClicks(w.child<QLineEdit>("lineCode"), QStringLiteral("123456"));
        QTest::qWait(1100);
    });
    loginShot(QStringLiteral("login_qr"), [](SignInWindow &w) {
        w.child<QPushButton>("btnSwitch")->click();
        (void)QTest::qWaitFor([&] { return !w.child<QLabel>("labelQR")->pixmap().isNull(); }, 5000);
    });
    loginShot(QStringLiteral("login_qr_error"),
              [](SignInWindow &w) { w.login->onGetQRcodeStatusReply(500, {}); });
}
