#include "platform/logonstart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/KestraLive.desktop");
}

// A quoted argument of a desktop entry's Exec key: inside the quotes, '"',
// '`', '$' and '\' are escaped with a backslash.
QString quotedArgument(const QString &argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

} // namespace

bool setLogonStart(bool on, const QString &programPath) {
    const QString path = entryPath();
    if (!on)
        return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=KestraLive\n"
                                         "Exec=%1 autoStart\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(quotedArgument(programPath));
    file.write(entry.toUtf8());
    return file.commit();
}
