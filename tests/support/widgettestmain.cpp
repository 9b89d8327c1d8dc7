// Entry point of the widget tests: a QApplication (widgets need one) with the
// program's font, for the whole run. CTest runs them on the offscreen platform
// with QT_FATAL_WARNINGS, minus the platform's own stacking notes, and with a
// private runtime folder when the session has none.
#include "custom/uifont.h"
#include "support/stackingwarnings.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv) {
    keepWarningsFatalButStacking();
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    installUiFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
