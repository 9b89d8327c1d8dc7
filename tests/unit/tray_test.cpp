// The main window with its real cards, pairing dialog and pop-ups, driven by
// the device registry's own slots as discovery and the engine would call them.
// Each case runs in a process of its own (the engine and the menu exist once
// per program).
#include "campair/campair.h"
#include "device/camerahub.h"
#include "device/inifile.h"
#include "item/itemoffline.h"
#include "item/itemolddev.h"
#include "login/signedinaccount.h"
#include "menu/menu.h"
#include "menu/menusetting.h"
#include "platform/mainwindow.h"
#include "support/logcapture.h"
#include "support/scriptedtrayprompts.h"
#include "support/tempconfigroot.h"
#include "tarywidget/adddevice.h"
#include "tarywidget/searchdevice.h"
#include "tarywidget/tarywidget.h"
#include "vcam/messages.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

namespace {

const QString camA = QStringLiteral("TorviA1");
const QString camB = QStringLiteral("TorviB2");
const QString ipA = QStringLiteral("127.0.0.21");
const QString ipB = QStringLiteral("127.0.0.22");

class SignedIn : public SignedInAccount {
public:
    bool isSignedIn() const override { return true; }
    QString userId() const override { return QStringLiteral("100200"); }
    QString account() const override { return QStringLiteral("13800001234"); }
};

class TrayTest : public ::testing::Test {
protected:
    void make(WorkMode_e mode) {
        settings = std::make_unique<IniFile>(root.configRoot());
        camPair = std::make_unique<CamPair>(prompts);
        TrayParts parts;
        parts.settings = settings.get();
        parts.menu = Menu::getInstance();
        parts.addDevice = &addDevice;
        parts.searchDevice = &search;
        parts.camPair = camPair.get();
        parts.prompts = &prompts;
        parts.account = &account;
        window = std::make_unique<taryWidget>(&icon, mode, parts);
    }
    void TearDown() override {
        window.reset();
        camPair.reset();
    }

    DevList &devices() { return window->cameraHub().devList(); }
    // Lets the queued registry signals reach the window.
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void found(const QString &mac, const QString &ip) {
        devices().onAddDevice(mac, ip);
        settle();
    }
    void linked(const QString &mac, short battery = 80) {
        devices().onDeviceBatteryInfo(mac, false, battery);
        settle();
    }

    QListWidget *list() const { return window->findChild<QListWidget *>("devicetList"); }
    QString header() const { return window->findChild<QLabel *>("labelConnectTitle")->text(); }
    bool discoveryView() const {
        return window->findChild<QStackedWidget *>("stackedWidgetText")->currentIndex() == 0;
    }
    // Each row as "mac:kind", the add card as "add".
    QStringList rows() const {
        QStringList out;
        for (int row = 0; row < list()->count(); ++row) {
            QListWidgetItem *item = list()->item(row);
            const QString mac = item->data(Qt::UserRole).toString();
            out << (mac.isEmpty()
                        ? QStringLiteral("add")
                        : mac + ':' + QString::number(item->data(Qt::UserRole + 1).toInt()));
        }
        return out;
    }
    template <typename Card> Card *card(int row) const {
        return qobject_cast<Card *>(list()->itemWidget(list()->item(row)));
    }

