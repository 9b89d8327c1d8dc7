#include "platform/logonstart.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

bool setLogonStart(bool on, const QString &programPath) {
    QSettings run(
        QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
    const QString name = QFileInfo(programPath).completeBaseName();
    if (on)
        run.setValue(name,
                     QStringLiteral("\"%1\" autoStart").arg(QDir::toNativeSeparators(programPath)));
    else
        run.remove(name);
    run.sync();
    return run.status() == QSettings::NoError;
}
