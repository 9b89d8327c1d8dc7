#include "platform/desktopsession.h"

// Every interactive Windows session has a desktop.
bool displayConfigured() {
    return true;
}

bool hasDesktopSession(QString *) {
    return true;
}
