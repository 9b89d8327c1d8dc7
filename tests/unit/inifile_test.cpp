#include "device/inifile.h"
#include "support/logcapture.h"
#include "support/qtprint.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <algorithm>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString ini(const QString &name) const {
        return root.configRoot() + QStringLiteral("/ini/") + name;
    }
    void writeFile(const QString &name, const QByteArray &content) const {
        ASSERT_TRUE(QDir().mkpath(root.configRoot() + QStringLiteral("/ini")));
        QFile file(ini(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray readFile(const QString &name) const {
        QFile file(ini(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // What another process (the filter) sees on disk right now.
    QVariant onDisk(const QString &name, const QString &key) const {
        return QSettings(ini(name), QSettings::IniFormat).value(key);
    }

    TempConfigRoot root;
};

TEST_F(IniFileTest, FirstStartWithoutConfigWritesEveryDefault) {
    LogCapture log;
    IniFile settings(root.configRoot());
    EXPECT_TRUE(log.contains(QStringLiteral("the config.ini is not exists！")));

    QSettings config(ini(QStringLiteral("config.ini")), QSettings::IniFormat);
    config.beginGroup(QStringLiteral("config"));
    EXPECT_EQ(config.value(QStringLiteral("keepNewstVersion")).toString(), "true");
    EXPECT_EQ(config.value(QStringLiteral("keepAutorun")).toString(), "true");
    EXPECT_EQ(config.value(QStringLiteral("workModeSelect")).toString(), "true");
    EXPECT_EQ(config.value(QStringLiteral("workmodeMulti")).toString(), "false");
    EXPECT_EQ(config.value(QStringLiteral("workModeSwitch")).toString(), "false");
    EXPECT_EQ(config.value(QStringLiteral("language")).toString(), "0");
    EXPECT_EQ(config.value(QStringLiteral("isFirstInstall")).toString(), "false");
    EXPECT_FALSE(config.contains(QStringLiteral("workMode")));
}

// A settings folder that cannot be read is not a first start: the log says where and why.
TEST_F(IniFileTest, AnUnusableSettingsFolderIsNamedWithWhatIsWrong) {
    ASSERT_TRUE(QDir().mkpath(root.configRoot()));
    QFile inTheWay(root.configRoot() + QStringLiteral("/ini"));
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    inTheWay.close();
    LogCapture log;
    IniFile settings(root.configRoot());
    EXPECT_TRUE(log.hasError(QStringLiteral("the settings folder ") + root.configRoot() +
                             QStringLiteral("/ini cannot be read: it is a file, not a folder")));
    EXPECT_FALSE(log.contains(QStringLiteral("the config.ini is not exists")));
}

TEST_F(IniFileTest, FirstInstallFlagRewritesDefaultsButKeepsTheLanguage) {
    writeFile(
        QStringLiteral("config.ini"),
        "[config]\nisFirstInstall=true\nlanguage=1\nkeepAutorun=false\nworkModeSelect=false\n");
    LogCapture log;
    IniFile settings(root.configRoot());
    EXPECT_FALSE(log.contains(QStringLiteral("not exists")));
    EXPECT_EQ(settings.language(), 1);
    EXPECT_TRUE(settings.keepAutorun());
    EXPECT_TRUE(settings.keepNewstVersion());
    EXPECT_TRUE(settings.workModeSelect());
    EXPECT_FALSE(settings.workModeSwitch());
    EXPECT_EQ(
        onDisk(QStringLiteral("config.ini"), QStringLiteral("config/isFirstInstall")).toString(),
        "false");
}

TEST_F(IniFileTest, SettledConfigIsLeftUntouched) {
    const QByteArray content = "[config]\nisFirstInstall=false\nkeepAutorun=false\nlanguage=3\n";
    writeFile(QStringLiteral("config.ini"), content);
    IniFile settings(root.configRoot());
    EXPECT_FALSE(settings.keepAutorun());
    EXPECT_FALSE(settings.keepNewstVersion()); // absent keys read as false
    EXPECT_EQ(settings.language(), 3);
    EXPECT_EQ(readFile(QStringLiteral("config.ini")), content);
}

TEST_F(IniFileTest, PreferencesRoundTripThroughTheFile) {
    IniFile settings(root.configRoot());
    settings.setKeepNewstVersion(false);
    settings.setKeepAutorun(false);
    settings.setLanguage(7);
    settings.setWorkModeSelect(false);
    settings.setWorkModeSwitch(true);
    settings.setWorkMode(1);

    IniFile reopened(root.configRoot());
    EXPECT_FALSE(reopened.keepNewstVersion());
    EXPECT_FALSE(reopened.keepAutorun());
    EXPECT_EQ(reopened.language(), 7);
    EXPECT_FALSE(reopened.workModeSelect());
    EXPECT_TRUE(reopened.workModeSwitch());
    EXPECT_EQ(reopened.workMode(), 1);
}

TEST_F(IniFileTest, StartEmptiesThePublishedCameraAddressesOnDisk) {
    writeFile(QStringLiteral("VConfig.ini"),
              "[VCameralist]\nVCamera1=10.0.0.1\nVCamera2=10.0.0.2\nVCamera3=10.0.0.3\n"
              "VCamera4=10.0.0.4\n[stale]\nkey=1\n");
    IniFile settings(root.configRoot());
    for (int id = 1; id <= 4; ++id) {
        EXPECT_EQ(settings.getVCamera(id), QString());
        const QVariant value =
            onDisk(QStringLiteral("VConfig.ini"), QStringLiteral("VCameralist/VCamera%1").arg(id));
        EXPECT_TRUE(value.isValid()) << id;
        EXPECT_EQ(value.toString(), QString()) << id;
    }
    EXPECT_FALSE(onDisk(QStringLiteral("VConfig.ini"), QStringLiteral("stale/key")).isValid());
}

TEST_F(IniFileTest, CameraAddressesReachTheDiskAtOnceAndIgnoreInvalidSlots) {
    IniFile settings(root.configRoot());
    settings.setVCamera(2, QStringLiteral("10.77.0.20"));
    EXPECT_EQ(
        onDisk(QStringLiteral("VConfig.ini"), QStringLiteral("VCameralist/VCamera2")).toString(),
        "10.77.0.20");
    EXPECT_EQ(settings.getVCamera(2), "10.77.0.20");

    const QByteArray before = readFile(QStringLiteral("VConfig.ini"));
    settings.setVCamera(0, QStringLiteral("10.0.0.9"));
    settings.setVCamera(5, QStringLiteral("10.0.0.9"));
    EXPECT_EQ(readFile(QStringLiteral("VConfig.ini")), before);
    EXPECT_EQ(settings.getVCamera(5), QString());
    EXPECT_EQ(settings.getVCamera(0), QString());

    settings.removeVCameraList();
    EXPECT_FALSE(
        onDisk(QStringLiteral("VConfig.ini"), QStringLiteral("VCameralist/VCamera2")).isValid());
}

TEST_F(IniFileTest, TokensAreStoredEncryptedAndReadBack) {
    IniFile settings(root.configRoot());
    settings.setToken(QStringLiteral("abcdefghijklmnop"));
    settings.setRefreshToken(QStringLiteral("refresh-token-value-1234567890"));

    const QString stored =
        onDisk(QStringLiteral("device.ini"), QStringLiteral("common/token")).toString();
    EXPECT_EQ(stored.size(), 44);
    EXPECT_FALSE(stored.contains(QStringLiteral("abcdefghijklmnop")));
    EXPECT_EQ(settings.getToken(), "abcdefghijklmnop");
    EXPECT_EQ(settings.getRefreshToken(), "refresh-token-value-1234567890");

    settings.setToken(QString());
    EXPECT_TRUE(onDisk(QStringLiteral("device.ini"), QStringLiteral("common/token")).isValid());
    EXPECT_EQ(onDisk(QStringLiteral("device.ini"), QStringLiteral("common/token")).toString(), "");
    EXPECT_EQ(settings.getToken(), QString());
}

TEST_F(IniFileTest, MalformedStoredTokensReadAsEmpty) {
    IniFile settings(root.configRoot());
    for (const char *bad : {"not base64 at all!", "QUJD",
                            "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "c2hvcnQ="}) {
        settings.setDeviceValue(QStringLiteral("common/token"), QString::fromLatin1(bad));
        EXPECT_EQ(settings.getToken(), QString()) << bad;
    }
}

TEST_F(IniFileTest, ClearingDeviceRecordsKeepsOnlyTheCommonGroup) {
    IniFile settings(root.configRoot());
    EXPECT_TRUE(settings.isDeviceEmpty());
    settings.setToken(QStringLiteral("token"));
    settings.setDeviceValue(QStringLiteral("Common/x"), QStringLiteral("1"));
    settings.setDeviceValue(QStringLiteral("Torvi_123/name"), QStringLiteral("Porch"));
    EXPECT_EQ(settings.deviceValue(QStringLiteral("Torvi_123/name")), "Porch");
    EXPECT_EQ(settings.deviceGroups().size(), 3);

    settings.clearDeviceRecords();
    EXPECT_EQ(settings.deviceGroups(), QStringList{QStringLiteral("common")});
    EXPECT_EQ(settings.getToken(), "token");
    EXPECT_FALSE(onDisk(QStringLiteral("device.ini"), QStringLiteral("Torvi_123/name")).isValid());

    settings.removeDeviceKey(QStringLiteral("common"));
    EXPECT_TRUE(settings.isDeviceEmpty());
}

TEST_F(IniFileTest, AFailedWriteIsLoggedAndTheNextWriteReportsItsOwnResultLosingNothing) {
    IniFile settings(root.configRoot());
    settings.setVCamera(1, QStringLiteral("10.77.0.20"));
    // A folder in the file's place makes the atomic replace fail.
    ASSERT_TRUE(QFile::remove(ini(QStringLiteral("VConfig.ini"))));
    ASSERT_TRUE(QDir().mkpath(ini(QStringLiteral("VConfig.ini"))));

    {
        LogCapture log;
        settings.setVCamera(2, QStringLiteral("10.77.0.21"));
        EXPECT_TRUE(log.contains(QStringLiteral("]:[Error] settings write faild:")));
        EXPECT_TRUE(log.contains(ini(QStringLiteral("VConfig.ini"))));
    }

    // Once the file can be written again, the next write succeeds, says nothing, and brings
    // the change that failed along.
    ASSERT_TRUE(QDir(ini(QStringLiteral("VConfig.ini"))).removeRecursively());
    LogCapture log;
    settings.setVCamera(3, QStringLiteral("10.77.0.22"));
    EXPECT_FALSE(log.contains(QStringLiteral("settings write faild")));
    EXPECT_EQ(onDisk(QStringLiteral("VConfig.ini"), QStringLiteral("VCameralist/VCamera2")),
              QStringLiteral("10.77.0.21"));
    EXPECT_EQ(onDisk(QStringLiteral("VConfig.ini"), QStringLiteral("VCameralist/VCamera3")),
              QStringLiteral("10.77.0.22"));
}

} // namespace
