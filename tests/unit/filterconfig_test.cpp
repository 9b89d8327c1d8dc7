// The filter's configuration, log and main-window line, checked against what KestraLive does
// on its side: the pairing file written by IniFile and QSettings, the log folder KestraLive
// owns, and a stand-in for the main window's endpoint. Every test runs in its own temporary
// per-user world (TempConfigRoot).
#include "config/inireader.h"
#include "config/pairingfile.h"
#include "config/vclog.h"
#include "device/inifile.h"
#include "platform/mainwindow.h"
#include "platform/moduleinfo.h"
#include "support/mainwindowstandin.h"
#include "support/tempconfigroot.h"
#include "vcam/messages.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Kestra;
using namespace std::chrono_literals;

namespace {

std::string readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// --- The pairing file ---

class PairingFileTest : public ::testing::Test {
protected:
    QString vconfigPath() const { return root.configRoot() + QStringLiteral("/ini/VConfig.ini"); }
    void writeVConfig(const QByteArray &content) const {
        ASSERT_TRUE(QDir().mkpath(root.configRoot() + QStringLiteral("/ini")));
        QFile file(vconfigPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    TempConfigRoot root;
};

TEST_F(PairingFileTest, ReadsTheAddressKestraLiveWroteIntoItsOwnConfigFolder) {
    // KestraLive resolves its folder through Qt under its application name.
    const QString testName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("KestraLive"));
    const QString kestraLiveRoot =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QCoreApplication::setApplicationName(testName);
    ASSERT_EQ(kestraLiveRoot, root.configRoot());

    IniFile settings(kestraLiveRoot);
    settings.setVCamera(2, QStringLiteral("10.77.0.20"));
    EXPECT_EQ(ReadPairedCameraAddress(2), "10.77.0.20");
    EXPECT_EQ(StreamAddressFor(ReadPairedCameraAddress(2)), "rtsp://10.77.0.20/livestream/11");
    EXPECT_EQ(ReadPairedCameraAddress(1), ""); // free, but published
    EXPECT_EQ(ReadPairedCameraAddress(5), "Error");

    settings.setVCamera(2, QStringLiteral("10.77.0.21"));
    EXPECT_EQ(ReadPairedCameraAddress(2), "10.77.0.21");
    settings.removeVCameraList();
    EXPECT_EQ(ReadPairedCameraAddress(2), "Error");
}

TEST_F(PairingFileTest, MissingFileSectionOrKeyReadsAsError) {
    EXPECT_EQ(ReadPairedCameraAddress(1), "Error");
    writeVConfig("[Other]\nVCamera2=10.0.0.2\n[VCameralist]\nVCamera1=\n");
    EXPECT_EQ(ReadPairedCameraAddress(1), "");
    EXPECT_EQ(ReadPairedCameraAddress(2), "Error");
    ASSERT_TRUE(QFile::remove(vconfigPath()));
    ASSERT_TRUE(QDir().mkpath(vconfigPath())); // a folder in the file's place
    EXPECT_EQ(ReadPairedCameraAddress(1), "Error");
}

TEST_F(PairingFileTest, ValuesQSettingsEscapesOrQuotesReadBackUnchanged) {
    const std::vector<QString> values = {
        QStringLiteral("a;b,c=d"),        QStringLiteral("  padded  "),
        QStringLiteral("say \"hi\""),     QStringLiteral("back\\slash"),
        QStringLiteral("tab\there\nnl"),  QStringLiteral("Kamera-\u00e4\u00f6"),
        QStringLiteral("\u4e2d\u6587"),   QString::fromUtf8("emoji \xF0\x9F\x98\x80"),
        QStringLiteral("#not a comment"), QStringLiteral("\x01\x31"),
    };
    for (const QString &value : values) {
        {
            QSettings writer(vconfigPath(), QSettings::IniFormat);
            writer.setValue(QStringLiteral("VCameralist/VCamera3"), value);
        }
        EXPECT_EQ(ReadPairedCameraAddress(3), value.toStdString())
            << "written as: " << readFile(vconfigPath());
    }
}

TEST_F(PairingFileTest, LongValuesAreCutToWhatTheWindowsBufferHolds) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QString(60, u'a'), QString(47, u'a')},
        {QString(50, u'\u00e4'), QString(47, u'\u00e4')},
        // A character beyond the BMP takes two of the 47 units and is never split.
        {QString::fromUtf8("\xF0\x9F\x98\x80").repeated(30),
         QString::fromUtf8("\xF0\x9F\x98\x80").repeated(23)},
    };
    for (const auto &[written, read] : cases) {
        {
            QSettings writer(vconfigPath(), QSettings::IniFormat);
            writer.setValue(QStringLiteral("VCameralist/VCamera4"), written);
        }
        EXPECT_EQ(ReadPairedCameraAddress(4), read.toStdString());
    }
}

