// Shots of the windows and cards that find and add cameras: the add-device
// window with cameras and empty, the search window's two pages, the transient
// hint and the new-camera and add cards.
#include "custom/hintwindow.h"
#include "item/itemaddnewdev.h"
#include "item/itemnewdev.h"
#include "shots.h"
#include "tarywidget/adddevice.h"
#include "tarywidget/searchdevice.h"

#include <QFrame>
#include <QVBoxLayout>

namespace {

// A card is no window of its own: it is photographed on a rounded white body.
struct CardHost {
    QWidget window;
    QFrame body{&window};
    QVBoxLayout *layout;

    CardHost() {
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.setAttribute(Qt::WA_TranslucentBackground);
        body.setObjectName("body");
        body.setStyleSheet(
            "#body{background:#FFFFFF;border:1px solid rgba(13,13,16,0.12);border-radius:16px;}");
        auto *outer = new QVBoxLayout(&window);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(&body);
        layout = new QVBoxLayout(&body);
        layout->setContentsMargins(16, 16, 16, 16);
        layout->setSpacing(16);
    }
};

} // namespace

void registerDiscoveryShots() {
    addShot("adddevice_list", [](ShotContext &shot) {
        AddDevice window;
        window.addDevice("Torvi_3C21", "Torvi Camera 3C21");
        window.addDevice("Torvi_0525", shot.text("客厅机位", "Living room"));
        window.addDevice("Torvi_9A7E", shot.text("舞台左侧的无线相机（主机位备用）",
                                                 "Wireless camera left of the stage (spare)"));
        window.setSearching(true);
        window.show();
        shot.capture(&window);
    });
    addShot("adddevice_empty", [](ShotContext &shot) {
        AddDevice window;
        window.show();
        shot.capture(&window);
    });
    addShot("search_searching", [](ShotContext &shot) {
        SearchDevice window;
        window.setVersion("1.0.0.25");
        window.showSearching();
        shot.capture(&window);
    });
    addShot("search_notfound", [](ShotContext &shot) {
        SearchDevice window;
        window.setVersion("1.0.0.25");
        window.showNotFound();
        shot.capture(&window);
    });
    addShot("hintwindow", [](ShotContext &shot) {
        CardHost host;
        host.window.resize(360, 160);
        HintWindow hint(&host.body);
        hint.move(0, 24);
        host.window.show();
        hint.showHint(shot.text("登录成功", "Signed in"), 0);
        shot.capture(&host.window);
    });
    addShot("card_new", [](ShotContext &shot) {
        CardHost host;
        host.layout->addWidget(new itemNewDev("Torvi_3C21", "Torvi Camera 3C21"));
        host.layout->addWidget(
            new itemNewDev("Torvi_9A7E", shot.text("舞台左侧的无线相机（主机位备用）",
                                                   "Wireless camera left of the stage (spare)")));
        host.window.show();
        shot.capture(&host.window);
    });
    addShot("card_add", [](ShotContext &shot) {
        CardHost host;
        host.layout->addWidget(new itemAddNewDev);
        auto *switchCard = new itemAddNewDev;
        switchCard->setTexts(shot.text("切换其他设备", "Switch to another camera"),
                             shot.text("切换", "Switch"));
        host.layout->addWidget(switchCard);
        host.window.show();
        shot.capture(&host.window);
    });
}
