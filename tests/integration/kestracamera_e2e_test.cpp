// KestraCamera as a video application meets it: the library registered by kestra-regsvr into a
// private registry, kestra-capture listing the cameras, reading their formats and grabbing
// samples through a filter graph, and KestraLive's main window played by the stand-in. No
// camera is paired, so every sample must hold the placeholder picture.
#include "support/childprocess.h"
#include "support/mainwindowstandin.h"
#include "support/tempconfigroot.h"

#include "convert/placeholder.h"
#include "vcam/messages.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Kestra::VideoFormatCode;

const QString regsvr = QStringLiteral(KESTRA_REGSVR);
const QString capture = QStringLiteral(KESTRA_CAPTURE);
const QString library = QStringLiteral(KESTRA_CAMERA_LIBRARY);

struct Format {
    VideoFormatCode code;
    int width;
    int height;
    int64_t frameInterval;
    int fps;

    const char *subtype() const { return code == VideoFormatCode::NV12 ? "NV12" : "YUY2"; }
    int64_t imageSize() const {
        return int64_t{width} * height * (code == VideoFormatCode::NV12 ? 12 : 16) / 8;
    }
    // The camera's resolution message names the picture by its width.
    int resolutionCode() const {
        switch (width) {
        case 1080:
            return 2;
        case 1920:
            return 1;
        case 2160:
            return 4;
        default:
            return 3;
        }
    }
};

// The camera's 24 formats in list order: per size pair NV12 and YUY2 upright, then turned.
std::vector<Format> cameraFormats() {
    struct Block {
        int side;
        int longSide;
        int64_t interval;
        int fps;
    };
    const Block blocks[] = {{1080, 1920, 333333, 30}, {2160, 3840, 333333, 30},
                            {1080, 1920, 400000, 25}, {2160, 3840, 400000, 25},
                            {1080, 1920, 166666, 60}, {1080, 1920, 200000, 50}};
    std::vector<Format> formats;
    for (const Block &b : blocks) {
        for (int i = 0; i < 4; ++i) {
            const VideoFormatCode code = i % 2 ? VideoFormatCode::YUY2 : VideoFormatCode::NV12;
            const bool turned = i >= 2;
            formats.push_back({code, turned ? b.longSide : b.side, turned ? b.side : b.longSide,
                               b.interval, b.fps});
        }
    }
    return formats;
}

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

struct Sample {
    double arrivalMs = 0;
    int64_t start = 0;
    int64_t stop = 0;
    bool sync = false;
    int64_t bytes = 0;
};

std::vector<Sample> parseSamples(const QString &out) {
    static const QRegularExpression line(
        QStringLiteral(
            R"(^sample (\d+) arrival_ms=([\d.]+) start=(-?\d+) stop=(-?\d+) sync=(\d) bytes=(\d+) )"),
        QRegularExpression::MultilineOption);
    std::vector<Sample> samples;
    for (auto it = line.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        samples.push_back({m.captured(2).toDouble(), m.captured(3).toLongLong(),
                           m.captured(4).toLongLong(), m.captured(5) == QLatin1String("1"),
                           m.captured(6).toLongLong()});
    }
    return samples;
}

// What the filter puts into every sample while no camera is paired.
std::vector<uint8_t> placeholderFor(const Format &format) {
    Kestra::SetPlaceholderFolder(QFileInfo(library).absolutePath().toStdString());
    Kestra::PlaceholderFrame frame;
    if (!frame.PreparePlaceholder(format.width > format.height, format.code, format.width,
                                  format.height))
        return {};
    return {frame.frame(), frame.frame() + frame.frameSize()};
}

class KestraCameraEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        ASSERT_TRUE(registry.isValid());
        ASSERT_TRUE(standIn.isOpen());
        env = config.environment();
        env.insert(QStringLiteral("KESTRA_DSHOW_REGISTRY"), registry.path());
        const Outcome registered = run(regsvr, {library});
        ASSERT_EQ(registered.exitCode, 0) << qPrintable(registered.err);
    }

    Outcome run(const QString &program, const QStringList &args, int timeoutMs = 60000) {
        ChildProcess child;
        Outcome result;
        if (!child.start(program, args, env) || !child.waitForExit(timeoutMs)) {
            result.err = child.describe();
            return result;
        }
        result.exitCode = child.exitCode();
        result.out = child.standardOutput();
        result.err = child.standardError();
        return result;
    }

    // The messages that arrived from index `from` on, once `done` holds for them.
    std::vector<MainWindowStandIn::Message>
    messagesFrom(size_t from,
                 const std::function<bool(const std::vector<MainWindowStandIn::Message> &)> &done) {
        const auto tail = [from](const std::vector<MainWindowStandIn::Message> &all) {
            return std::vector<MainWindowStandIn::Message>(
                all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
        };
        standIn.waitFor([&](const auto &all) { return done(tail(all)); }, 5s);
        return tail(standIn.messages());
    }

    TempConfigRoot config; // first: the stand-in binds under its runtime folder
    QTemporaryDir registry;
    MainWindowStandIn standIn;
    QProcessEnvironment env;
};

