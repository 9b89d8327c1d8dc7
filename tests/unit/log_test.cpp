#include "log/log.h"
#include "log/logline.h"
#include "support/descriptorsqueeze.h"
#include "support/qtprint.h"
#include "support/tempconfigroot.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

QStringList linesOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class LogTest : public ::testing::Test {
protected:
    void TearDown() override { qInstallMessageHandler(nullptr); }

    QString dayFolder() const {
        return root.appConfigLocation() + QStringLiteral("/log/") +
               QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    }
    QString runFile(int index) const {
        return dayFolder() + QLatin1Char('/') +
               QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
               QStringLiteral("_%1.log").arg(index, 3, 10, QLatin1Char('0'));
    }
    static void resize(const QString &path, qint64 size) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(size));
    }

    TempConfigRoot root;
};

TEST_F(LogTest, FirstRunOfTheDayCreatesTheFoldersAndWritesFileZero) {
    LOG::init();
    qDebug() << "hello";
    EXPECT_EQ(LOG::currentFile(), runFile(0));
    const QStringList lines = linesOf(runFile(0));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("[Info]::hello"))) << lines[0].toStdString();
}

TEST(LogFreshAccountTest, FirstRunWithoutAConfigFolderCreatesTheWholePathAndKeepsTheLine) {
    TempConfigRoot root(TempConfigRoot::Account::Fresh);
    ASSERT_TRUE(root.isValid());
    ASSERT_FALSE(QFileInfo::exists(root.configHome()));
    LOG::init();
    qDebug() << "first line";
    qInstallMessageHandler(nullptr);
    EXPECT_TRUE(LOG::currentFile().startsWith(root.home() + QStringLiteral("/.config/")))
        << LOG::currentFile().toStdString();
    EXPECT_EQ(linesOf(LOG::currentFile()).size(), 1);
}

TEST_F(LogTest, RunIndexCountsPlainFilesOnlyIncludingStrayOnes) {
    ASSERT_TRUE(QDir().mkpath(dayFolder() + QStringLiteral("/subfolder")));
    QFile stray(dayFolder() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();

    LOG::init();
    qDebug() << "first";
    EXPECT_EQ(LOG::currentFile(), runFile(1));

    LOG::init(); // a later run the same day
    qDebug() << "second";
    EXPECT_EQ(LOG::currentFile(), runFile(2));
    EXPECT_EQ(linesOf(runFile(1)).size(), 1);
}

TEST_F(LogTest, LineCarriesTimeStampAndLevelTag) {
    LOG::init();
    qDebug() << "d";
    qInfo() << "i";
    qWarning() << "w";
    qCritical() << "c";
    const QStringList lines = linesOf(LOG::currentFile());
    ASSERT_EQ(lines.size(), 4);
    const QRegularExpression shape(
        QStringLiteral(R"(^\[\d\d:\d\d:\d\d\.\d{1,3}\]\[(Info|Warning|Error)\]::(.)$)"));
    const QStringList expected = {QStringLiteral("Info d"), QStringLiteral("Info i"),
                                  QStringLiteral("Warning w"), QStringLiteral("Error c")};
    for (int i = 0; i < lines.size(); ++i) {
        const auto match = shape.match(lines[i]);
        ASSERT_TRUE(match.hasMatch()) << lines[i].toStdString();
        EXPECT_EQ(match.captured(1) + QLatin1Char(' ') + match.captured(2), expected[i]);
    }
}

TEST_F(LogTest, NoteAndErrorNameTheSourceAndStreamStringsRaw) {
    LOG::init();
    const int line = __LINE__ + 1;
    LOG_NOTE << "the config.ini is not exists！" << QStringLiteral("a b") << 7;
    LOG_ERROR << "switch multi-dev mode faild!";
    const QStringList lines = linesOf(LOG::currentFile());
    ASSERT_EQ(lines.size(), 2);
    const QString source = QStringLiteral("[ ../tests/unit/log_test.cpp : ");
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("[Info]::") + source + QString::number(line) +
                                  QStringLiteral(" ]: the config.ini is not exists！ a b 7")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("[Info]::") + source + QString::number(line + 1) +
                                  QStringLiteral(" ]:[Error] switch multi-dev mode faild!")))
        << lines[1].toStdString();
}

