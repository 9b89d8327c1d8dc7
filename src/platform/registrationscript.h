// Starts the script beside the program that registers the virtual camera
// filters for a work mode, apart from KestraLive and with the single argument
// "runas"; its own result is not awaited. On Windows the script is a batch
// file started elevated (shell execute, verb "runas", window hidden); on Linux
// a shell script started detached. GUI thread.
#pragma once

#include <QString>

// The script's file name for a work mode: 0 single, 1 multi.
QString registrationScriptName(int workMode);

// True once the script runs; otherwise false with the reason in failure
// (on Windows the shell's return value). A missing or non-executable script
// is a failure.
bool startRegistrationScript(const QString &path, QString *failure);