bool has(const std::vector<MainWindowStandIn::Message> &messages, uint32_t message,
         int64_t lParam) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const auto &m) { return m.message == message && m.lParam == lParam; });
}

TEST_F(KestraCameraEndToEnd, ListShowsExactlyTheFourCamerasUntilTheLibraryIsUnregistered) {
    const Outcome listed = run(capture, {QStringLiteral("list")});
    ASSERT_EQ(listed.exitCode, 0) << qPrintable(listed.err);
    EXPECT_EQ(listed.out, QStringLiteral("Kestra Camera1\nKestra Camera2\nKestra Camera3\n"
                                         "Kestra Camera4\n"));

    const Outcome unregistered = run(regsvr, {QStringLiteral("-u"), library});
    ASSERT_EQ(unregistered.exitCode, 0) << qPrintable(unregistered.err);
    const Outcome empty = run(capture, {QStringLiteral("list")});
    EXPECT_EQ(empty.exitCode, 0) << qPrintable(empty.err);
    EXPECT_EQ(empty.out, QString());
}

TEST_F(KestraCameraEndToEnd, FormatsListsTheTwentyFourCapabilitiesInOrder) {
    const Outcome listed =
        run(capture, {QStringLiteral("formats"), QStringLiteral("Kestra Camera2")});
    ASSERT_EQ(listed.exitCode, 0) << qPrintable(listed.err);
    const QStringList lines = listed.out.split(u'\n', Qt::SkipEmptyParts);
    const std::vector<Format> formats = cameraFormats();
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(formats.size())) << qPrintable(listed.out);
    for (size_t i = 0; i < formats.size(); ++i) {
        const Format &f = formats[i];
        EXPECT_EQ(lines[static_cast<qsizetype>(i)],
                  QStringLiteral("%1 %2 %3x%4 %5 %6")
                      .arg(i)
                      .arg(QLatin1String(f.subtype()))
                      .arg(f.width)
                      .arg(f.height)
                      .arg(1e7 / static_cast<double>(f.frameInterval), 0, 'f', 2)
                      .arg(f.imageSize()));
    }
}

// Each format through a real connection: the size, the placeholder bytes, times that follow
// each other by one frame interval, and the reports KestraLive's window needs.
TEST_F(KestraCameraEndToEnd, EveryFormatDeliversThePlaceholderWithContiguousTimesAndReportsIt) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const std::vector<Format> formats = cameraFormats();
    for (size_t i = 0; i < formats.size(); ++i) {
        const Format &f = formats[i];
        SCOPED_TRACE(testing::Message() << "format " << i << ": " << f.subtype() << " " << f.width
                                        << "x" << f.height << " @" << f.fps);
        const QString dir = out.filePath(QString::number(i));
        const size_t before = standIn.messages().size();
        const Outcome grab =
            run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera1"),
                          QStringLiteral("--format"), QString::number(i), QStringLiteral("--count"),
                          QStringLiteral("30"), QStringLiteral("--out"), dir});
        ASSERT_EQ(grab.exitCode, 0) << qPrintable(grab.err);
        EXPECT_TRUE(grab.out.contains(QStringLiteral("frames=30 fps=")));

        const std::vector<Sample> samples = parseSamples(grab.out);
        ASSERT_EQ(samples.size(), 30u) << qPrintable(grab.out);
        const std::vector<uint8_t> reference = placeholderFor(f);
        ASSERT_EQ(static_cast<int64_t>(reference.size()), f.imageSize());
        for (size_t s = 0; s < samples.size(); ++s) {
            EXPECT_EQ(samples[s].bytes, f.imageSize()) << "sample " << s;
            EXPECT_TRUE(samples[s].sync) << "sample " << s;
            EXPECT_EQ(samples[s].stop - samples[s].start, f.frameInterval) << "sample " << s;
            if (s > 0)
                EXPECT_EQ(samples[s].start, samples[s - 1].stop) << "sample " << s;
            QFile raw(QStringLiteral("%1/sample-%2.raw").arg(dir).arg(s));
            ASSERT_TRUE(raw.open(QIODevice::ReadOnly)) << qPrintable(raw.fileName());
            const QByteArray bytes = raw.readAll();
            ASSERT_EQ(bytes.size(), f.imageSize()) << "sample " << s;
            EXPECT_EQ(std::memcmp(bytes.constData(), reference.data(), reference.size()), 0)
                << "sample " << s << " differs from the placeholder";
        }
        QFile snapshot(dir + QStringLiteral("/snapshot.png"));
        ASSERT_TRUE(snapshot.open(QIODevice::ReadOnly));
        EXPECT_TRUE(snapshot.read(8).startsWith("\x89PNG"));
        snapshot.close();
        QDir(dir).removeRecursively(); // 4K samples add up

        const auto messages = messagesFrom(before, [&](const auto &m) {
            return has(m, WM_VCAM_ACTIVE, 1) && has(m, WM_VCAM_RESOLUTION, f.resolutionCode()) &&
                   has(m, WM_VCAM_FPS, f.fps);
        });
        EXPECT_TRUE(has(messages, WM_VCAM_ACTIVE, 1));
        for (const auto &m : messages) {
            EXPECT_EQ(m.wParam, 1u) << "message " << m.message;
            if (m.message == WM_VCAM_RESOLUTION)
                EXPECT_EQ(m.lParam, f.resolutionCode());
            if (m.message == WM_VCAM_FPS)
                EXPECT_EQ(m.lParam, f.fps);
        }
    }
}

