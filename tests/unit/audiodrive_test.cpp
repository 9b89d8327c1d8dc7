// AudioDrive with stand-in bridges built beside this test: what it loads from
// a "camera_x64" folder, which entries it calls, and what it logs when the
// folder, the bridge or an entry is missing.
#include "main/audiodrive.h"
#include "platform/audiobridgefiles.h"
#include "support/logcapture.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>

namespace {

class AudioDriveTest : public ::testing::Test {
protected:
    // A camera_x64 folder holding `bridge` under the bridge's file name.
    QString folderWith(const QString &bridge) {
        const QString folder = dir.filePath(QStringLiteral("camera_x64"));
        EXPECT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(QFile::copy(bridge, folder + QLatin1Char('/') + audioBridgeFileName()));
        return folder;
    }
    static int counter(const QString &folder, const char *name) {
        QLibrary bridge(folder + QLatin1Char('/') + audioBridgeFileName());
        const int *count = reinterpret_cast<const int *>(bridge.resolve(name));
        return count ? *count : -1;
    }

    QTemporaryDir dir;
    LogCapture log;
};

TEST_F(AudioDriveTest, WithoutTheFolderEveryFileIsReportedAndNothingIsCalled) {
    AudioDrive drive(dir.filePath(QStringLiteral("camera_x64")), nullptr);
    drive.start();
    drive.stop();
    for (const QString &name : audioBridgeDependencies())
        EXPECT_TRUE(log.hasError(name + QStringLiteral("  load dll library faild: ")))
            << qPrintable(name);
    EXPECT_TRUE(log.hasError(QStringLiteral("dll load faild   ")));
    EXPECT_FALSE(log.contains(QStringLiteral("audio start!")));
    EXPECT_FALSE(log.contains(QStringLiteral("audio stop!")));
}

TEST_F(AudioDriveTest, ABridgeWithOnlyStartIsStartedAndNeverStopped) {
    const QString folder = folderWith(QStringLiteral(KESTRA_TEST_BRIDGE_START_ONLY));
    AudioDrive drive(folder, nullptr);
    EXPECT_TRUE(log.hasError(QStringLiteral("func is not find!")));
    drive.start();
    drive.stop();
    EXPECT_EQ(counter(folder, "startCalls"), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("audio start!")));
    EXPECT_FALSE(log.contains(QStringLiteral("audio stop!")));
}

TEST_F(AudioDriveTest, AFullBridgeIsStartedAndStoppedOnceEach) {
    const QString folder = folderWith(QStringLiteral(KESTRA_TEST_BRIDGE_FULL));
    AudioDrive drive(folder, nullptr);
    EXPECT_FALSE(log.hasError(QStringLiteral("func is not find!")));
    EXPECT_FALSE(log.hasError(QStringLiteral("dll load faild")));
    drive.start();
    drive.stop();
    EXPECT_EQ(counter(folder, "startCalls"), 1);
    EXPECT_EQ(counter(folder, "stopCalls"), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("audio stop!")));
}

} // namespace
