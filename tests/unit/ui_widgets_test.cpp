// The building blocks of KestraLive's windows, on the offscreen platform: what
// the download dialog paints, which button the message box reports, how long
// a hint stays, that windows show nothing outside their rounded cards, and
// that the English translation reaches the windows.
#include "custom/hintbubble.h"
#include "custom/languageloader.h"
#include "custom/msgbox.h"
#include "login/progressdialog.h"
#include "login/verifywidget.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

bool isYellow(QRgb pixel) {
    return qAbs(qRed(pixel) - 0xF8) < 8 && qAbs(qGreen(pixel) - 0xDE) < 8 && qBlue(pixel) < 16;
}
// The track: 15/255 of near-black over the white card.
bool isTrack(QRgb pixel) {
    return qAbs(qRed(pixel) - 241) < 6 && qAbs(qGreen(pixel) - 241) < 6;
}

TEST(ProgressDialog, PaintsTheBarOverTheTrackAndIgnoresValuesAbove100) {
    ProgressDialog dialog;
    const int y = ProgressDialog::trackY + ProgressDialog::trackHeight / 2;
    const int left = ProgressDialog::trackX;
    const int right = ProgressDialog::trackX + ProgressDialog::trackWidth;
    for (int percent : {45, 100, 0, 7}) {
        dialog.setValue(percent);
        dialog.setValue(101);
        ASSERT_EQ(dialog.value(), percent);
        const QImage picture = dialog.grab().toImage();
        const int end = left + percent * ProgressDialog::trackWidth / 100;
        for (int x = left + 4; x < right - 4; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (x < end - 1)
                ASSERT_TRUE(isYellow(pixel)) << percent << "% at x " << x;
            else if (x > end + 1)
                ASSERT_TRUE(isTrack(pixel)) << percent << "% at x " << x;
        }
        EXPECT_FALSE(isYellow(picture.pixel(left - 2, y)));
        EXPECT_FALSE(isYellow(picture.pixel(right + 2, y)));
    }

    // Busy: a segment slides along the track until a value ends it.
    dialog.setValue(80);
    dialog.setBusy(true);
    const auto yellowCount = [&] {
        const QImage picture = dialog.grab().toImage();
        int count = 0;
        for (int x = left; x < right; ++x)
            count += isYellow(picture.pixel(x, y));
        return count;
    };
    QTest::qWait(400);
    const int sliding = yellowCount();
    EXPECT_GT(sliding, 10);
    EXPECT_LE(sliding, ProgressDialog::busyWidth);
    dialog.setValue(80);
    EXPECT_FALSE(dialog.isBusy());
    EXPECT_NEAR(yellowCount(), 80 * ProgressDialog::trackWidth / 100, 2);
}

TEST(ProgressDialog, IsOneWindowModalOnlyBeforeSignIn) {
    ProgressDialog *dialog = ProgressDialog::getInstance();
    EXPECT_EQ(dialog, ProgressDialog::getInstance());
    EXPECT_FALSE(dialog->isVisible());
    dialog->showFor(false);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::FramelessWindowHint));
    dialog->showFor(true);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
    EXPECT_EQ(dialog->windowTitle(), "KestraLive");
    dialog->hide();
}

// Presses the named button of the message box once it is shown.
int askAndPress(const QStringList &buttons, const QString &button, const QString &text = "正文") {
    QTimer::singleShot(0, [button] {
        QWidget *box = QApplication::activeModalWidget();
        if (box)
            box->findChild<QPushButton *>(button)->click();
    });
    return MsgBox::ask(nullptr, "标题", text, buttons);
}

TEST(MsgBox, ReportsTheButtonPressedLeftToRightAndMinusOneWhenClosed) {
    EXPECT_EQ(askAndPress({"立即更新", "下次再说"}, "btnLeft"), 0);
    EXPECT_EQ(askAndPress({"立即更新", "下次再说"}, "btnRight"), 1);
    EXPECT_EQ(askAndPress({"确定"}, "btnOne"), 0);
    EXPECT_EQ(askAndPress({"立即更新", "下次再说"}, "btnClose"), -1);
    EXPECT_EQ(askAndPress({"确定"}, "btnClose"), -1);
}

