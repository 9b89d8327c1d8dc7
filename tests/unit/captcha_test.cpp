// The picture check: letters legible in every colour they are drawn or drift
// to, the answer read left to right, and VerifyWidget's rules for wrong
// answers, refreshes and closing, driven through its real controls.
#include "login/captchalabel.h"
#include "login/captchamovablelabel.h"
#include "login/verifywidget.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QTimer>

namespace {

TEST(CaptchaLetter, DrawsLegibleLettersInTheirRangesAndQuarter) {
    QRandomGenerator random(7);
    QWidget picture;
    picture.resize(180, 56);
    CaptchaMovableLabel label(random, CaptchaLabel::background, &picture);
    const QRect quarter(90, 0, 45, 56);
    QSet<int> sizes, rotations;
    QSet<QChar> letters;
    for (int i = 0; i < 10000; ++i) {
        label.regenerate(quarter);
        const QColor colour = label.colour();
        ASSERT_GE(CaptchaMovableLabel::distance(colour, CaptchaLabel::background), 384) << i;
        ASSERT_LE(qMax(colour.red(), qMax(colour.green(), colour.blue())), 253) << i;
        ASSERT_TRUE(CaptchaMovableLabel::letters.contains(label.letter()));
        ASSERT_GE(label.target().x(), quarter.left());
        ASSERT_LE(label.target().x() + label.width(), quarter.right() + 1);
        sizes.insert(label.fontPixels());
        rotations.insert(label.rotation());
        letters.insert(label.letter());
    }
    EXPECT_EQ(sizes, QSet<int>({25, 26, 27, 28, 29}));
    EXPECT_EQ(rotations.size(), 40);
    EXPECT_TRUE(rotations.contains(-20) && rotations.contains(19));
    EXPECT_EQ(letters.size(), 26);

    // Drifting wanders through many colours and never below the distance.
    QSet<QRgb> seen;
    for (int i = 0; i < 20000; ++i) {
        label.driftColour();
        const QColor colour = label.colour();
        ASSERT_GE(CaptchaMovableLabel::distance(colour, CaptchaLabel::background), 384) << i;
        ASSERT_TRUE(colour.isValid());
        seen.insert(colour.rgb());
    }
    EXPECT_GT(seen.size(), 1000);
}

TEST(CaptchaPicture, AnswerReadsTheLettersLeftToRight) {
    QRandomGenerator random(11);
    CaptchaLabel picture(nullptr, &random);
    picture.resize(180, 56);
    picture.regenerate();
    picture.stop();
    const auto &letters = picture.letters();
    QString inOrder;
    for (const CaptchaMovableLabel *letter : letters)
        inOrder += letter->letter();
    EXPECT_EQ(picture.answer(), inOrder);

    // Where the letters are now counts, not which quarter they were drawn for.
    for (int i = 0; i < CaptchaLabel::letterCount; ++i)
        letters[i]->move(150 - 40 * i, 5);
    std::reverse(inOrder.begin(), inOrder.end());
    EXPECT_EQ(picture.answer(), inOrder);
}

class VerifyWidgetTest : public ::testing::Test {
protected:
    // Runs the check while script acts on the shown dialog; returns its result.
    bool runCheck(const std::function<void()> &script) {
        QTimer::singleShot(0, &dialog, [this, script] {
            script();
            // Whatever the script left open ends here.
            QTimer::singleShot(0, &dialog, [this] { closeButton()->click(); });
        });
        return dialog.runCheck(&over);
    }
    QLineEdit *input() const { return dialog.findChild<QLineEdit *>("editCode"); }
    QPushButton *closeButton() const { return dialog.findChild<QPushButton *>("btnClose"); }
    QPushButton *verifyButton() const { return dialog.findChild<QPushButton *>("btnVerify"); }
    QLabel *errorLine() const { return dialog.findChild<QLabel *>("textError"); }
    void answer(const QString &text) {
        input()->clear();
        QTest::keyClicks(input(), text);
        verifyButton()->click();
    }
    QString wrongAnswer() const {
        return dialog.captcha()->answer() == "ABCD" ? QStringLiteral("ABCE")
                                                    : QStringLiteral("ABCD");
    }

    QWidget over;
    VerifyWidget dialog;
};

TEST_F(VerifyWidgetTest, PassesOnTheLettersInAnyCaseAndHidesAfterwards) {
    over.setGeometry(100, 100, 600, 500);
    bool shownCentred = false;
    QString typedGarbage;
    const bool passed = runCheck([&] {
        shownCentred =
            dialog.isVisible() &&
            (dialog.geometry().center() - over.geometry().center()).manhattanLength() <= 2;
        QTest::keyClicks(input(), "a1b-cde");
        typedGarbage = input()->text();
        answer(dialog.captcha()->answer().toLower());
    });
    EXPECT_TRUE(passed);
    EXPECT_TRUE(shownCentred);
    EXPECT_EQ(typedGarbage, "abcd"); // letters only, four at most
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(VerifyWidgetTest, WrongAnswersChangeThePictureByTheRules) {
    QList<int> regenerationsAfter; // after each wrong answer, counted from the first picture
    bool errorShown = false;
    bool errorHiddenAtStart = false;
    const bool passed = runCheck([&] {
        errorHiddenAtStart = errorLine()->isHidden();
        const int start = dialog.regenerationCount();
        for (int i = 0; i < 9; ++i) {
            answer(wrongAnswer());
            regenerationsAfter << dialog.regenerationCount() - start;
        }
        errorShown = errorLine()->isVisible();
    });
    EXPECT_FALSE(passed);
    EXPECT_TRUE(errorHiddenAtStart);
    EXPECT_TRUE(errorShown);
    // Every 2nd failure, then each failure once wrong answers changed it 3 times.
    EXPECT_EQ(regenerationsAfter, QList<int>({0, 1, 1, 2, 2, 3, 4, 5, 6}));

    // A new check starts without the error line.
    bool errorHidden = false;
    runCheck([&] { errorHidden = errorLine()->isHidden() && input()->text().isEmpty(); });
    EXPECT_TRUE(errorHidden);
}

TEST_F(VerifyWidgetTest, ClickAndRefreshChangeThePictureAndCloseFails) {
    int afterClick = 0, afterRefresh = 0, afterFailureThenClick = 0;
    const bool passed = runCheck([&] {
        const int start = dialog.regenerationCount();
        QTest::mouseClick(dialog.captcha(), Qt::LeftButton, {}, QPoint(20, 20));
        afterClick = dialog.regenerationCount() - start;
        dialog.findChild<QPushButton *>("btnRefresh")->click();
        afterRefresh = dialog.regenerationCount() - start;
        // A new picture restarts the count: one failure before and one after change nothing.
        answer(wrongAnswer());
        QTest::mouseClick(dialog.captcha(), Qt::LeftButton, {}, QPoint(20, 20));
        answer(wrongAnswer());
        afterFailureThenClick = dialog.regenerationCount() - start;
    });
    EXPECT_FALSE(passed);
    EXPECT_EQ(afterClick, 1);
    EXPECT_EQ(afterRefresh, 2);
    EXPECT_EQ(afterFailureThenClick, 3);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
