#include "platform/installerlauncher.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

bool launchInstaller(const QString &path) {
    const QFileInfo file(path);
    if (!file.isFile())
        return false;
    if (file.suffix().compare(QStringLiteral("deb"), Qt::CaseInsensitive) == 0)
        return QProcess::startDetached(QStringLiteral("xdg-open"), {file.absoluteFilePath()});
    if (!QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    return QProcess::startDetached(file.absoluteFilePath(), {});
}