// --- The INI reader on text QSettings would not write ---

std::string valueOr(std::string_view text, std::string_view key, const char *missing = "<none>") {
    return FindIniValue(text, "VCameralist", key).value_or(missing);
}

TEST(IniReader, UnderstandsHandWrittenFiles) {
    const std::string text = "; KestraLive\r\n"
                             "# pairing\r\n"
                             "  [ vcameralist ]  \r\n"
                             "  VCamera1 =  10.0.0.1   \r\n"
                             "VCamera%32=\"a b\" c ; note\r\n"
                             "%U0056Camera3=\\101\\x42\\0103\r\n"
                             "vcamera4=\\xd83d\\xde00\r\n"
                             "VCamera5=  \" kept \"  \n"
                             "VCamera6";
    EXPECT_EQ(valueOr(text, "VCamera1"), "10.0.0.1");
    EXPECT_EQ(valueOr(text, "VCamera2"), "a b c");
    EXPECT_EQ(valueOr(text, "VCamera3"), "ABC");
    EXPECT_EQ(valueOr(text, "VCamera4"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(valueOr(text, "VCamera5"), " kept ");
    EXPECT_EQ(valueOr(text, "VCamera6"), "<none>");
    EXPECT_EQ(FindIniValue(text, "pairing", "VCamera1"), std::nullopt);
}

TEST(IniReader, FirstSectionAndFirstKeyWinLikeGetPrivateProfileString) {
    const std::string text = "VCamera1=outside\n"
                             "[VCameralist]\nVCamera1=first\nVCAMERA1=second\n"
                             "[Other]\nVCamera1=other\n"
                             "[VCameralist]\nVCamera2=late\n";
    EXPECT_EQ(valueOr(text, "VCamera1"), "first");
    EXPECT_EQ(valueOr(text, "VCamera2"), "<none>");
    EXPECT_EQ(FindIniValue(text, "Other", "VCamera1"), "other");
}

TEST(IniReader, MalformedInputGivesBoundedReplacementsNotCrashes) {
    using namespace std::string_literals;
    EXPECT_EQ(valueOr("[VCameralist\nVCamera1=x", "VCamera1"), "x");
    EXPECT_EQ(valueOr("[VCameralist]\nVCamera1=\"open", "VCamera1"), "open");
    EXPECT_EQ(valueOr("[VCameralist]\nVCamera1=end\\", "VCamera1"), "end");
    EXPECT_EQ(valueOr("[VCameralist]\nVCamera1=\\x", "VCamera1"), "\0"s);
    EXPECT_EQ(valueOr("[VCameralist]\nVCamera1=\\xdc00\\xd800x", "VCamera1"),
              "\xEF\xBF\xBD\xEF\xBF\xBDx");
    EXPECT_EQ(valueOr("[VCameralist]\nVCamera1=\xC3\x28\xF0\x9F", "VCamera1"),
              "\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(valueOr("[VCameralist]\0\nVCamera1=a\0b"s, "VCamera1"), "a\0b"s);
    EXPECT_EQ(valueOr("[VCameralist]\nVCamera%4=%U12", "VCamera%4"), "%U12");
}

// --- The filter log ---

class VCLogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(logFolder())); }
    QString logFolder() const { return root.configRoot() + QStringLiteral("/log"); }
    std::string log(int slot) const {
        return readFile(logFolder() + QStringLiteral("/vclog%1.log").arg(slot));
    }

    static constexpr char header[] = "=====VCLogInitialize()=====\r\n\r\n";
    TempConfigRoot root;
};

