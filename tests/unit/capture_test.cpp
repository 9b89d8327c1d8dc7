// kestra-capture without a graph: the grab options, what it works out from a sample (CRC-32,
// the simulator's stamp, latency), the sample and summary lines other tests parse, the
// recorder that takes samples off the streaming thread and hands them to its worker in order,
// and the PNG snapshot as an independent decoder reads it.
#include "capturesink.h"
#include "framestamp.h"
#include "graboptions.h"
#include "pathtext.h"
#include "sampleanalysis.h"
#include "snapshotwriter.h"
#include "support/fakemediasample.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace capture;
using namespace std::chrono_literals;

constexpr uint32_t kNv12 = 0x3231564E;
constexpr uint32_t kYuy2 = 0x32595559;

bool Parse(std::vector<std::string_view> args, GrabOptions *options) {
    return ParseGrabOptions(args, options);
}

TEST(GrabOptions, KeepTheOldDefaultsAndReadTheNewOptions) {
    GrabOptions defaults;
    ASSERT_TRUE(Parse({"Kestra Camera1"}, &defaults));
    EXPECT_EQ(defaults.count, 30);
    EXPECT_EQ(defaults.rawEvery, 1);
    EXPECT_FALSE(defaults.live);
    EXPECT_FALSE(defaults.seconds);

    GrabOptions options;
    ASSERT_TRUE(Parse({"cam", "--count", "0", "--seconds", "2.5", "--live", "--raw-every", "25",
                       "--out", "/tmp/x", "--format", "2"},
                      &options));
    EXPECT_TRUE(options.runsForSeconds());
    EXPECT_EQ(options.seconds, 2.5);
    EXPECT_TRUE(options.live);
    EXPECT_EQ(options.rawEvery, 25);
    EXPECT_EQ(options.format, 2);
}

TEST(GrabOptions, RefuseCountZeroWithoutSecondsSecondsWithACountAndBadValues) {
    const std::vector<std::vector<std::string_view>> refused = {
        {},
        {"cam", "--count", "0"},
        {"cam", "--seconds", "5"},
        {"cam", "--count", "10", "--seconds", "5"},
        {"cam", "--count", "0", "--seconds", "0"},
        {"cam", "--count", "-1"},
        {"cam", "--raw-every", "0"},
        {"cam", "--raw-every", "x"},
        {"cam", "--timeout", "0"},
        {"cam", "--format"},
        {"cam", "--unknown", "1"},
    };
    for (const auto &args : refused) {
        GrabOptions options;
        EXPECT_FALSE(Parse(args, &options)) << (args.size() > 1 ? args[1] : "(none)");
    }

    // The reason names the argument that was wrong.
    const std::pair<std::vector<std::string_view>, std::string> explained[] = {
        {{"cam", "--fromat", "3"}, "unknown option --fromat"},
        {{"cam", "--raw-every", "x"}, "--raw-every x is out of range"},
        {{"cam", "--format"}, "--format needs a value"},
        {{"cam", "--stopped-for", "1"}, "--stopped-for needs --stop-at"},
    };
    for (const auto &[args, reason] : explained) {
        GrabOptions options;
        std::string why;
        EXPECT_FALSE(ParseGrabOptions(args, &options, &why));
        EXPECT_EQ(why, reason);
    }
}

TEST(SampleAnalysis, CrcIsZlibsCrc32) {
    const char text[] = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t *>(text), 9), 0xCBF43926u);
    std::vector<uint8_t> big(3 << 20);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 131);
    EXPECT_EQ(Crc32(big.data(), big.size()),
              crc32(crc32(0, nullptr, 0), big.data(), static_cast<uInt>(big.size())));
}

