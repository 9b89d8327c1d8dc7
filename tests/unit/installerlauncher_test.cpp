// Starting a downloaded installer on Linux: a program becomes runnable for its
// owner only and runs apart from us; a package goes to the desktop's opener.
#include "platform/installerlauncher.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeScript(const QString &path, const QByteArray &body) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n" + body) > 0;
}

TEST(InstallerLauncherTest, ProgramRunsForItsOwnerOnlyAndPackageGoesToTheOpener) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("ran"));

    const QString program = dir.filePath(QStringLiteral("KestraLive_1.0.35.run"));
    ASSERT_TRUE(writeScript(program, "echo program > " + marker.toLocal8Bit() + "\n"));
    ASSERT_TRUE(launchInstaller(program));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
    const QFile::Permissions permissions = QFileInfo(program).permissions();
    EXPECT_TRUE(permissions.testFlag(QFile::ExeOwner));
    EXPECT_FALSE(permissions.testFlag(QFile::ExeGroup) || permissions.testFlag(QFile::ExeOther));
    EXPECT_FALSE(permissions.testFlag(QFile::WriteGroup) ||
                 permissions.testFlag(QFile::WriteOther));

    // The opener gets the package; the package itself is never executed.
    const QString opened = dir.filePath(QStringLiteral("opened"));
    ASSERT_TRUE(writeScript(dir.filePath(QStringLiteral("xdg-open")),
                            "echo \"$1\" > " + opened.toLocal8Bit() + "\n"));
    QFile::setPermissions(dir.filePath(QStringLiteral("xdg-open")),
                          QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ":" + path);
    const QString package = dir.filePath(QStringLiteral("KestraLive_1.0.35.deb"));
    ASSERT_TRUE(writeScript(package, "echo package > " + marker.toLocal8Bit() + "\n"));
    ASSERT_TRUE(launchInstaller(package));
    qputenv("PATH", path);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(opened); }, 5000));
    QFile result(opened);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll().trimmed(), package.toLocal8Bit());
    EXPECT_FALSE(QFileInfo(package).permissions().testFlag(QFile::ExeOwner));

    EXPECT_FALSE(launchInstaller(dir.filePath(QStringLiteral("missing.run"))));
}

} // namespace