TEST_F(VCLogTest, ASlotsFileLivesWithItsFiltersAndTakesItsOwnLines) {
    {
        SlotLogHold first(3);
        VCLogTo(3, 0, "from the first filter");
        {
            // A second filter of the slot adds to the file, never cuts it.
            SlotLogHold second(3);
            VCLogTo(3, 0, "from the second filter");
            SlotLogHold other(1);
            VCLogTo(1, 0, "slot one");
        }
        VCLogTo(3, 0, "after the others went");
        VCLogTo(3, 10, "drop current video packet.\n");
        VCLogTo(3, 0, "%s", "");
        VCLogTo(3, 1, "slot %d fps %d", 3, 30);
        VCLogTo(2, 0, "to a slot without a filter");
    }
    EXPECT_EQ(log(3), std::string(header) + "from the first filter\n" + header +
                          "from the second filter\nafter the others went\n"
                          "drop current video packet.\n\nslot 3 fps 30\n");
    EXPECT_EQ(log(1), std::string(header) + "slot one\n");
    EXPECT_FALSE(QFile::exists(logFolder() + QStringLiteral("/vclog2.log")));

    // Once the slot's filters are gone, the next one starts the file afresh.
    SlotLogHold next(3);
    EXPECT_EQ(log(3), header);
}

TEST_F(VCLogTest, TextIsCutAt4095Bytes) {
    SlotLogHold hold(1);
    VCLogTo(1, 0, "%s", std::string(5000, 'x').c_str());
    EXPECT_EQ(log(1), std::string(header) + std::string(4095, 'x') + "\n");
}

TEST_F(VCLogTest, WithoutTheLogFolderNoFileIsMade) {
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path(QStringLiteral("elsewhere"))));
    {
        SlotLogHold hold(2);
        VCLogTo(2, 0, "nowhere to go");
    }
    qputenv("XDG_CONFIG_HOME", savedConfigHome);

    EXPECT_FALSE(QDir(root.path(QStringLiteral("elsewhere"))).exists());
    EXPECT_FALSE(QFile::exists(logFolder() + QStringLiteral("/vclog2.log")));
}

