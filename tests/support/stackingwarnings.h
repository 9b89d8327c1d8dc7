// Widget tests run on the offscreen platform, which has no window stacking, no
// keyboard grab and no system tray: Qt warns "This plugin does not support
// raise()" whenever a top-level window is raised (Qt itself raises tool windows
// when they show), likewise for propagateSizeHints(), grabbing the keyboard
// (pop-ups), and a tray icon cannot follow the tray's window. Under
// QT_FATAL_WARNINGS those abort every test that shows such a window.
// keepWarningsFatalButStacking() keeps every other warning fatal: before the
// first warning it takes QT_FATAL_WARNINGS over from Qt and aborts on any
// warning or critical message but those. Call it before anything warns,
// e.g. from a namespace-scope initialiser of the test file.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <QByteArray>
#include <QString>
#include <QtGlobal>

inline bool keepWarningsFatalButStacking() {
    if (qEnvironmentVariableIsEmpty("QT_FATAL_WARNINGS"))
        return false;
    qunsetenv("QT_FATAL_WARNINGS");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context,
                              const QString &message) {
        const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
        std::fprintf(stderr, "%s\n", line.constData());
        const bool stacking =
            message.startsWith(QLatin1String("This plugin does not support ")) ||
            message.contains(QLatin1String("QPlatformNativeInterface::systemTrayWindowChanged"));
        if ((type == QtWarningMsg || type == QtCriticalMsg) && !stacking)
            std::abort();
        if (type == QtFatalMsg)
            std::abort();
    });
    return true;
}
