// The pairing dialog on the real window (offscreen): what each slot row shows,
// what a click on it asks and emits, how the filter's activity reports hold a
// slot in use and let it fall back, and the settings page.
#include "campair/campair.h"
#include "support/logcapture.h"
#include "support/scriptedtrayprompts.h"

#include <functional>
#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QTranslator>

namespace {

const QString macA = QStringLiteral("Torvi_A1");
const QString nameA = QStringLiteral("Torvi Camera A");
const QString macB = QStringLiteral("Torvi_B2");
const QString nameB = QStringLiteral("Torvi Camera B");

struct RowLook {
    QString text;
    QString tip;
    QString image;
};

// Answers from a test, with something happening while the question is open.
class PromptsWithSideEffect : public TrayPrompts {
public:
    bool confirm(const QString &, const QString &, const QString &, const QString &) override {
        if (whileAsking)
            whileAsking();
        return true;
    }
    void notify(const QString &, const QString &, const QString &) override {}
    std::function<void()> whileAsking;
};

class CamPairTest : public ::testing::Test {
protected:
    template <typename T> T *child(const QString &name) const {
        T *found = pair.findChild<T *>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QPushButton *button(int n) const { return child<QPushButton>(QStringLiteral("btn%1").arg(n)); }
    QLabel *actionText(int n) const { return child<QLabel>(QStringLiteral("text%1").arg(n)); }
    RowLook row(int n) const {
        static const QRegularExpression image(QStringLiteral(":/img/(\\w+)\\.png"));
        return {actionText(n)->text(), button(n)->toolTip(),
                image.match(button(n)->styleSheet()).captured(1)};
    }
    int status(int n) const {
        int value = -1;
        EXPECT_TRUE(pair.getCamPairStatus(CamID_e(n), value));
        return value;
    }

    // The offscreen platform cannot stack windows and warns on every raise, which a tool
    // window does when shown; the tests use an ordinary frameless window instead.
    void SetUp() override { useOrdinaryWindow(pair); }
    static void useOrdinaryWindow(CamPair &dialog) {
        ASSERT_TRUE(dialog.windowFlags().testFlag(Qt::Tool));
        ASSERT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        ASSERT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
        dialog.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    }

    ScriptedTrayPrompts prompts;
    CamPair pair{prompts};
};

void expectRow(const RowLook &row, const char *text, const char *tip, const char *image) {
    EXPECT_EQ(row.text, QString::fromUtf8(text));
    EXPECT_EQ(row.tip, QString::fromUtf8(tip));
    EXPECT_EQ(row.image, QString::fromUtf8(image));
}

TEST_F(CamPairTest, RowsShowFreeRemoveSwitchAndInUseWithTheirTooltips) {
    EXPECT_TRUE(pair.setCamStatus(VCamera2, Paired, macA, nameA));
    EXPECT_TRUE(pair.setCamStatus(VCamera3, Paired, macB, nameB));
    EXPECT_TRUE(pair.setCamStatus(VCamera4, 2, macA, nameA));
    EXPECT_FALSE(pair.setCamStatus(CamID_e(5), Paired, macA, nameA));
    pair.showPairing(macA, nameA);
    ASSERT_TRUE(pair.isPairingOpen());
    EXPECT_EQ(child<QLabel>("title")->text(), QStringLiteral("添加虚拟摄像头"));

    expectRow(row(1), "添加", "", "unPair");
    expectRow(row(2), "移除", "已配对", "pair2");
    expectRow(row(3), "切换", "已配对", "pairSwitch");
    expectRow(row(4), "在用", "使用中", "paired");
    EXPECT_EQ(child<QLabel>("label4")->text(), QStringLiteral("Kestra Camera 4"));

    // Opened for the other camera, the same slots swap remove and switch.
    pair.onHide();
    pair.showPairing(macB, nameB);
    expectRow(row(2), "切换", "已配对", "pairSwitch");
    expectRow(row(3), "移除", "已配对", "pair2");
}

TEST_F(CamPairTest, HoveringAnActionButtonShowsItsTooltipAtOnce) {
    // A tooltip raises itself, which the offscreen platform warns about.
    if (qEnvironmentVariableIntValue("QT_FATAL_WARNINGS") &&
        QApplication::platformName() == QLatin1String("offscreen"))
        GTEST_SKIP() << "tooltips warn on this platform";
    pair.setCamStatus(VCamera3, Paired, macB, nameB);
    pair.showPairing(macA, nameA);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button(3), &enter);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("已配对"));
    // A row without a tooltip takes the last one away.
    QApplication::sendEvent(button(1), &enter);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 1000));
}

