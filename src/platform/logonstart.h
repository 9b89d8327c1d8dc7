// The per-user log-on start entry of KestraLive. Its command is the program's
// path in double quotes followed by " autoStart" (an argument the program
// does not read). On Windows it is the value named after the program under
// HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run; on Linux the XDG
// autostart file $XDG_CONFIG_HOME/autostart/KestraLive.desktop. GUI thread.
#pragma once

#include <QString>

// Writes (on) or removes (off) the entry for the program at programPath;
// false when the entry could not be written or removed.
bool setLogonStart(bool on, const QString &programPath);
