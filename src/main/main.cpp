// KestraLive's entry point: one instance per user, log and settings first,
// then the run loop, which starts with the sign-in window, until a window
// ends the program.
#include "campair/filterregistrar.h"
#include "campair/workmodechooser.h"
#include "custom/uifont.h"
#include "device/inifile.h"
#include "device/programversion.h"
#include "log/log.h"
#include "login/login.h"
#include "login/virtualcamerausage.h"
#include "main/audiodrive.h"
#include "main/runloop.h"
#include "menu/menu.h"
#include "platform/descriptorlimit.h"
#include "platform/desktopsession.h"
#include "platform/shutdownrequest.h"
#include "platform/singleinstance.h"
#include "tarywidget/searchdevice.h"
#include "tarywidget/traywindows.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// --help and --version answer before anything starts; other arguments (the log-on start's
// "autoStart") are ignored as they always were. True when the program should end here.
bool answeredArguments(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("KestraLive %s\n", programVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: KestraLive [--help] [--version]\n"
                        "Signs in to the cloud account, finds the Torvi cameras on this network\n"
                        "and pairs them with the virtual cameras Kestra Camera1 to 4; it lives in\n"
                        "the system tray. Needs a desktop session (QT_QPA_PLATFORM=offscreen runs\n"
                        "it without windows, for tests).\n"
                        "  --help     this text\n"
                        "  --version  the program's version\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[]) {
    if (answeredArguments(argc, argv))
        return 0;
    QString noDesktop;
    if (!hasDesktopSession(&noDesktop)) {
        std::fprintf(stderr, "%s\n", qPrintable(noDesktop));
        return 1;
    }
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
    raiseDescriptorLimit();
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