// A 1920x1080 picture in the sample layout with the code drawn into it.
std::vector<uint8_t> StampedSample(uint32_t fourcc, const framestamp::Code &code) {
    constexpr int w = 1920;
    constexpr int h = 1080;
    std::vector<uint8_t> i420(size_t{w} * h * 3 / 2, 128);
    uint8_t *y = i420.data();
    framestamp::drawCode({{y, y + w * h, y + w * h * 5 / 4}, {w, w / 2, w / 2}, w, h}, code);
    if (fourcc == kNv12)
        return i420; // NV12's luma plane is I420's; the chroma does not matter here
    std::vector<uint8_t> yuy2(size_t{w} * h * 2, 128);
    for (size_t i = 0; i < size_t{w} * h; ++i)
        yuy2[2 * i] = y[i];
    return yuy2;
}

TEST(SampleAnalysis, ReadsFrameAndLatencyFromNv12AndYuy2Samples) {
    const auto arrival = std::chrono::steady_clock::now();
    const auto arrivalUs =
        std::chrono::duration_cast<std::chrono::microseconds>(arrival.time_since_epoch()).count();
    const framestamp::Code code{static_cast<uint64_t>(arrivalUs) - 41250, 1234};
    for (const uint32_t fourcc : {kNv12, kYuy2}) {
        const std::vector<uint8_t> bytes = StampedSample(fourcc, code);
        SampleFacts facts;
        facts.arrival = arrival;
        Analyse(bytes.data(), bytes.size(), {fourcc, 1920, 1080}, &facts);
        EXPECT_EQ(facts.crc, Crc32(bytes.data(), bytes.size()));
        EXPECT_EQ(facts.frame, 1234u);
        ASSERT_TRUE(facts.latencyMs);
        EXPECT_DOUBLE_EQ(*facts.latencyMs, 41.25);
    }
}

TEST(SampleAnalysis, FindsNoStampInOtherLayoutsOrShortSamples) {
    const std::vector<uint8_t> bytes = StampedSample(kNv12, {5, 6});
    SampleFacts facts;
    Analyse(bytes.data(), bytes.size(), {0x30323449 /* I420 */, 1920, 1080}, &facts);
    EXPECT_FALSE(facts.frame);
    Analyse(bytes.data(), 1920 * 100, {kNv12, 1920, 1080}, &facts);
    EXPECT_FALSE(facts.frame);
    EXPECT_FALSE(facts.latencyMs);
    Analyse(bytes.data(), bytes.size(), {kNv12, 1920, 1080}, &facts);
    EXPECT_EQ(facts.frame, 6u);
}

TEST(SampleLines, SampleLineCarriesTheOldFieldsThenCrcLatencyAndFrame) {
    const auto runStart = std::chrono::steady_clock::now();
    SampleFacts facts;
    facts.index = 7;
    facts.arrival = runStart + 1500us;
    facts.start = 0;
    facts.stop = 333333;
    facts.syncPoint = true;
    facts.length = 3110400;
    facts.crc = 0x00ABCDEF;
    EXPECT_EQ(SampleLine(facts, runStart),
              "sample 7 arrival_ms=1.500 start=0 stop=333333 sync=1 bytes=3110400 crc=00abcdef "
              "latency_ms=- frame=-");
    facts.start.reset();
    facts.stop.reset();
    facts.frame = 42;
    facts.latencyMs = 12.3456;
    EXPECT_EQ(SampleLine(facts, runStart),
              "sample 7 arrival_ms=1.500 start=none stop=none sync=1 bytes=3110400 "
              "crc=00abcdef latency_ms=12.346 frame=42");
}

TEST(SampleLines, SummaryCountsStampedSamplesAndTakesTheirLatencyPercentiles) {
    const auto runStart = std::chrono::steady_clock::now();
    SampleSummary summary;
    for (int i = 0; i < 21; ++i) {
        SampleFacts s;
        s.index = static_cast<size_t>(i);
        s.arrival = runStart + std::chrono::milliseconds(100 + 50 * i);
        if (i >= 1) {
            s.frame = static_cast<uint32_t>(i);
            s.latencyMs = 100.0 - i; // 99 down to 80
        }
        summary.Add(s);
        if (i == 0)
            EXPECT_EQ(summary.Line(runStart),
                      "frames=1 fps=0.0 max_gap_ms=0.0 live=0 first_live_ms=- "
                      "latency_median_ms=- latency_p95_ms=-");
    }
    EXPECT_EQ(summary.Line(runStart),
              "frames=21 fps=20.0 max_gap_ms=50.0 live=20 first_live_ms=150.000 "
              "latency_median_ms=89.000 latency_p95_ms=98.000");
}

