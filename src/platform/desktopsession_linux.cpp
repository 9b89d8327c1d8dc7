#include "platform/desktopsession.h"

bool displayConfigured() {
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool hasDesktopSession(QString *why) {
    if (displayConfigured())
        return true;
    *why = QStringLiteral("KestraLive needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY "
                          "is set. Start it from the desktop, or without windows for tests with "
                          "QT_QPA_PLATFORM=offscreen (or under xvfb-run).");
    return false;
}
