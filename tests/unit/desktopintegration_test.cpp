// The program's hooks into the desktop on Linux: the log-on start entry, and
// the registration scripts of the work modes started from the program folder.
#include "platform/logonstart.h"
#include "platform/registrationscript.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(LogonStartTest, EntryCarriesTheQuotedProgramAndGoesAwayWhenTurnedOff) {
    TempConfigRoot root;
    const QString entry = root.configHome() + QStringLiteral("/autostart/KestraLive.desktop");
    const QString program = QStringLiteral("/opt/Kestra Live/$HOME \"beta\"/KestraLive");

    ASSERT_TRUE(setLogonStart(true, program));
    const QString text = readAll(entry);
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(
        QStringLiteral("\nExec=\"/opt/Kestra Live/\\$HOME \\\"beta\\\"/KestraLive\" autoStart\n")))
        << qPrintable(text);

    ASSERT_TRUE(setLogonStart(false, program));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(setLogonStart(false, program)) << "nothing to remove is no failure";
}

TEST(RegistrationScriptTest, ScriptRunsApartWithRunasAndAMissingOrLockedScriptFails) {
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("arguments"));
    const QString script = folder.filePath(registrationScriptName(1));
    EXPECT_EQ(registrationScriptName(1), QStringLiteral("regsvrMulti.sh"));
    EXPECT_EQ(registrationScriptName(0), QStringLiteral("regsvrSingle.sh"));
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$@\" > '" + marker.toLocal8Bit() + "'\n");
    }

    QString failure;
    EXPECT_FALSE(startRegistrationScript(script, &failure));
    EXPECT_EQ(failure, QStringLiteral("not executable"));

    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(startRegistrationScript(script, &failure));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !readAll(marker).isEmpty(); }, 5000));
    EXPECT_EQ(readAll(marker), QStringLiteral("runas\n"));

    EXPECT_FALSE(startRegistrationScript(folder.filePath(registrationScriptName(0)), &failure));
    EXPECT_EQ(failure, QStringLiteral("no such script"));
}

} // namespace