TEST_F(CamPairTest, ClicksBindUnbindAndMoveOnlyAfterConfirmation) {
    QSignalSpy bound(&pair, &CamPair::camPair);
    QSignalSpy unbound(&pair, &CamPair::camUnPair);
    QSignalSpy moved(&pair, &CamPair::camSwitchPair);
    pair.setCamStatus(VCamera2, Paired, macB, nameB);
    pair.setCamStatus(VCamera3, 2, macB, nameB);
    pair.showPairing(macA, nameA);

    // A free row binds the shown camera; a press on its action text does the same.
    QTest::mouseClick(button(1), Qt::LeftButton);
    ASSERT_EQ(bound.count(), 1);
    EXPECT_EQ(bound.at(0).at(0).toString(), macA);
    EXPECT_EQ(bound.at(0).at(1).value<CamID_e>(), VCamera1);
    expectRow(row(1), "移除", "已配对", "pair2");
    QTest::mousePress(actionText(1), Qt::LeftButton);
    ASSERT_EQ(unbound.count(), 1);
    EXPECT_EQ(unbound.at(0).at(0).toString(), macA);
    EXPECT_EQ(status(1), Free);
    expectRow(row(1), "添加", "", "unPair");

    // Another camera's row asks first; cancelling leaves it with that camera.
    prompts.answers = {false};
    QTest::mouseClick(button(2), Qt::LeftButton);
    ASSERT_EQ(prompts.prompts.size(), 1);
    const ScriptedTrayPrompts::Prompt asked = prompts.prompts.at(0);
    EXPECT_EQ(asked.title, QStringLiteral("确认要重新配对?"));
    EXPECT_EQ(asked.text, QStringLiteral("重新配对到此设备，将取消配对:") + nameB);
    EXPECT_EQ(asked.confirmText, QStringLiteral("确认绑定"));
    EXPECT_EQ(asked.cancelText, QStringLiteral("取消"));
    EXPECT_EQ(moved.count(), 0);
    expectRow(row(2), "切换", "已配对", "pairSwitch");
    EXPECT_TRUE(pair.isDeviceIdle(macA));

    prompts.answers = {true};
    QTest::mouseClick(button(2), Qt::LeftButton);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toString(), macB);
    EXPECT_EQ(moved.at(0).at(1).toString(), macA);
    EXPECT_EQ(moved.at(0).at(2).value<CamID_e>(), VCamera2);
    expectRow(row(2), "移除", "已配对", "pair2");
    // Now the shown camera's own: the next click unbinds without asking.
    QTest::mouseClick(button(2), Qt::LeftButton);
    EXPECT_EQ(unbound.count(), 2);
    EXPECT_EQ(prompts.prompts.size(), 2);

    // An in-use row is neither unbound nor moved.
    QTest::mouseClick(button(3), Qt::LeftButton);
    QTest::mousePress(actionText(3), Qt::LeftButton);
    EXPECT_EQ(prompts.prompts.size(), 2);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(status(3), InUse);
}

TEST(CamPairQuestion, AMoveIsDroppedWhenTheSlotWentInUseWhileAsking) {
    PromptsWithSideEffect prompts;
    CamPair pair(prompts);
    pair.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QSignalSpy moved(&pair, &CamPair::camSwitchPair);
    pair.setCamStatus(VCamera2, Paired, macB, nameB);
    pair.showPairing(macA, nameA);
    prompts.whileAsking = [&] {
        pair.onSyncCamStatus(VCamera2, true);
    };
    pair.onBtn2();
    EXPECT_EQ(moved.count(), 0);
    int status = -1;
    pair.getCamPairStatus(VCamera2, status);
    EXPECT_EQ(status, InUse);
    EXPECT_FALSE(pair.isDeviceIdle(macB));
}

// A translation that places the name itself; the rows follow the language at once.
class PlaceholderTranslator : public QTranslator {
public:
    QString translate(const char *context, const char *source, const char *, int) const override {
        if (qstrcmp(context, "CamPair") != 0)
            return {};
        const QString text = QString::fromUtf8(source);
        if (text == QStringLiteral("重新配对到此设备，将取消配对:"))
            return QStringLiteral("Note: xxx will lose this pairing: continue?");
        if (text == QStringLiteral("切换"))
            return QStringLiteral("Switch");
        if (text == QStringLiteral("添加虚拟摄像头"))
            return QStringLiteral("Add virtual camera");
        return {};
    }
    bool isEmpty() const override { return false; }
};