TEST_F(LogTest, RollsOverAtTenMebibytesIntoFreshContinuationFiles) {
    LOG::init();
    const QString first = LOG::currentFile();
    resize(first, LOG::rolloverSize - 1);
    qDebug() << "still here";
    EXPECT_EQ(LOG::currentFile(), first);

    resize(first, LOG::rolloverSize);
    qDebug() << "moved on";
    const QString second = LOG::currentFile();
    EXPECT_NE(second, first);
    EXPECT_EQ(QFileInfo(first).size(), LOG::rolloverSize);
    EXPECT_EQ(QFileInfo(second).path(), dayFolder());
    EXPECT_TRUE(QFileInfo(second).fileName().startsWith(QFileInfo(first).completeBaseName() +
                                                        QLatin1Char('_')));
    ASSERT_EQ(linesOf(second).size(), 1);

    resize(second, LOG::rolloverSize);
    qDebug() << "and on again";
    const QString third = LOG::currentFile();
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
    EXPECT_EQ(linesOf(third).size(), 1);

    LOG::init(); // continuation files count for the next run
    EXPECT_EQ(LOG::currentFile(), runFile(3));
}

// Text from the network reaches the log: a CR LF inside it must not start a line of its own (a
// forged line), nor a NUL make the file binary.
TEST_F(LogTest, ControlCharactersAreWrittenVisiblySoEveryLineStaysOneLine) {
    LOG::init();
    LOG_ERROR << "cameraIP: 10.77.0.99 stray text:"
              << QByteArray("x\r\n[10:00:00.0][Info]::forged line\0\x1b[2J", 39);
    QFile file(LOG::currentFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    const QByteArray body = bytes.chopped(2);
    EXPECT_FALSE(std::any_of(body.begin(), body.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20;
    })) << body.toStdString();
    EXPECT_TRUE(body.contains("x\\x0D\\x0A[10:00:00.0][Info]::forged line\\x00\\x1B[2J"))
        << body.toStdString();
}

TEST_F(LogTest, PastTheDailyBudgetOneLineSaysSoAndTheRestOfTheDayIsDropped) {
    // Earlier runs of the day have written the whole budget already.
    ASSERT_TRUE(QDir().mkpath(dayFolder()));
    for (int i = 0; i < 5; ++i) {
        QFile earlier(runFile(i));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.close();
        resize(runFile(i), LOG::dailyBudget / 5);
    }
    LOG::init();
    qDebug() << "one";
    qDebug() << "two";
    const QStringList lines = linesOf(LOG::currentFile());
    ASSERT_EQ(lines.size(), 1) << qPrintable(lines.join(u'\n'));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("[Error]::the log's budget of 50 MB for ")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("further lines are dropped until tomorrow")));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(QFileInfo(runFile(i)).size(), LOG::dailyBudget / 5);
}

// A LAN host holding hundreds of connections can leave the process without descriptors: the
// log must go on, and what it could not write must be said, not silently skipped.
TEST_F(LogTest, OutOfDescriptorsTheLogKeepsWritingAndCountsWhatItLost) {
    LOG::init();
    {
        DescriptorSqueeze squeeze;
        ASSERT_TRUE(squeeze.isActive());
        qDebug() << "lost one";
        qDebug() << "lost two";
    }
    qDebug() << "back";
    {
        DescriptorSqueeze squeeze;
        ASSERT_TRUE(squeeze.isActive());
        qDebug() << "written while squeezed";
    }
    const QStringList lines = linesOf(LOG::currentFile());
    ASSERT_EQ(lines.size(), 3) << qPrintable(lines.join(u'\n'));
    EXPECT_TRUE(lines[0].contains(
        QStringLiteral("[Error]::2 log lines were lost: the log file could not be opened (")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("::back")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("::written while squeezed")));
}

TEST_F(LogTest, ConcurrentWritersNeitherLoseNorInterleaveLines) {
    LOG::init();
    constexpr int threads = 8;
    constexpr int perThread = 10000;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < perThread; ++i)
                qDebug().noquote() << QStringLiteral("writer%1 line%2").arg(t).arg(i);
        });
    }
    for (auto &writer : writers)
        writer.join();

    const QStringList lines = linesOf(LOG::currentFile());
    ASSERT_EQ(lines.size(), threads * perThread);
    const QRegularExpression shape(
        QStringLiteral(R"(^\[[\d:.]+\]\[Info\]::writer(\d) line(\d+)$)"));
    std::vector<int> next(threads, 0);
    for (const QString &line : lines) {
        const auto match = shape.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        const int writer = match.captured(1).toInt();
        ASSERT_EQ(match.captured(2).toInt(), next[writer]) << "writer " << writer;
        ++next[writer];
    }
}

} // namespace
