// storeSignIn: the encrypted tokens of an earlier sign-in, as KestraLive's own
// store writes them, put into a program settings folder that holds nothing
// else yet (so that the next start is a returning user's, without the
// first-start preferences). The test links kestra_core. Test thread.
#pragma once

#include "device/inifile.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

inline bool storeSignIn(const QString &access, const QString &refresh, const QString &configRoot) {
    if (access.isEmpty() || refresh.isEmpty())
        return false;
    QTemporaryDir elsewhere;
    {
        IniFile store(elsewhere.path());
        store.setToken(access);
        store.setRefreshToken(refresh);
    }
    return QDir().mkpath(configRoot + QStringLiteral("/ini")) &&
           QFile::copy(elsewhere.filePath(QStringLiteral("ini/device.ini")),
                       configRoot + QStringLiteral("/ini/device.ini"));
}
