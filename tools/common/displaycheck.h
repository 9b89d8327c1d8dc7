// For the tools that show or grab windows: without a display Qt's application object aborts.
// Asking for help needs no display (it is answered offscreen); anything else gets one line
// naming what is missing and exit status 1, before the application object exists.
#pragma once

#include "platform/desktopsession.h"

#include <cstdio>
#include <cstring>
#include <QByteArray>
#include <QtGlobal>

// False, after printing why, when the tool cannot run here.
inline bool displayReady(int argc, char **argv, const char *tool) {
    if (displayConfigured())
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
            return true;
        }
    }
    std::fprintf(stderr,
                 "%s: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; run it on the "
                 "desktop or under xvfb-run\n",
                 tool);
    return false;
}