TEST_F(CamPairTest, ATranslatedRePairTextPlacesTheNameAndLosesItsColons) {
    EXPECT_EQ(CamPair::rePairText(QStringLiteral("将取消配对:"), QStringLiteral("Cam:1")),
              QStringLiteral("将取消配对:Cam:1"));
    pair.setCamStatus(VCamera2, Paired, macB, nameB);
    pair.showPairing(macA, nameA);
    const auto languageChanges = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    };

    PlaceholderTranslator translator;
    QApplication::installTranslator(&translator);
    languageChanges();
    EXPECT_EQ(actionText(2)->text(), QStringLiteral("Switch"));
    EXPECT_EQ(child<QLabel>("title")->text(), QStringLiteral("Add virtual camera"));
    QTest::mouseClick(button(2), Qt::LeftButton);
    ASSERT_EQ(prompts.prompts.size(), 1);
    EXPECT_EQ(prompts.prompts.at(0).text,
              QStringLiteral("Note %1 will lose this pairing continue?").arg(nameB));

    QApplication::removeTranslator(&translator);
    languageChanges();
    EXPECT_EQ(actionText(2)->text(), QStringLiteral("切换"));
    EXPECT_EQ(child<QLabel>("title")->text(), QStringLiteral("添加虚拟摄像头"));
}

TEST_F(CamPairTest, ActivityHoldsASlotInUseUntilReportsStop) {
    LogCapture log;
    QSignalSpy inUse(&pair, &CamPair::camPaired);
    QSignalSpy released(&pair, &CamPair::camUnpaired);
    pair.setCamStatus(VCamera2, Paired, macA, nameA);
    pair.showPairing(macB, nameB);

    // A report for a free slot or an unknown number changes nothing.
    pair.onSyncCamStatus(VCamera1, true);
    pair.onSyncCamStatus(CamID_e(9), true);
    EXPECT_EQ(status(1), Free);
    EXPECT_EQ(inUse.count(), 0);

    pair.onSyncCamStatus(VCamera2, true);
    EXPECT_TRUE(log.contains(QStringLiteral("vCamera  id: 2 activateStatus:true")));
    ASSERT_EQ(inUse.count(), 1);
    EXPECT_EQ(inUse.at(0).at(0).toString(), macA);
    expectRow(row(2), "在用", "使用中", "paired");
    EXPECT_FALSE(pair.isAllIdle());
    EXPECT_FALSE(pair.isDeviceIdle(macA));
    EXPECT_TRUE(pair.isDeviceIdle(macB));
    EXPECT_TRUE(pair.takeActivated(1));
    EXPECT_FALSE(pair.takeActivated(1));
    EXPECT_FALSE(pair.takeActivated(4));

    // Reports every two seconds keep it; three silent seconds are tolerated, the fourth is not.
    for (int second = 0; second < 6; ++second) {
        pair.onCheckTimeout();
        if (second % 2 == 1)
            pair.onSyncCamStatus(VCamera2, true);
    }
    EXPECT_EQ(inUse.count(), 1);
    EXPECT_FALSE(pair.takeActivated(1));
    for (int second = 0; second < 3; ++second)
        pair.onCheckTimeout();
    EXPECT_EQ(status(2), InUse);
    pair.onCheckTimeout();
    pair.onCheckTimeout();
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(released.at(0).at(0).toString(), macA);
    EXPECT_EQ(released.at(0).at(1).value<CamID_e>(), VCamera2);
    EXPECT_EQ(status(2), Paired);
    // Shown for camera B, camera A's slot falls back to the switch view.
    expectRow(row(2), "切换", "已配对", "pairSwitch");
    EXPECT_TRUE(pair.isAllIdle());

    // A stop report ends it at once.
    pair.onSyncCamStatus(VCamera2, true);
    pair.onSyncCamStatus(VCamera2, false);
    EXPECT_EQ(inUse.count(), 2);
    EXPECT_EQ(released.count(), 2);
    EXPECT_FALSE(pair.takeActivated(1));
    EXPECT_TRUE(log.contains(QStringLiteral("vCamera  id: 2 activateStatus:false")));
}

TEST_F(CamPairTest, TheDialogsOwnTimerReleasesASilentSlotAfterAboutFourSeconds) {
    pair.setCamStatus(VCamera3, Paired, macA, nameA);
    QSignalSpy released(&pair, &CamPair::camUnpaired);
    QElapsedTimer clock;
    clock.start();
    pair.onSyncCamStatus(VCamera3, true);
    ASSERT_TRUE(released.wait(7000));
    EXPECT_GE(clock.elapsed(), 2900);
    QTest::qWait(1200);
    EXPECT_EQ(released.count(), 1);
}

