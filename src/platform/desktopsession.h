// Whether this process can show windows at all, asked before the application object exists
// (whose construction aborts without a display).
#pragma once

#include <QString>

// False with what is missing and how to run without a desktop (tests) in *why.
bool hasDesktopSession(QString *why);
