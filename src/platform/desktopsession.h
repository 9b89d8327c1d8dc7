// Whether this process can show windows at all, asked before the application object exists
// (whose construction aborts without a display).
#pragma once

#include <QString>

// True when Qt has somewhere to put windows: a display, or a platform chosen by hand (offscreen
// for tests, or a named display). What the window tools check too.
bool displayConfigured();
// False with what is missing and how to run without a desktop (tests) in *why.
bool hasDesktopSession(QString *why);
