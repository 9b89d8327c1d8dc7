#include "platform/registrationscript.h"

#include <QFileInfo>
#include <QProcess>

QString registrationScriptName(int workMode) {
    return workMode == 1 ? QStringLiteral("regsvrMulti.sh") : QStringLiteral("regsvrSingle.sh");
}

bool startRegistrationScript(const QString &path, QString *failure) {
    const QFileInfo script(path);
    if (!script.isFile()) {
        *failure = QStringLiteral("no such script");
        return false;
    }
    if (!script.isExecutable()) {
        *failure = QStringLiteral("not executable");
        return false;
    }
    if (!QProcess::startDetached(script.absoluteFilePath(), {QStringLiteral("runas")})) {
        *failure = QStringLiteral("cannot start");
        return false;
    }
    return true;
}
