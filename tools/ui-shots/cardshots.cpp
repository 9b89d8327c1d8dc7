// Shots of the camera cards and the battery indicator, each on a rounded
// white window like the main window's list.
#include "item/battery.h"
#include "item/itemoffline.h"
#include "item/itemolddev.h"
#include "item/optionmenu.h"
#include "shots.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

class QuietPairing : public PairingSlots {
public:
    bool setCamStatus(CamID_e, int, const QString &, const QString &) override { return true; }
    void showPairing(const QString &, const QString &) override {}
    bool isPairingOpen() const override { return false; }
};

// A translucent frameless window whose rounded white body holds `content`.
class Backdrop : public QWidget {
public:
    explicit Backdrop(bool vertical = true) {
        setWindowFlags(Qt::FramelessWindowHint);
        setAttribute(Qt::WA_TranslucentBackground);
        auto *outer = new QVBoxLayout(this);
        outer->setContentsMargins(0, 0, 0, 0);
        auto *body = new QFrame(this);
        body->setObjectName("body");
        body->setStyleSheet(
            "#body{background:#FFFFFF;border:1px solid rgba(13,13,16,0.12);border-radius:16px;}");
        outer->addWidget(body);
        layout = vertical ? static_cast<QBoxLayout *>(new QVBoxLayout(body))
                          : static_cast<QBoxLayout *>(new QHBoxLayout(body));
        layout->setContentsMargins(8, 16, 8, 16);
        layout->setSpacing(16);
    }
    QBoxLayout *layout;
};

DeviceBaseInfo_t sampleCamera(ConnectState_e state) {
    DeviceBaseInfo_t dev;
    dev.mac = "Torvi_5F2A01";
    dev.name = "Torvi Camera 0525";
    dev.ip = "192.168.1.23";
    dev.connectState = state;
    dev.battery = 76;
    return dev;
}

void offlineShot(const QString &name, ConnectState_e state) {
    addShot(name, [=](ShotContext &shot) {
        Backdrop window;
        auto *card = new itemOffline;
        card->setDeviceInfo(sampleCamera(state));
        card->setNumber(2);
        window.layout->addWidget(card);
        window.show();
        shot.capture(&window);
    });
}

} // namespace

void registerCardShots() {
    offlineShot("card_offline_connecting", Connecting);
    offlineShot("card_offline_failed", Abnormal);
    offlineShot("card_offline_none", Disconnected);
    addShot("card_online_badges", [](ShotContext &shot) {
        QuietPairing pairing;
        Backdrop window;
        auto *card = new itemOldDev(sampleCamera(Connected), pairing);
        card->setNumber(1);
        card->setVirtualCamStatus(VCamera1, Paired);
        card->setVirtualCamStatus(VCamera3, InUse);
        window.layout->addWidget(card);
        window.show();
        shot.capture(&window);
    });
    addShot("card_online_edit", [](ShotContext &shot) {
        QuietPairing pairing;
        Backdrop window;
        auto *card = new itemOldDev(sampleCamera(Connected), pairing);
        card->setNumber(1);
        card->setBattery(15, false);
        for (CamID_e id : {VCamera1, VCamera2, VCamera4})
            card->setVirtualCamStatus(id, Paired);
        card->onCamSetting();
        window.layout->addWidget(card);
        window.show();
        shot.capture(&window);
    });
    addShot("battery_levels", [](ShotContext &shot) {
        Backdrop window(false);
        window.layout->setContentsMargins(16, 12, 16, 12);
        const std::pair<int, bool> states[] = {{100, false}, {60, false}, {20, false},
                                               {20, true},   {5, false},  {0, true}};
        for (const auto &[level, charging] : states) {
            auto *battery = new Battery;
            battery->setLevel(level);
            battery->setCharging(charging);
            window.layout->addWidget(battery);
        }
        window.show();
        shot.capture(&window);
    });
    addShot("option_menu", [](ShotContext &shot) {
        OptionMenu menu;
        menu.popupAt(QPoint(400, 200));
        shot.capture(&menu);
    });
}