// Filters come and go while others write: no line is cut, lost or sent to another slot.
TEST_F(VCLogTest, LinesStayWholeAndInTheirFileWhileFiltersComeAndGo) {
    constexpr int writers = 8;
    constexpr int lines = 2000;
    const std::string padding(150, '.');
    SlotLogHold four(4);
    SlotLogHold two(2);
    std::atomic<bool> writing{true};
    std::thread churn([&writing] {
        while (writing.load()) {
            SlotLogHold again(4);
            SlotLogHold passing(3);
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < writers; ++t) {
        threads.emplace_back([t, &padding] {
            for (int n = 0; n < lines; ++n)
                VCLogTo(t % 2 == 0 ? 4 : 2, 0, "thread %d line %d %s", t, n, padding.c_str());
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    writing = false;
    churn.join();

    for (const int slot : {4, 2}) {
        SCOPED_TRACE(slot);
        const std::string content = log(slot);
        ASSERT_EQ(content.rfind(header, 0), 0u);
        std::istringstream in(content);
        std::vector<int> next(writers, 0);
        std::string line;
        int count = 0;
        while (std::getline(in, line)) {
            if (line == "=====VCLogInitialize()=====\r" || line == "\r")
                continue; // the header of a filter that came
            int t = -1;
            int n = -1;
            char rest[200] = {};
            ASSERT_EQ(std::sscanf(line.c_str(), "thread %d line %d %199s", &t, &n, rest), 3)
                << line;
            ASSERT_TRUE(t >= 0 && t < writers && (t % 2 == 0) == (slot == 4)) << line;
            EXPECT_EQ(n, next[t]++) << line;
            EXPECT_EQ(rest, padding) << line;
            ++count;
        }
        EXPECT_EQ(count, writers / 2 * lines);
    }
}

TEST_F(VCLogTest, StderrGetsLinesOnlyWhenAskedFor) {
    const QString capturePath = root.path(QStringLiteral("stderr.txt"));
    const int capture = ::open(QFile::encodeName(capturePath).constData(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(capture, 0);
    const int savedStderr = ::dup(STDERR_FILENO);
    ::dup2(capture, STDERR_FILENO);
    VCLogTo(1, 0, "quiet line");
    ::setenv("KESTRA_VCLOG_STDERR", "1", 1);
    VCLogTo(1, 0, "loud line");
    ::unsetenv("KESTRA_VCLOG_STDERR");
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    ::close(capture);

    EXPECT_EQ(readFile(capturePath), "loud line\n");
}

// --- The main window, as the filter sees it ---

class MainWindowTest : public ::testing::Test {
protected:
    TempConfigRoot root;
};

TEST_F(MainWindowTest, WithoutAnEndpointThereIsNoWindowAndPostsGoNowhere) {
    EXPECT_FALSE(MainWindowExists());
    PostToMainWindow(WM_VCAM_ACTIVE, 1, 1);
    EXPECT_TRUE(QDir(root.runtimeDir()).isEmpty());
}

TEST_F(MainWindowTest, TheWindowReceivesEachPostedTripleInOrder) {
    MainWindowStandIn window;
    ASSERT_TRUE(window.isOpen());
    EXPECT_TRUE(MainWindowExists());

    const auto before = std::chrono::steady_clock::now();
    PostToMainWindow(WM_VCAM_ACTIVE, 2, 1);
    PostToMainWindow(WM_VCAM_RESOLUTION, 2, 3);
    PostToMainWindow(WM_VCAM_FPS, 2, 30);
    PostToMainWindow(WM_VCAM_FPS, UINT64_MAX, INT64_MIN);
    ASSERT_TRUE(window.waitFor([](const auto &all) { return all.size() >= 4; }, 5s));

    const std::vector<MainWindowStandIn::Message> got = window.messages();
    ASSERT_EQ(got.size(), 4u);
    const VCamMessage expected[] = {{WM_VCAM_ACTIVE, 2, 1},
                                    {WM_VCAM_RESOLUTION, 2, 3},
                                    {WM_VCAM_FPS, 2, 30},
                                    {WM_VCAM_FPS, UINT64_MAX, INT64_MIN}};
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ((VCamMessage{got[i].message, got[i].wParam, got[i].lParam}), expected[i]) << i;
        EXPECT_GE(got[i].arrival, before);
    }
}

TEST_F(MainWindowTest, ASocketFileLeftByACrashedWindowIsNoWindow) {
    MainWindowStandIn window;
    window.crash();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(window.path())));
    EXPECT_FALSE(MainWindowExists());
    PostToMainWindow(WM_VCAM_ACTIVE, 1, 0);
}

TEST_F(MainWindowTest, TheWindowIsLookedUpAfreshForEveryPost) {
    MainWindowStandIn window;
    PostToMainWindow(WM_VCAM_ACTIVE, 1, 1);
    ASSERT_TRUE(window.waitForMessage(WM_VCAM_ACTIVE, 5s));
    window.close();
    EXPECT_FALSE(MainWindowExists());
    PostToMainWindow(WM_VCAM_RESOLUTION, 1, 2); // lost: no window

    ASSERT_TRUE(window.reopen());
    EXPECT_TRUE(MainWindowExists());
    PostToMainWindow(WM_VCAM_FPS, 1, 25);
    ASSERT_TRUE(window.waitForMessage(WM_VCAM_FPS, 5s));
    const auto got = window.messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, WM_VCAM_ACTIVE);
    EXPECT_EQ(got[1].lParam, 25);
}

TEST_F(MainWindowTest, PostingNeverBlocksWhenTheWindowStopsReading) {
    // A window that is there but never reads: its queue fills after a few messages.
    const std::string path = mainWindowEndpointPath(std::getenv("XDG_RUNTIME_DIR"), ::getuid());
    const int stuck = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(stuck, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(stuck, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    std::atomic<bool> done{false};
    std::thread poster([&done] {
        for (int i = 0; i < 5000; ++i)
            PostToMainWindow(WM_VCAM_FPS, 1, i);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(done);
    ::close(stuck); // releases a blocked poster, so the test ends either way
    poster.join();
    ::unlink(path.c_str());
}

TEST(ModuleInfo, ModuleFolderIsTheFolderOfTheBinaryHoldingTheCode) {
    std::error_code error;
    const auto exe = std::filesystem::canonical("/proc/self/exe", error);
    ASSERT_FALSE(error);
    EXPECT_EQ(ModuleFolder(), exe.parent_path());
}

} // namespace