// No camera is paired with slot 3, so its receiver ends early, but the pin goes on delivering
// the placeholder at the frame rate: 600 samples take 20 s, long enough for repeated reports.
// The slot is reported inactive exactly once, when the application stops the graph.
TEST_F(KestraCameraEndToEnd, CameraThreeReportsItsSlotAndSaysActiveAtMostEveryTwoSeconds) {
    const Outcome grab = run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera3"),
                                       QStringLiteral("--count"), QStringLiteral("600"),
                                       QStringLiteral("--timeout"), QStringLiteral("60")});
    ASSERT_EQ(grab.exitCode, 0) << qPrintable(grab.err);
    const std::vector<Sample> samples = parseSamples(grab.out);
    ASSERT_EQ(samples.size(), 600u);
    const double spanMs = samples.back().arrivalMs - samples.front().arrivalMs;
    ASSERT_GT(spanMs, 2500) << "too short to see a repeated report";

    const auto messages = messagesFrom(0, [](const auto &m) {
        return has(m, WM_VCAM_ACTIVE, 0) && std::count_if(m.begin(), m.end(), [](const auto &x) {
                                                return x.message == WM_VCAM_ACTIVE && x.lParam == 1;
                                            }) >= 2;
    });
    std::vector<std::chrono::steady_clock::time_point> reports;
    std::vector<int64_t> active;
    for (const auto &m : messages) {
        EXPECT_EQ(m.wParam, 3u) << "message " << m.message;
        if (m.message == WM_VCAM_ACTIVE)
            active.push_back(m.lParam);
        if (m.message == WM_VCAM_ACTIVE && m.lParam == 1)
            reports.push_back(m.arrival);
    }
    ASSERT_GE(reports.size(), 2u);
    EXPECT_LE(reports.size(), static_cast<size_t>(spanMs / 2000) + 1);
    for (size_t i = 1; i < reports.size(); ++i) {
        const std::chrono::duration<double, std::milli> gap = reports[i] - reports[i - 1];
        EXPECT_GE(gap.count(), 1950.0) << "report " << i;
    }
    std::vector<int64_t> expected(reports.size(), 1);
    expected.push_back(0);
    EXPECT_EQ(active, expected);
}

TEST_F(KestraCameraEndToEnd, CaptureFailsClearlyForAnUnknownDeviceAFormatOutOfRangeOrATimeout) {
    const Outcome noDevice =
        run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera9")});
    EXPECT_EQ(noDevice.exitCode, 1);
    EXPECT_TRUE(noDevice.err.contains(QStringLiteral("device not found")))
        << qPrintable(noDevice.err);

    const Outcome noFormat = run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera1"),
                                           QStringLiteral("--format"), QStringLiteral("24")});
    EXPECT_EQ(noFormat.exitCode, 1);
    EXPECT_TRUE(noFormat.err.contains(QStringLiteral("no such format: 24")))
        << qPrintable(noFormat.err);

    const Outcome late = run(capture, {QStringLiteral("grab"), QStringLiteral("Kestra Camera1"),
                                       QStringLiteral("--count"), QStringLiteral("100000"),
                                       QStringLiteral("--timeout"), QStringLiteral("0.5")});
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_TRUE(late.err.contains(QStringLiteral("timeout: "))) << qPrintable(late.err);

    const Outcome usage = run(capture, {QStringLiteral("grab")});
    EXPECT_EQ(usage.exitCode, 2);
}

} // namespace