TEST(MsgBox, WrapsLongTextsAndShowsOnlyItsRoundedCard) {
    MsgBox shortBox, longBox;
    shortBox.setContent("标题", "短文", {"确定"});
    longBox.setContent("A rather long title that has to wrap onto a second line here",
                       QString("A long explanation of what went wrong. ").repeated(8),
                       {"Update now", "Later"});
    EXPECT_EQ(longBox.width(), shortBox.width());
    EXPECT_GT(longBox.height(), shortBox.height() + 80);
    for (MsgBox *box : {&shortBox, &longBox}) {
        box->show();
        const QImage picture = box->grab().toImage();
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(picture.width() - 1, picture.height() - 1)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)), 255);
        // Nothing spills over the card's bottom edge.
        const auto *context = box->findChild<QLabel *>("context");
        EXPECT_LE(context->geometry().bottom(), box->height());
        box->hide();
    }
}

TEST(HintBubble, CentresWrapsAndHidesASecondAfterTheLastHint) {
    QWidget window;
    window.resize(400, 300);
    window.show();
    HintBubble hint(&window);
    hint.setTop(200);
    hint.showHint("手机号格式错误");
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.text(), "手机号格式错误");
    EXPECT_EQ(hint.y(), 200);
    EXPECT_LE(qAbs(hint.x() * 2 + hint.width() - window.width()), 1);
    const int oneLineHeight = hint.height();

    QElapsedTimer clock;
    clock.start();
    QTest::qWait(700);
    hint.showHint(QString("A much longer hint that does not fit in one line. ").repeated(3));
    EXPECT_LE(hint.width(), window.width() - 48);
    EXPECT_GT(hint.height(), oneLineHeight + 10);
    QTest::qWait(600); // 1.3 s after the first hint: the second one still shows
    EXPECT_TRUE(hint.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return hint.isHidden(); }, 2000));
    EXPECT_GE(clock.elapsed(), 700 + HintBubble::showMs - 50);
}

TEST(Language, EnglishReachesTheOpenWindows) {
    // The translations lie beside KestraLive; the loader looks beside this program.
    const QString target = QCoreApplication::applicationDirPath() + "/language_en.qm";
    QFile::remove(target);
    EXPECT_FALSE(installLanguage(1));
    EXPECT_TRUE(installLanguage(0)); // the source texts need no file

    ASSERT_TRUE(QFile::copy(KESTRA_TRANSLATIONS_DIR "/language_en.qm", target));
    VerifyWidget dialog;
    const auto *title = dialog.findChild<QLabel *>("textTitle");
    EXPECT_EQ(title->text(), "请输入验证码");
    // Windows hear of the change through a posted event.
    EXPECT_TRUE(installLanguage(1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return title->text() == "Enter the verification code"; }));
    EXPECT_TRUE(installLanguage(0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return title->text() == "请输入验证码"; }));
    QFile::remove(target);
}

TEST(Artwork, PicturesAndTheIconAreBuiltIn) {
    for (const char *name : {"logo", "cancel", "loginLogo", "loginQR", "loginTEL", "loginDelete",
                             "loginVerifyOK", "loginVerifyError", "passwdShow", "passwdHide",
                             "tipLogo", "tipWarning", "tipCancel", "progressDialog", "qrError"}) {
        EXPECT_FALSE(QImage(QString(":/img/%1.png").arg(name)).isNull()) << name;
    }
    EXPECT_EQ(QImage(":img/progressDialog.png").size(), QSize(289, 197));
    const QIcon icon(":/img/logo.ico");
    EXPECT_GE(icon.availableSizes().size(), 4);
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
}

} // namespace
