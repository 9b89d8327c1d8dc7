// Shots of the main window in its views, with cameras fed to its registry as
// discovery and the engine would report them. Its camera side starts for real,
// so run the shots without a network (scripts/screenshots.sh does).
#include "campair/campair.h"
#include "device/camerahub.h"
#include "device/inifile.h"
#include "login/signedinaccount.h"
#include "menu/menu.h"
#include "menu/traymsgboxprompts.h"
#include "shots.h"
#include "tarywidget/adddevice.h"
#include "tarywidget/searchdevice.h"
#include "tarywidget/tarywidget.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

class ShotAccount : public SignedInAccount {
public:
    explicit ShotAccount(bool signedIn) : m_signedIn(signedIn) {}
    bool isSignedIn() const override { return m_signedIn; }
    QString userId() const override { return QStringLiteral("100200"); }
    QString account() const override { return QStringLiteral("13800001234"); }

private:
    bool m_signedIn;
};

// One main window over a private settings folder; `feed` reports cameras to its registry.
void trayShot(const QString &name, WorkMode_e mode, std::function<void(taryWidget &)> feed,
              std::function<QList<QWidget *>(taryWidget &, CamPair &)> popups = {},
              bool signedIn = false) {
    addShot(name, [=](ShotContext &shot) {
        QTemporaryDir folder;
        IniFile settings(folder.path());
        settings.setLanguage(shot.english() ? 1 : 0);
        TrayMsgBoxPrompts prompts;
        CamPair camPair(prompts);
        AddDevice addDevice;
        SearchDevice search;
        ShotAccount account(signedIn);
        QSystemTrayIcon icon;
        TrayParts parts{&settings, Menu::getInstance(), &addDevice, &search, &camPair, &prompts,
                        &account};
        taryWidget window(&icon, mode, parts);
        feed(window);
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        window.move(40, 40);
        const QList<QWidget *> extra = popups ? popups(window, camPair) : QList<QWidget *>{};
        shot.capture(&window, extra);
        window.hideAndExit();
    });
}

void connect(taryWidget &window, const QString &mac, const QString &ip, bool online,
             short battery = 76) {
    DevList &devices = window.cameraHub().devList();
    devices.onAddDevice(mac, ip);
    QCoreApplication::processEvents();
    window.onConnectDevice(mac);
    QCoreApplication::processEvents();
    if (online)
        devices.onDeviceBatteryInfo(mac, false, battery);
    QCoreApplication::processEvents();
}

} // namespace

void registerTrayShots() {
    trayShot("tray_discovery", WORKMODE_MULTI, [](taryWidget &window) {
        DevList &devices = window.cameraHub().devList();
        devices.onAddDevice("Torvi_5F2A01", "192.168.1.23");
        devices.onAddDevice("Torvi_7C9E11", "192.168.1.24");
    });
    trayShot("tray_empty", WORKMODE_MULTI, [](taryWidget &) {});
    trayShot(
        "tray_signed_in", WORKMODE_SINGLE, [](taryWidget &) {}, {}, true);
    trayShot("tray_multi", WORKMODE_MULTI, [](taryWidget &window) {
        connect(window, "Torvi_5F2A01", "192.168.1.23", true, 76);
        connect(window, "Torvi_7C9E11", "192.168.1.24", true, 15);
        connect(window, "Torvi_0B4D72", "192.168.1.25", false);
        window.cameraHub().devList().onDeviceAbnormal("Torvi_0B4D72");
        window.onBindVirtualCam("Torvi_5F2A01", VCamera1);
    });
    trayShot("tray_single_online", WORKMODE_SINGLE,
             [](taryWidget &window) { connect(window, "Torvi_5F2A01", "192.168.1.23", true, 76); });
    trayShot("tray_single_connecting", WORKMODE_SINGLE,
             [](taryWidget &window) { connect(window, "Torvi_5F2A01", "192.168.1.23", false); });
    trayShot(
        "tray_mode_tip", WORKMODE_MULTI, [](taryWidget &) {},
        [](taryWidget &window, CamPair &) {
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(window.findChild<QWidget *>("btnOtherMode"), &enter);
            return QList<QWidget *>{};
        });
}