TEST_F(CamPairTest, SettingsPageSwitchesHDROnlyWhileSwitchableAndOffersRemoval) {
    LogCapture log;
    QSignalSpy hdr(&pair, &CamPair::sigSwitchHDR);
    QSignalSpy removal(&pair, &CamPair::sigRemoveDevice);
    pair.setHDRState(true, true);
    pair.showSettings(macA, nameA, true);
    EXPECT_EQ(child<QLabel>("title")->text(), QStringLiteral("相机设置"));
    EXPECT_EQ(child<QLabel>("labelHDR")->text(), QStringLiteral("HDR"));
    EXPECT_EQ(child<QLabel>("textHDR")->text(), QStringLiteral("开"));
    auto *switchButton = child<QPushButton>("btnSwitchHDR");
    EXPECT_TRUE(switchButton->styleSheet().contains(":/img/HDR_ON.png"));
    QTest::mouseClick(switchButton, Qt::LeftButton);
    ASSERT_EQ(hdr.count(), 1);
    EXPECT_EQ(hdr.at(0).at(0).toString(), macA);
    EXPECT_FALSE(hdr.at(0).at(1).toBool());

    // Reports for another camera are not this page's.
    pair.updateHDRStatus(macB, false);
    pair.updateLIVEStatus(macB, false);
    EXPECT_EQ(child<QLabel>("textHDR")->text(), QStringLiteral("开"));
    pair.updateHDRStatus(macA, false);
    pair.updateLIVEStatus(macA, false);
    EXPECT_TRUE(log.contains(QStringLiteral("updateHDRStatus>> mac:Torvi_A1 HDR:false")));
    EXPECT_TRUE(log.contains(QStringLiteral("updateLIVEStatus>> mac:Torvi_A1 selectable:false")));
    EXPECT_EQ(child<QLabel>("labelHDR")->text(), QStringLiteral("HDR(工作中，无法切换)"));
    EXPECT_EQ(child<QLabel>("textHDR")->text(), QStringLiteral("关"));
    EXPECT_TRUE(switchButton->styleSheet().contains(":/img/HDR_OFF_2.png"));
    QTest::mouseClick(switchButton, Qt::LeftButton);
    EXPECT_EQ(hdr.count(), 1);

    auto *remove = child<QPushButton>("btnRemoveDevice");
    EXPECT_TRUE(remove->isVisible());
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_EQ(removal.count(), 1);
    EXPECT_EQ(removal.at(0).at(0).toString(), macA);
    EXPECT_TRUE(log.contains(QStringLiteral("campir: remove device")));
    pair.onHide();
    pair.showSettings(macA, nameA, false);
    EXPECT_FALSE(remove->isVisible());
}

TEST_F(CamPairTest, RemovingACameraFreesItsSlotsAndClosesItsDialogAndResetFreesAll) {
    LogCapture log;
    QSignalSpy released(&pair, &CamPair::camUnpaired);
    pair.setCamStatus(VCamera1, Paired, macA, nameA);
    pair.setCamStatus(VCamera3, Paired, macA, nameA);
    pair.setCamStatus(VCamera2, Paired, macB, nameB);
    pair.onSyncCamStatus(VCamera3, true);
    EXPECT_TRUE(pair.takeActivated(2));
    pair.showPairing(macA, nameA);

    pair.removeDevice(macB);
    EXPECT_EQ(status(2), Free);
    EXPECT_TRUE(pair.isPairingOpen());
    pair.removeDevice(QString());
    EXPECT_TRUE(log.hasError(QStringLiteral("getCamPairStatus:param is empty")));

    pair.removeDevice(macA);
    EXPECT_EQ(status(1), Free);
    EXPECT_EQ(status(3), Free);
    expectRow(row(3), "添加", "", "unPair");
    EXPECT_FALSE(pair.isPairingOpen());
    EXPECT_TRUE(pair.shownMac().isEmpty());
    EXPECT_TRUE(pair.isAllIdle());
    // The slot forgot its activity: a new report makes it active again once bound.
    pair.setCamStatus(VCamera3, Paired, macB, nameB);
    pair.onSyncCamStatus(VCamera3, true);
    EXPECT_TRUE(pair.takeActivated(2));

    // The close button hides the dialog and forgets the camera too.
    pair.showPairing(macB, nameB);
    QTest::mouseClick(child<QPushButton>("btnClose"), Qt::LeftButton);
    EXPECT_FALSE(pair.isPairingOpen());
    EXPECT_TRUE(pair.shownName().isEmpty());

    pair.setCamStatus(VCamera4, Paired, macA, nameA);
    pair.showPairing(macA, nameA);
    pair.resetAll();
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(status(n), Free) << n;
    EXPECT_TRUE(pair.shownMac().isEmpty());
    EXPECT_EQ(released.count(), 0);
    int ignored = 0;
    EXPECT_FALSE(pair.getCamPairStatus(CamID_e(0), ignored));
    EXPECT_TRUE(log.hasError(QStringLiteral("getCamPairStatus:param invalid!  0")));
}

} // namespace
