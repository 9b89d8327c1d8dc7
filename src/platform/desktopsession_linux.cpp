#include "platform/desktopsession.h"

bool hasDesktopSession(QString *why) {
    // A platform chosen by hand (offscreen for tests, or a named display) is taken as it is.
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    *why = QStringLiteral("KestraLive needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY "
                          "is set. Start it from the desktop, or without windows for tests with "
                          "QT_QPA_PLATFORM=offscreen (or under xvfb-run).");
    return false;
}
