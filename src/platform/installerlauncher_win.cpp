#include "platform/installerlauncher.h"

#include <QDir>
#include <QProcess>

bool launchInstaller(const QString &path) {
    return QProcess::startDetached(QDir::toNativeSeparators(path), {});
}
