// KestraLive's entry point: one instance per user, log and settings first,
// then the run loop, which starts with the sign-in window, until a window
// ends the program.
#include "campair/filterregistrar.h"
#include "campair/workmodechooser.h"
#include "custom/languageloader.h"
#include "custom/uifont.h"
#include "device/inifile.h"
#include "log/log.h"
#include "login/login.h"
#include "main/headlessshell.h"
#include "main/runloop.h"
#include "platform/shutdownrequest.h"
#include "platform/singleinstance.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);

    // Held until the process exits; a second copy leaves silently.
    static SingleInstanceLock instanceLock(QStringLiteral("singleApp"));
    if (!instanceLock.acquired()) {
        QCoreApplication::quit();
        return -1;
    }

    LOG::init();
    IniFile &settings = IniFile::getInstance();
    quitOnTerminationRequest();

    installUiFont();
    installLanguage(settings.language());

    // The windows that exist so far; the shell stands in for the rest.
    HeadlessShell shell;
    Login *login = Login::getInstance();
    FilterRegistrar registrar(settings, QCoreApplication::applicationDirPath());
    WindowModeChooser chooser(registrar);
    RunLoop loop(settings, *login, chooser, shell, shell);
    const int code = loop.run();
    login->stopNetwork();
    return code;
}