TEST(SampleLines, PercentileIsTheNearestRank) {
    EXPECT_FALSE(Percentile({}, 50));
    EXPECT_EQ(Percentile({3}, 95), 3);
    EXPECT_EQ(Percentile({4, 1, 3, 2}, 50), 2);
    EXPECT_EQ(Percentile({4, 1, 3, 2}, 95), 4);
    EXPECT_EQ(Percentile({4, 1, 3, 2}, 100), 4);
}

// A sample whose first byte tells it apart.
struct NumberedSample {
    explicit NumberedSample(int n) : sample(4096, static_cast<BYTE>(n)) {
        REFERENCE_TIME start = n * 10;
        REFERENCE_TIME stop = start + 10;
        sample.SetTime(&start, &stop);
        sample.SetSyncPoint(TRUE);
        sample.SetActualDataLength(1000 + n);
    }
    FakeMediaSample sample;
};

TEST(SampleRecorder, HandsEverySampleToTheWorkerInOrderWithItsOwnBytes) {
    std::vector<std::pair<size_t, std::vector<uint8_t>>> seen;
    std::thread::id worker;
    SampleRecorder recorder(0, true, {kNv12, 1920, 1080},
                            [&](const SampleFacts &facts, std::vector<uint8_t> *bytes) {
                                worker = std::this_thread::get_id();
                                seen.emplace_back(facts.index, *bytes);
                                // A slow consumer must not hold the caller of Record.
                                std::this_thread::sleep_for(2ms);
                            });
    const auto before = std::chrono::steady_clock::now();
    for (int n = 0; n < 20; ++n) {
        NumberedSample numbered(n);
        recorder.Record(&numbered.sample, std::chrono::steady_clock::now());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, 30ms);
    recorder.Finish();
    EXPECT_NE(worker, std::this_thread::get_id());

    const std::vector<SampleFacts> facts = recorder.Take();
    ASSERT_EQ(facts.size(), 20u);
    ASSERT_EQ(seen.size(), 20u);
    for (size_t n = 0; n < 20; ++n) {
        EXPECT_EQ(facts[n].index, n);
        EXPECT_EQ(facts[n].start, static_cast<int64_t>(n) * 10);
        EXPECT_EQ(facts[n].length, 1000 + static_cast<int64_t>(n));
        EXPECT_TRUE(facts[n].syncPoint);
        EXPECT_EQ(seen[n].first, n);
        EXPECT_EQ(seen[n].second, std::vector<uint8_t>(1000 + n, static_cast<uint8_t>(n)));
        EXPECT_EQ(facts[n].crc, Crc32(seen[n].second.data(), seen[n].second.size()));
    }
}

TEST(SampleRecorder, TakesOnlyTheWantedSamplesAndSaysWhenTheyAreHandled) {
    SampleRecorder recorder(3, false, {}, [](const SampleFacts &, std::vector<uint8_t> *) {});
    EXPECT_FALSE(recorder.WaitUntilComplete(1ms));
    for (int n = 0; n < 5; ++n) {
        NumberedSample numbered(n);
        recorder.Record(&numbered.sample, std::chrono::steady_clock::now());
    }
    EXPECT_TRUE(recorder.WaitUntilComplete(5s));
    EXPECT_EQ(recorder.Count(), 3u);
    recorder.Finish();
    NumberedSample late(9);
    recorder.Record(&late.sample, std::chrono::steady_clock::now());
    EXPECT_TRUE(recorder.Take().empty()) << "facts not kept when not asked for";
    EXPECT_TRUE(recorder.Summary().Line({}).starts_with("frames=3 "));
}

