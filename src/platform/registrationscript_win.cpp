#include "platform/registrationscript.h"

#include <windows.h>

#include <QDir>

QString registrationScriptName(int workMode) {
    return workMode == 1 ? QStringLiteral("regsvrMulti.bat") : QStringLiteral("regsvrSingle.bat");
}

bool startRegistrationScript(const QString &path, QString *failure) {
    const QByteArray file = QDir::toNativeSeparators(path).toLocal8Bit();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "runas", file.constData(), "runas", nullptr, SW_HIDE));
    // The shell reports success with a value above 32.
    if (result > 32)
        return true;
    *failure = QString::number(result);
    return false;
}