    TempConfigRoot root;
    std::unique_ptr<IniFile> settings;
    ScriptedTrayPrompts prompts;
    SignedIn account;
    std::unique_ptr<CamPair> camPair;
    AddDevice addDevice;
    SearchDevice search;
    QSystemTrayIcon icon;
    std::unique_ptr<taryWidget> window;
};

TEST_F(TrayTest, MultiModeCardsFollowTheRegistryFromDiscoveryToRemoval) {
    make(WORKMODE_MULTI);
    EXPECT_TRUE(discoveryView());
    EXPECT_EQ(window->windowTitle(), "KestraStudioMain");

    LogCapture log;
    found(camA, ipA);
    found(camB, ipB);
    // Heard again through the other discovery path.
    emit devices().sigNewDeviceOnline(devices().getDevMeta(camA));
    settle();
    EXPECT_TRUE(log.hasError(QStringLiteral("the device card is already exist!  mac:")));
    EXPECT_EQ(rows(), QStringList({camB + ":0", camA + ":0"}));
    EXPECT_EQ(addDevice.count(), 2);

    window->onConnectDevice(camA);
    settle();
    EXPECT_FALSE(discoveryView());
    EXPECT_EQ(rows(), QStringList({camA + ":1", "add"}));
    EXPECT_EQ(header(), "我的设备 (1)");

    linked(camA);
    EXPECT_EQ(rows(), QStringList({camA + ":2", "add"}));
    ASSERT_NE(card<itemOldDev>(0), nullptr);

    window->onConnectDevice(camB);
    settle();
    linked(camB);
    EXPECT_EQ(rows(), QStringList({camA + ":2", camB + ":2", "add"}));
    EXPECT_EQ(header(), "我的设备 (2)");

    // A lost camera goes to the end as a known, unconnected card; the rest renumber.
    devices().onDeviceOffine(camA);
    settle();
    EXPECT_EQ(rows(), QStringList({camB + ":2", camA + ":1", "add"}));
    EXPECT_EQ(card<itemOldDev>(0)->findChild<QLabel *>("numLabel")->text(), "1");
    EXPECT_EQ(card<itemOffline>(1)->findChild<QLabel *>("numLabel")->text(), "2");
    int listHeight = 0;
    for (int row = 0; row < list()->count(); ++row)
        listHeight += list()->item(row)->sizeHint().height();
    EXPECT_EQ(window->listHeight(), listHeight);

    prompts.defaultAnswer = true;
    window->onRemoveDevice(camB);
    EXPECT_TRUE(prompts.asked("确认要移除此设备吗?"));
    EXPECT_EQ(rows(), QStringList({camA + ":1", "add"}));
    window->onRemoveDevice(camA);
    EXPECT_TRUE(discoveryView());
    EXPECT_FALSE(addDevice.isVisible());
    EXPECT_EQ(window->listHeight(), 0);
}

TEST_F(TrayTest, SingleModeFollowsTheOneCameraThroughLossAndReturn) {
    make(WORKMODE_SINGLE);
    found(camA, ipA);
    window->onConnectDevice(camA);
    settle();
    EXPECT_EQ(window->currentState(), taryWidget::CurrentWaiting);
    QWidget *online = window->findChild<QWidget *>("frameSingleOnline");
    QWidget *offline = window->findChild<QWidget *>("frameSingleOffline");

    linked(camA);
    EXPECT_EQ(window->currentState(), taryWidget::CurrentOnline);
    EXPECT_TRUE(online->isVisible());
    // The one camera feeds the first virtual camera.
    int status = Free;
    EXPECT_TRUE(camPair->getCamPairStatus(VCamera1, status));
    EXPECT_EQ(status, Paired);
    EXPECT_EQ(settings->getVCamera(1), ipA);

    devices().onDeviceAbnormal(camA);
    settle();
    EXPECT_EQ(window->currentState(), taryWidget::CurrentLost);
    EXPECT_TRUE(offline->isVisible());
    EXPECT_FALSE(online->isVisible());
    EXPECT_TRUE(camPair->isAllIdle());

    linked(camA);
    EXPECT_EQ(window->currentState(), taryWidget::CurrentOnline);
    EXPECT_TRUE(online->isVisible());
}

TEST_F(TrayTest, AVirtualCameraInUseBlocksRemoveSwitchQuitAndSignOut) {
    make(WORKMODE_MULTI);
    found(camA, ipA);
    window->onConnectDevice(camA);
    settle();
    linked(camA);
    window->onBindVirtualCam(camA, VCamera2);
    camPair->setCamStatus(VCamera2, Paired, camA, camA);
    emit window->updateVirtualCamStatus(VCamera2, true);
    ASSERT_FALSE(camPair->isAllIdle());

    window->onRemoveDevice(camA);
    EXPECT_TRUE(prompts.asked("无法移除设备!"));
    EXPECT_EQ(rows(), QStringList({camA + ":2", "add"}));

    window->onSwitchWorkMode(WORKMODE_SINGLE);
    EXPECT_TRUE(prompts.asked("无法进行切换!"));
    EXPECT_FALSE(settings->workModeSwitch());

    prompts.defaultAnswer = false;
    window->onQuit();
    window->onQuitLogin();
    EXPECT_EQ(prompts.prompts.size(), 4);
    EXPECT_EQ(prompts.prompts.last().title, "确认要退出吗?");
    EXPECT_TRUE(window->isVisible());

    // A camera the registry does not know, or none at all, opens nothing.
    LogCapture log;
    window->onShowOptionUI(QStringLiteral("TorviGone"));
    window->onSwitchHDR(QString(), true);
    EXPECT_TRUE(log.hasError(QStringLiteral("the Info of the device is error get from devList")));
    EXPECT_TRUE(log.hasError(QStringLiteral("mac is empty")));
    EXPECT_FALSE(camPair->isVisible());

    // The filter stops: the slot is free to go again.
    emit window->updateVirtualCamStatus(VCamera2, false);
    EXPECT_TRUE(camPair->isAllIdle());
}

TEST_F(TrayTest, TheFiltersMessagesMarkTheSlotInUseAndAskTheCameraForANewMode) {
    make(WORKMODE_MULTI);
    found(camA, ipA);
    window->onConnectDevice(camA);
    settle();
    linked(camA);
    window->onBindVirtualCam(camA, VCamera1);
    camPair->setCamStatus(VCamera1, Paired, camA, camA);

    // What the filter inside a video application posts to "KestraStudioMain".
    LogCapture log;
    Kestra::PostToMainWindow(WM_VCAM_ACTIVE, 1, 1);
    Kestra::PostToMainWindow(WM_VCAM_RESOLUTION, 1, 3);
    Kestra::PostToMainWindow(WM_VCAM_FPS, 1, 30);
    Kestra::PostToMainWindow(WM_VCAM_ACTIVE, 9, 1); // no such virtual camera: ignored
    ASSERT_TRUE(log.waitFor(QStringLiteral("set device video >> "), 5000));
    EXPECT_TRUE(log.contains(QStringLiteral("vCamera config>> id:")));
    EXPECT_TRUE(log.contains(QStringLiteral("window message WM_VCAM_FPS camera: 1 value: 30")));
    int status = Free;
    camPair->getCamPairStatus(VCamera1, status);
    EXPECT_EQ(status, InUse);
    EXPECT_TRUE(camPair->isDeviceIdle(camB));
    EXPECT_FALSE(camPair->isDeviceIdle(camA));
}

TEST_F(TrayTest, SettingsWindowSwitchesToEnglishAndTurnsLogOnStartOnAndOff) {
    make(WORKMODE_SINGLE);
    MenuSetting *preferences = MenuSetting::getInstance();
    preferences->onLanguageSwitch(1);
    settle(); // the windows retranslate on the language-change event
    EXPECT_EQ(settings->language(), 1);
    EXPECT_EQ(header(), "My cameras (1)");
    EXPECT_EQ(window->findChild<QLabel *>("textCurrMode")->text(), "Single camera");
    EXPECT_EQ(window->findChild<QLabel *>("labelModeTip")->text(), "Switch to multiple cameras");
    EXPECT_EQ(window->findChild<QLabel *>("logoTitleText")->text(),
              "Kestra Wireless Camera Assistant");
    EXPECT_EQ(window->findChild<QPushButton *>("btnNoFind")->text(), "No camera found?");
    preferences->onLanguageSwitch(0);
    settle();
    EXPECT_EQ(header(), "我的设备 (1)");

    const QString entry = root.configHome() + QStringLiteral("/autostart/KestraLive.desktop");
    preferences->onAutoStart(true);
    EXPECT_TRUE(settings->keepAutorun());
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(
        (QStringLiteral("Exec=\"") + QCoreApplication::applicationFilePath() + "\" autoStart")
            .toUtf8()));
    preferences->onAutoStart(false);
    EXPECT_FALSE(settings->keepAutorun());
    EXPECT_FALSE(QFile::exists(entry));
}

} // namespace
