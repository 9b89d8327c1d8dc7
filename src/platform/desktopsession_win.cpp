#include "platform/desktopsession.h"

bool hasDesktopSession(QString *) {
    // Every interactive Windows session has a desktop.
    return true;
}