// A picture whose left half is white and right half red, in the sample's own layout
// (limited-range BT.601, as the camera delivers it).
std::vector<uint8_t> TwoColourPicture(uint32_t fourcc, int width, int height) {
    struct Yuv {
        uint8_t y, u, v;
    };
    const Yuv white{235, 128, 128};
    const Yuv red{81, 90, 240};
    const auto at = [&](int x) {
        return x < width / 2 ? white : red;
    };
    const auto w = static_cast<size_t>(width);
    std::vector<uint8_t> bytes;
    if (fourcc == kNv12) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bytes.push_back(at(x).y);
        for (int y = 0; y < height / 2; ++y)
            for (int x = 0; x < width; x += 2)
                bytes.insert(bytes.end(), {at(x).u, at(x).v});
    } else {
        bytes.reserve(w * static_cast<size_t>(height) * 2);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; x += 2)
                bytes.insert(bytes.end(), {at(x).y, at(x).u, at(x).y, at(x).v});
    }
    return bytes;
}

bool Near(QColor colour, int r, int g, int b) {
    return std::abs(colour.red() - r) <= 4 && std::abs(colour.green() - g) <= 4 &&
           std::abs(colour.blue() - b) <= 4;
}

TEST(Snapshot, IsAPngOfThePictureInBothLayoutsUnderAUtf8Path) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A name the ANSI code pages of Windows cannot all hold: the path goes through UTF-8.
    const std::string folder =
        dir.path().toStdString() + "/snapsh\xc3\xb6t \xe5\x86\x99\xe7\x9c\x9f";
    ASSERT_TRUE(std::filesystem::create_directory(PathFromText(folder)));
    EXPECT_EQ(PathText(PathFromText(folder)), folder);

    for (const uint32_t fourcc : {kNv12, kYuy2}) {
        constexpr int width = 96;
        constexpr int height = 54;
        const std::vector<uint8_t> bytes = TwoColourPicture(fourcc, width, height);
        const std::string file = folder + "/snapshot.png";
        std::string why;
        ASSERT_TRUE(WritePngSnapshot(PathFromText(file), bytes.data(), bytes.size(), fourcc, width,
                                     height, &why))
            << why;
        const QImage image(QString::fromStdString(file), "PNG");
        ASSERT_FALSE(image.isNull()) << fourcc;
        EXPECT_EQ(image.size(), QSize(width, height));
        for (const int y : {0, height / 2, height - 1}) {
            EXPECT_TRUE(Near(image.pixelColor(width / 4, y), 255, 255, 255)) << fourcc << " " << y;
            EXPECT_TRUE(Near(image.pixelColor(width * 3 / 4, y), 255, 0, 0)) << fourcc << " " << y;
        }
    }
}

TEST(Snapshot, RefusesShortSamplesAndUnknownLayoutsWithAReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path file = PathFromText(dir.path().toStdString() + "/s.png");
    const std::vector<uint8_t> bytes = TwoColourPicture(kNv12, 64, 32);
    std::string why;
    EXPECT_FALSE(WritePngSnapshot(file, bytes.data(), bytes.size() - 1, kNv12, 64, 32, &why));
    EXPECT_EQ(why, "the sample holds 3071 bytes, the picture needs 3072");
    EXPECT_FALSE(WritePngSnapshot(file, bytes.data(), bytes.size(), 0x30323449, 64, 32, &why));
    EXPECT_EQ(why, "no snapshot for this picture layout");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(WritePngSnapshot(PathFromText(dir.path().toStdString() + "/none/s.png"),
                                  bytes.data(), bytes.size(), kNv12, 64, 32, &why));
    EXPECT_TRUE(why.starts_with("cannot write ")) << why;
}

} // namespace
