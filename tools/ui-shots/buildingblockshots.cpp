// Shots of the message box, the hint bubble, the download dialog and the
// picture check.
#include "custom/hintbubble.h"
#include "custom/msgbox.h"
#include "login/progressdialog.h"
#include "login/verifywidget.h"
#include "shots.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

void progressShot(const QString &name, int percent, bool busy) {
    addShot(name, [=](ShotContext &shot) {
        ProgressDialog dialog;
        dialog.setValue(percent);
        dialog.setBusy(busy);
        dialog.showFor(false);
        shot.capture(&dialog);
    });
}

void verifyShot(const QString &name, bool wrongAnswer) {
    addShot(name, [=](ShotContext &shot) {
        VerifyWidget dialog;
        QTimer::singleShot(0, &dialog, [&] {
            if (wrongAnswer) {
                QTest::keyClicks(dialog.findChild<QLineEdit *>("editCode"), "abcd");
                dialog.findChild<QPushButton *>("btnVerify")->click();
            }
            shot.capture(&dialog);
            dialog.reject();
        });
        dialog.runCheck(nullptr);
    });
}

} // namespace

void registerBuildingBlockShots() {
    // Sample texts in both languages: the real ones come from the windows that ask.
    addShot("msgbox_one", [](ShotContext &shot) {
        MsgBox box;
        box.setContent(shot.text("提示", "Notice"),
                       shot.text("网络连接失败，请检查网络后重试",
                                 "The network is unreachable. Check the connection and try again."),
                       {shot.text("确定", "OK")});
        box.show();
        shot.capture(&box);
    });
    addShot("msgbox_two", [](ShotContext &shot) {
        MsgBox box;
        box.setContent(shot.text("发现新版本", "A new version is available"),
                       shot.text("KestraLive 有新版本可用，是否立即更新？",
                                 "A new version of KestraLive is ready. Update now?"),
                       {shot.text("下次再说", "Later"), shot.text("立即更新", "Update now")});
        box.show();
        shot.capture(&box);
    });
    addShot("msgbox_long", [](ShotContext &shot) {
        MsgBox box;
        box.setContent(
            shot.text("下载失败，安装包没有保存到所选的文件夹中",
                      "The download failed and the installer was not saved to the folder"),
            shot.text("无法写入所选文件夹。请选择另一个有写入权限且剩余空间足够的文件夹，"
                      "然后再次下载最新版本；如果问题仍然存在，请联系客服并附上日志文件。",
                      "The chosen folder cannot be written. Choose another folder you may "
                      "write to and that has enough free space, then download the latest "
                      "version again; if the problem stays, contact support with the log file."),
            {shot.text("取消", "Cancel"), shot.text("重新选择文件夹", "Choose another folder")});
        box.show();
        shot.capture(&box);
    });
    addShot("hint", [](ShotContext &shot) {
        // A rounded window body like the sign-in window's, as the bubble's host.
        QWidget window;
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.setAttribute(Qt::WA_TranslucentBackground);
        window.resize(400, 300);
        QFrame body(&window);
        body.setObjectName("body");
        body.setGeometry(0, 0, 400, 300);
        body.setStyleSheet(
            "#body{background:#FFFFFF;border:1px solid rgba(13,13,16,0.12);border-radius:16px;}");
        HintBubble short_(&body);
        HintBubble long_(&body);
        window.show();
        short_.setTop(60);
        short_.showHint(shot.text("手机号格式错误", "Invalid phone number"));
        long_.setTop(140);
        long_.showHint(shot.text("验证码发送过于频繁，请稍后再试，或者改用二维码登录",
                                 "Codes were requested too often. Try again later, or sign "
                                 "in with the QR code instead."));
        shot.capture(&window);
    });
    progressShot("progress_0", 0, false);
    progressShot("progress_45", 45, false);
    progressShot("progress_100", 100, false);
    progressShot("progress_busy", 0, true);
    verifyShot("verify", false);
    verifyShot("verify_error", true);
}
