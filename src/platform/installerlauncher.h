// Starts a downloaded installer apart from KestraLive, which is about to quit.
// On Windows the installer is a program started as a detached process. On
// Linux a downloaded program has no execute permission and may be a package:
// a program is made runnable for its owner only and started detached, a
// package (.deb) is handed to the desktop's opener. False when nothing could
// be started. GUI thread.
#pragma once

#include <QString>

bool launchInstaller(const QString &path);
