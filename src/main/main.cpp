// KestraLive's entry point: one instance per user, log and settings first,
// then the run loop, which starts with the sign-in window, until a window
// ends the program.
#include "campair/filterregistrar.h"
#include "campair/workmodechooser.h"
#include "custom/uifont.h"
#include "device/inifile.h"
#include "log/log.h"
#include "login/login.h"
#include "login/virtualcamerausage.h"
#include "main/audiodrive.h"
#include "main/runloop.h"
#include "menu/menu.h"
#include "platform/shutdownrequest.h"
#include "platform/singleinstance.h"
#include "tarywidget/searchdevice.h"
#include "tarywidget/traywindows.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // The windows hide to the tray; only a window's exit code ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // Held until the process exits; a second copy leaves silently.
    static SingleInstanceLock instanceLock(QStringLiteral("singleApp"));
    if (!instanceLock.acquired()) {
        QCoreApplication::quit();
        return -1;
    }

    LOG::init();
    // Loads the audio bridge at every start, before anything is shown.
    AudioDrive audio;
    IniFile &settings = IniFile::getInstance();
    quitOnTerminationRequest();

    installUiFont();
    Menu::getInstance()->setLanguage(settings.language());

    Login *login = Login::getInstance();
    FilterRegistrar registrar(settings, QCoreApplication::applicationDirPath());
    WindowModeChooser chooser(registrar);
    int code = -1;
    {
        TrayWindows tray(settings, *login);
        login->setVirtualCameraUsage(tray);
        QObject::connect(Menu::getInstance(), &Menu::sigCheckUpdate, login, &Login::onCheckUpdate);
        QObject::connect(&tray.searchDevice(), &SearchDevice::sigCheckUpdate, login,
                         &Login::onCheckUpdate);
        RunLoop loop(settings, *login, chooser, audio, tray);
        code = loop.run();
        static NoVirtualCameraInUse nothingInUse;
        login->setVirtualCameraUsage(nothingInUse);
    }
    login->stopNetwork();
    return code;
}
