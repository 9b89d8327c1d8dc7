// The first-run work-mode chooser on the real window (offscreen), with real
// registration scripts in a stand-in program folder.
#include "campair/filterregistrar.h"
#include "campair/loginmode.h"
#include "campair/workmodechooser.h"
#include "device/inifile.h"
#include "support/logcapture.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class LoginModeTest : public ::testing::Test {
protected:
    // A script of the mode that notes its arguments.
    void installScript(const QString &name) {
        QFile file(program.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$@\" > '" + marker(name).toLocal8Bit() + "'\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString marker(const QString &script) const { return program.filePath(script + ".ran"); }
    static QWidget *findPanel(const QString &name) {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *mode = qobject_cast<LoginMode *>(top))
                return mode->findChild<QWidget *>(name);
        return nullptr;
    }
    static LoginMode *window() {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *mode = qobject_cast<LoginMode *>(top))
                return mode;
        return nullptr;
    }

    TempConfigRoot root;
    QTemporaryDir program;
    FilterRegistrar registrar{IniFile::getInstance(), program.path()};
    WindowModeChooser chooser{registrar};
};

TEST_F(LoginModeTest, ChoosingAPanelRegistersThatModeAndStoresIt) {
    installScript(QStringLiteral("regsvrSingle.sh"));
    qreal hovered = -1, pressed = -1;
    QTimer::singleShot(0, [&] {
        QWidget *single = findPanel(QStringLiteral("frameSingle"));
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(single, &enter);
        hovered = window()->shadowOf(single);
        QTest::mousePress(single, Qt::LeftButton);
        pressed = window()->shadowOf(single);
        QTest::mouseRelease(single, Qt::LeftButton);
    });
    ASSERT_TRUE(chooser.runModal());
    EXPECT_EQ(hovered, 8);
    EXPECT_EQ(pressed, 0);
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(IniFile::getInstance().workMode(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker("regsvrSingle.sh")); }, 5000));
}

TEST_F(LoginModeTest, MissingScriptClosingAndTheCloseButtonAllCountAsFailure) {
    LogCapture log;
    IniFile::getInstance().setWorkMode(0);
    QTimer::singleShot(0, [] {
        QWidget *multi = findPanel(QStringLiteral("frameMulti"));
        QTest::mousePress(multi, Qt::LeftButton);
        QTest::mouseRelease(multi, Qt::LeftButton);
    });
    EXPECT_FALSE(chooser.runModal());
    EXPECT_TRUE(
        log.contains(QStringLiteral("regsvr32 mutil: ") + program.filePath("regsvrMulti.sh")));
    EXPECT_TRUE(log.hasError(QStringLiteral("regsvr32 single faild: no such script")));
    EXPECT_EQ(IniFile::getInstance().workMode(), 0);

    QTimer::singleShot(0, [] { window()->close(); });
    EXPECT_FALSE(chooser.runModal());
    ASSERT_NE(window(), nullptr) << "closing keeps the window for the next run";

    QTimer::singleShot(0, [] { window()->findChild<QPushButton *>("btnClose")->click(); });
    EXPECT_FALSE(chooser.runModal());
}

} // namespace
