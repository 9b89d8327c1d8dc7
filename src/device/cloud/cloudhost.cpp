#include "device/cloud/cloudhost.h"

#include <QByteArray>

QString cloudHost() {
    const QByteArray fromEnvironment = qgetenv("KESTRA_CLOUD_HOST");
    if (!fromEnvironment.isEmpty())
        return QString::fromLatin1(fromEnvironment);
    return QStringLiteral(KESTRA_CLOUD_HOST_DEFAULT);
}

QString cloudUrl(const QString &path) {
    return QStringLiteral("http://") + cloudHost() + path;
}
