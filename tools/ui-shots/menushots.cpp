// Shots of the pop-up menu, the settings window (with a pull-down open), the
// two pages of the about window and the tray message box on both pages.
#include "custom/pulldownlist.h"
#include "menu/menu.h"
#include "menu/menuabout.h"
#include "menu/menusetting.h"
#include "menu/traymsgbox.h"
#include "shots.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// The tray window's values, as it sets them on every start.
Menu *preparedMenu(const ShotContext &shot) {
    Menu *menu = Menu::getInstance();
    menu->hideAll();
    menu->setLanguage(shot.english() ? 1 : 0);
    menu->setWorkMode(0);
    menu->setKeepNewstVersion(true);
    menu->setKeepAutorun(false);
    menu->setVersion(QStringLiteral("1.0.0.25"));
    menu->setUserId(QStringLiteral("1029384756"));
    menu->setAccount(QStringLiteral("13812345678"));
    return menu;
}

void boxShot(const QString &name, bool single) {
    addShot(name, [=](ShotContext &shot) {
        trayMsgBox *box = trayMsgBox::getInstance();
        if (single) {
            box->setTitle(shot.text("星隼无线相机助手", "Kestra wireless camera assistant"));
            box->setText(shot.text("星隼无线相机助手已经最小化托盘",
                                   "The assistant keeps running in the notification area."));
            box->setSingleText(shot.text("知道了", "Got it"));
            box->setSingleButton(5);
        } else {
            box->setTitle(shot.text("切换连接模式", "Switch the connection mode"));
            box->setText(shot.text("切换至多机模式后需要重新配对虚拟摄像机，是否继续？",
                                   "After switching to multi-camera mode the virtual cameras "
                                   "must be paired again. Continue?"));
            box->setConfirmText(shot.text("继续", "Continue"));
            box->setCancelText(shot.text("取消", "Cancel"));
            box->setDoubleButton(0);
        }
        QTimer::singleShot(0, box, [&shot, box] {
            shot.capture(box);
            box->reject();
        });
        box->exec();
    });
}

} // namespace

void registerMenuShots() {
    addShot("menu", [](ShotContext &shot) {
        Menu *menu = preparedMenu(shot);
        menu->show();
        // The mouse over the first entry.
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
        QCoreApplication::sendEvent(menu->findChild<QWidget *>(QStringLiteral("btnSetting")),
                                    &enter);
        shot.capture(menu);
        menu->hide();
    });
    addShot("settings_single", [](ShotContext &shot) {
        Menu *menu = preparedMenu(shot);
        menu->settings()->show();
        shot.capture(menu->settings());
        menu->hideAll();
    });
    addShot("settings_pulldown_open", [](ShotContext &shot) {
        Menu *menu = preparedMenu(shot);
        MenuSetting *settings = menu->settings();
        settings->show();
        if (!QTest::qWaitForWindowExposed(settings))
            return;
        auto *languages = settings->findChild<PullDownList *>(QStringLiteral("languageWidget"));
        // Opened while capture() waits for the first paints: activating the window first
        // would close the pop-up again.
        QTimer::singleShot(150, languages, [languages] { languages->showPopup(); });
        shot.capture(settings, {languages->popup()});
        languages->popup()->hide();
        menu->hideAll();
    });
    addShot("about_software", [](ShotContext &shot) {
        Menu *menu = preparedMenu(shot);
        menu->about()->showSoftwarePage();
        shot.capture(menu->about());
        menu->hideAll();
    });
    addShot("about_account", [](ShotContext &shot) {
        Menu *menu = preparedMenu(shot);
        menu->about()->showAccountPage();
        shot.capture(menu->about());
        menu->hideAll();
    });
    boxShot("traymsgbox_two", false);
    boxShot("traymsgbox_one", true);
}
