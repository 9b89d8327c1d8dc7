// Frame conversion and the placeholder picture: classification of media types, RGB to NV12,
// placeholder conversion and decoded-picture copy over a format x size matrix against reference
// pixels, and loading the shipped pictures. Buffers are exact-size heap blocks (ASan sees any
// overrun) followed by guard bytes where writes are checked.
#include "convert/framecopy.h"
#include "convert/placeholder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Kestra;

namespace {

struct Guid {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
struct MediaType {
    Guid majortype, subtype, formattype;
    uint32_t cbFormat;
    uint8_t *pbFormat;
};

constexpr Guid FourCCGuid(uint32_t fourcc) {
    return {fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr Guid kVideo = FourCCGuid(0x73646976);
constexpr Guid kAudio = FourCCGuid(0x73647561);
constexpr Guid kVideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
constexpr Guid kVideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
constexpr Guid kRGB24{0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr Guid kRGB32{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr Guid kARGB32{
    0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};
constexpr Guid kOtherSubtype{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

uint32_t FCC(const char *s) {
    return MakeFourCC(s[0], s[1], s[2], s[3]);
}

// A media type with a VIDEOINFOHEADER(2) block of exactly blockSize bytes.
VideoFormatCode Classify(const Guid &major, const Guid &subtype, const Guid &format,
                         uint32_t compression, size_t blockSize, int width = 1920,
                         int height = 1080) {
    std::vector<uint8_t> block(blockSize);
    const size_t at = format.Data1 == kVideoInfo2.Data1 ? 72 : 48;
    auto put32 = [&](size_t off, uint32_t v) {
        if (at + off + 4 <= block.size())
            std::memcpy(block.data() + at + off, &v, 4);
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(width));
    put32(8, static_cast<uint32_t>(height));
    put32(16, compression);
    MediaType mt{major, subtype, format, static_cast<uint32_t>(block.size()), block.data()};
    return ClassifyVideoType(DescribeVideoType(mt));
}

struct Yuv {
    uint8_t y, u, v;
    bool operator==(const Yuv &) const = default;
};
// Reference values worked out by hand from the integer formulas.
constexpr Yuv kWhite{235, 128, 128}, kBlack{16, 128, 128}, kRed{82, 90, 240}, kGreen{144, 54, 34},
    kBlue{41, 240, 110};
struct Bgr {
    uint8_t b, g, r;
};
constexpr Bgr kWhiteBgr{255, 255, 255}, kBlackBgr{0, 0, 0}, kRedBgr{0, 0, 255},
    kGreenBgr{0, 255, 0}, kBlueBgr{255, 0, 0};

template <class F> BgrImage MakeBgr(int w, int h, F colourAt, size_t padding = 5) {
    BgrImage img;
    img.width = w;
    img.height = h;
    img.stride = static_cast<size_t>(w) * 3 + padding;
    img.pixels.reset(new uint8_t[img.stride * h]);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Bgr c = colourAt(x, y);
            uint8_t *p = img.pixels.get() + img.stride * y + 3 * x;
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    return img;
}

// Quadrants: white | red over green | blue.
std::shared_ptr<const Nv12Picture> QuadrantPicture(int w, int h) {
    return Nv12FromBgr(MakeBgr(w, h, [&](int x, int y) {
        return y < h / 2 ? (x < w / 2 ? kWhiteBgr : kRedBgr) : (x < w / 2 ? kGreenBgr : kBlueBgr);
    }));
}
Yuv QuadrantAt(int x, int y, int w, int h) {
    return y < h / 2 ? (x < w / 2 ? kWhite : kRed) : (x < w / 2 ? kGreen : kBlue);
}

std::shared_ptr<const Nv12Picture> RandomPicture(int w, int h, unsigned seed) {
    auto p = std::make_shared<Nv12Picture>();
    p->width = w, p->height = h, p->size = Nv12PictureSize(w, h);
    p->data.reset(new uint8_t[p->size]);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < p->size; ++i)
        p->data[i] = static_cast<uint8_t>(rng());
    return p;
}

// Reads pixel (x, y) of a target in the standard layouts (even sizes).
Yuv PixelOf(OutputLayout layout, const uint8_t *b, int w, int h, int x, int y) {
    const size_t luma = static_cast<size_t>(w) * h;
    switch (layout) {
    case OutputLayout::NV12: {
        const uint8_t *c = b + luma + static_cast<size_t>(y / 2) * w + (x / 2) * 2;
        return {b[static_cast<size_t>(y) * w + x], c[0], c[1]};
    }
    case OutputLayout::Planar420: {
        const size_t at = static_cast<size_t>(y / 2) * (w / 2) + x / 2;
        return {b[static_cast<size_t>(y) * w + x], b[luma + at], b[luma + luma / 4 + at]};
    }
    default: {
        const uint8_t *row = b + static_cast<size_t>(y) * w * 2;
        return {row[2 * x], row[(x / 2) * 4 + 1], row[(x / 2) * 4 + 3]};
    }
    }
}

OutputLayout LayoutOf(PlaceholderMode m) {
    return m == PlaceholderMode::NV12   ? OutputLayout::NV12
           : m == PlaceholderMode::I420 ? OutputLayout::Planar420
                                        : OutputLayout::YUY2;
}

constexpr uint8_t kFill = 0xCD;
constexpr size_t kGuard = 32;
struct Guarded {
    explicit Guarded(size_t n) : size(n), bytes(n + kGuard, kFill) {}
    uint8_t *data() { return bytes.data(); }
    bool guardIntact() const {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != kFill)
                return false;
        return true;
    }
    bool untouched() const {
        for (uint8_t b : bytes)
            if (b != kFill)
                return false;
        return true;
    }
    size_t size;
    std::vector<uint8_t> bytes;
};

constexpr PlaceholderMode kModes[] = {PlaceholderMode::NV12, PlaceholderMode::I420,
                                      PlaceholderMode::YUY2};

} // namespace

TEST(VideoFormatClassification, EveryEntryOfTheFormatListIsNv12OrYuy2) {
    const int sizes[][2] = {{1080, 1920}, {1920, 1080}, {2160, 3840}, {3840, 2160}};
    const int groups[][2] = {{0, 2}, {2, 4}, {0, 2},
                             {2, 4}, {0, 2}, {0, 2}}; // 30, 30, 25, 25, 60, 50
    int entries = 0;
    for (const auto &group : groups)
        for (int s = group[0]; s < group[1]; ++s)
            for (const char *name : {"NV12", "YUY2"}) {
                const int w = sizes[s][0], h = sizes[s][1];
                const auto code =
                    Classify(kVideo, FourCCGuid(FCC(name)), kVideoInfo, FCC(name), 88, w, h);
                const bool nv12 = name[0] == 'N';
                EXPECT_EQ(code, nv12 ? VideoFormatCode::NV12 : VideoFormatCode::YUY2);
                EXPECT_EQ(OutputLayoutFor(code), nv12 ? OutputLayout::NV12 : OutputLayout::YUY2);
                EXPECT_EQ(CompressionCode(code), FCC(name));
                EXPECT_EQ(BitsPerPixel(code), nv12 ? 12 : 16);
                ++entries;
            }
    EXPECT_EQ(entries, 24);
}

TEST(VideoFormatClassification, SubtypeDecidesBeforeCompression) {
    const std::pair<Guid, VideoFormatCode> table[] = {
        {kRGB24, VideoFormatCode::RGB32},
        {kRGB32, VideoFormatCode::RGB32},
        {kARGB32, VideoFormatCode::ARGB32},
        {FourCCGuid(FCC("I420")), VideoFormatCode::I420},
        {FourCCGuid(FCC("IYUV")), VideoFormatCode::I420},
        {FourCCGuid(FCC("YV12")), VideoFormatCode::YV12},
        {FourCCGuid(FCC("NV12")), VideoFormatCode::NV12},
        {FourCCGuid(FCC("P010")), VideoFormatCode::P010},
        {FourCCGuid(FCC("YVYU")), VideoFormatCode::YVYU},
        {FourCCGuid(FCC("YUY2")), VideoFormatCode::YUY2},
        {FourCCGuid(FCC("UYVY")), VideoFormatCode::UYVY},
        {FourCCGuid(FCC("H264")), VideoFormatCode::H264},
        {FourCCGuid(FCC("MJPG")), VideoFormatCode::MJPG}};
    for (const auto &[subtype, code] : table) {
        EXPECT_EQ(Classify(kVideo, subtype, kOtherSubtype, 0, 0), code) << subtype.Data1;
        // A header that says otherwise does not count.
        EXPECT_EQ(Classify(kVideo, subtype, kVideoInfo, FCC("HDYC"), 88), code) << subtype.Data1;
    }
}

TEST(VideoFormatClassification, CompressionDecidesForAnUnlistedSubtype) {
    const std::pair<const char *, VideoFormatCode> table[] = {
        {"Y800", VideoFormatCode::Y800},   {"P010", VideoFormatCode::P010},
        {"I420", VideoFormatCode::I420},   {"IYUV", VideoFormatCode::I420},
        {"NV12", VideoFormatCode::NV12},   {"YV12", VideoFormatCode::YV12},
        {"RGB2", VideoFormatCode::RGB32},  {"RGB4", VideoFormatCode::RGB32},
        {"YUY2", VideoFormatCode::YUY2},   {"H264", VideoFormatCode::H264},
        {"ARGB", VideoFormatCode::ARGB32}, {"HDYC", VideoFormatCode::HDYC},
        {"MJPG", VideoFormatCode::MJPG},   {"YVYU", VideoFormatCode::YVYU},
        {"UYVY", VideoFormatCode::UYVY}};
    for (const auto &[name, code] : table) {
        EXPECT_EQ(Classify(kVideo, kOtherSubtype, kVideoInfo, FCC(name), 88), code) << name;
        EXPECT_EQ(Classify(kVideo, kOtherSubtype, kVideoInfo2, FCC(name), 112), code) << name;
    }
    EXPECT_EQ(Classify(kVideo, FourCCGuid(FCC("HDYC")), kVideoInfo2, FCC("HDYC"), 112),
              VideoFormatCode::HDYC);
}

TEST(VideoFormatClassification, UnrecognisedTypesAndShortBlocksGiveUnknown) {
    EXPECT_EQ(Classify(kAudio, FourCCGuid(FCC("NV12")), kVideoInfo, FCC("NV12"), 88),
              VideoFormatCode::Unknown);
    EXPECT_EQ(Classify(kVideo, kOtherSubtype, kVideoInfo, FCC("ABCD"), 88),
              VideoFormatCode::Unknown);
    EXPECT_EQ(Classify(kVideo, kOtherSubtype, kOtherSubtype, FCC("NV12"), 88),
              VideoFormatCode::Unknown);
    // One byte short of the header: not read at all (the block is an exact heap allocation).
    EXPECT_EQ(Classify(kVideo, kOtherSubtype, kVideoInfo, FCC("NV12"), 87),
              VideoFormatCode::Unknown);
    EXPECT_EQ(Classify(kVideo, kOtherSubtype, kVideoInfo2, FCC("NV12"), 111),
              VideoFormatCode::Unknown);
    Guid nearlyFourCC = FourCCGuid(FCC("NV12"));
    nearlyFourCC.Data4[7] ^= 1;
    EXPECT_EQ(Classify(kVideo, nearlyFourCC, kOtherSubtype, 0, 0), VideoFormatCode::Unknown);
    MediaType noBlock{kVideo, kOtherSubtype, kVideoInfo, 88, nullptr};
    EXPECT_EQ(ClassifyVideoType(DescribeVideoType(noBlock)), VideoFormatCode::Unknown);
    EXPECT_EQ(OutputLayoutFor(VideoFormatCode::Unknown), OutputLayout::None);
}

TEST(Nv12FromBgr, SolidColoursGiveTheFormulaValuesAtAnySize) {
    const std::pair<Bgr, Yuv> colours[] = {{kWhiteBgr, kWhite},
                                           {kBlackBgr, kBlack},
                                           {kRedBgr, kRed},
                                           {kGreenBgr, kGreen},
                                           {kBlueBgr, kBlue}};
    const int sizes[][2] = {{1, 1}, {2, 2}, {6, 4}, {7, 5}, {64, 36}};
    for (const auto &[bgr, yuv] : colours)
        for (const auto &s : sizes) {
            const auto pic = Nv12FromBgr(MakeBgr(s[0], s[1], [&](int, int) { return bgr; }));
            ASSERT_TRUE(pic);
            ASSERT_EQ(pic->size, Nv12PictureSize(s[0], s[1]));
            const size_t luma = static_cast<size_t>(s[0]) * s[1];
            for (size_t i = 0; i < pic->size; ++i) {
                const uint8_t expected = i < luma ? yuv.y : ((i - luma) % 2 ? yuv.v : yuv.u);
                ASSERT_EQ(pic->data[i], expected) << s[0] << "x" << s[1] << " byte " << i;
            }
        }
}

TEST(Nv12FromBgr, ABlockTakesTheMeanOfItsFourChromaValuesTopRowFirst) {
    const Bgr block[2][2] = {{kWhiteBgr, kBlackBgr}, {kRedBgr, kBlueBgr}};
    const auto pic = Nv12FromBgr(MakeBgr(2, 2, [&](int x, int y) { return block[y][x]; }));
    ASSERT_TRUE(pic);
    EXPECT_EQ(std::vector<uint8_t>(pic->data.get(), pic->data.get() + 6),
              (std::vector<uint8_t>{235, 16, 82, 41, 146, 151}));
    BgrImage shortStride = MakeBgr(
        4, 2, [](int, int) { return kWhiteBgr; }, 0);
    shortStride.stride = 11;
    EXPECT_FALSE(Nv12FromBgr(shortStride));
    EXPECT_FALSE(Nv12FromBgr(BgrImage{}));
}

TEST(ConvertPlaceholder, QuadrantsSurviveEveryModeAndSize) {
    const int sources[][2] = {{4, 4}, {1920, 1080}};
    const int targets[][2] = {{4, 4}, {8, 12}, {1920, 1080}, {1080, 1920}, {2160, 3840}};
    for (const auto &s : sources) {
        const auto source = QuadrantPicture(s[0], s[1]);
        for (const auto &t : targets)
            for (PlaceholderMode mode : kModes) {
                const PlaceholderConversion conv{mode, s[0], s[1], t[0], t[1]};
                std::vector<uint8_t> target(PlaceholderLayoutSize(mode, t[0], t[1]));
                ASSERT_TRUE(ConvertPlaceholder(conv, target.data(), target.size(), *source));
                // Every pixel along the edges and the quadrant borders, a grid elsewhere.
                auto nearLine = [](int v, int n) {
                    return v < 2 || v >= n - 2 || std::abs(v - n / 2) <= 2;
                };
                int wrong = 0;
                for (int y = 0; y < t[1]; ++y)
                    for (int x = 0; x < t[0]; ++x)
                        if (nearLine(x, t[0]) || nearLine(y, t[1]) || (x % 5 == 0 && y % 5 == 0))
                            wrong += !(PixelOf(LayoutOf(mode), target.data(), t[0], t[1], x, y) ==
                                       QuadrantAt(x, y, t[0], t[1]));
                EXPECT_EQ(wrong, 0) << s[0] << "x" << s[1] << " -> " << t[0] << "x" << t[1]
                                    << " mode " << static_cast<int>(mode);
            }
    }
}

TEST(ConvertPlaceholder, EqualSizeCopiesSplitsOrPacksTheSource) {
    const auto src = RandomPicture(6, 4, 1);
    const uint8_t *luma = src->luma(), *chroma = src->chroma();
    for (PlaceholderMode mode : kModes) {
        std::vector<uint8_t> t(PlaceholderLayoutSize(mode, 6, 4));
        ASSERT_TRUE(ConvertPlaceholder({mode, 6, 4, 6, 4}, t.data(), t.size(), *src));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const uint8_t *pair = chroma + (y / 2) * 6 + (x / 2) * 2;
                EXPECT_EQ(PixelOf(LayoutOf(mode), t.data(), 6, 4, x, y),
                          (Yuv{luma[y * 6 + x], pair[0], pair[1]}));
            }
    }
    PlaceholderFrame frame;
    const auto big = RandomPicture(1920, 1080, 2);
    ASSERT_TRUE(frame.BuildPlaceholder(big, VideoFormatCode::NV12, 1920, 1080));
    ASSERT_EQ(frame.frameSize(), big->size);
    EXPECT_EQ(std::memcmp(frame.frame(), big->data.get(), big->size), 0);
}

TEST(ConvertPlaceholder, PortraitFromALandscapePictureSamplesByNearestNeighbour) {
    const auto src = RandomPicture(1920, 1080, 3);
    std::vector<uint8_t> t(PlaceholderLayoutSize(PlaceholderMode::YUY2, 1080, 1920));
    ASSERT_TRUE(ConvertPlaceholder({PlaceholderMode::YUY2, 1920, 1080, 1080, 1920}, t.data(),
                                   t.size(), *src));
    // target (x, y) <- source (x * 1920 / 1080, y * 1080 / 1920), worked out by hand
    const int points[][4] = {
        {0, 0, 0, 0}, {1, 1, 1, 0}, {540, 960, 960, 540}, {1079, 1919, 1918, 1079}};
    for (const auto &p : points)
        EXPECT_EQ(t[static_cast<size_t>(p[1]) * 2160 + 2 * p[0]], src->luma()[p[3] * 1920 + p[2]]);
}

TEST(ConvertPlaceholder, OddAndTinySizesStayInsideBothBuffers) {
    const int sizes[][2] = {{1, 1}, {1, 2}, {2, 1}, {3, 3}, {5, 7}, {7, 5}};
    for (const auto &s : sizes) {
        const auto source = Nv12FromBgr(MakeBgr(s[0], s[1], [](int, int) { return kRedBgr; }));
        for (const auto &t : sizes)
            for (PlaceholderMode mode : kModes) {
                Guarded target(PlaceholderLayoutSize(mode, t[0], t[1]));
                ASSERT_TRUE(ConvertPlaceholder({mode, s[0], s[1], t[0], t[1]}, target.data(),
                                               target.size, *source));
                EXPECT_TRUE(target.guardIntact());
                const size_t luma = static_cast<size_t>(t[0]) * t[1];
                const size_t quarter = luma / 4;
                for (size_t i = 0; i < target.size; ++i) {
                    const size_t inRow = i % (2 * static_cast<size_t>(t[0]));
                    uint8_t expected = kRed.y;
                    if (mode == PlaceholderMode::YUY2)
                        expected = inRow % 2 == 0 ? kRed.y : (inRow / 2) % 2 ? kRed.v : kRed.u;
                    else if (i >= luma && mode == PlaceholderMode::NV12)
                        expected = (i - luma) % 2 ? kRed.v : kRed.u;
                    else if (i >= luma)
                        expected = i < luma + quarter ? kRed.u : kRed.v;
                    if (mode != PlaceholderMode::I420 || i < luma ||
                        i - luma < (t[0] / 2) * (t[1] / 2) || i >= luma + quarter)
                        EXPECT_EQ(target.bytes[i], expected) << i;
                }
            }
    }
}

TEST(ConvertPlaceholder, ShortTargetOrWrongSourceSizeWritesNothing) {
    const auto src = QuadrantPicture(8, 8);
    Guarded target(PlaceholderLayoutSize(PlaceholderMode::NV12, 8, 8) - 1);
    EXPECT_FALSE(
        ConvertPlaceholder({PlaceholderMode::NV12, 8, 8, 8, 8}, target.data(), target.size, *src));
    EXPECT_FALSE(
        ConvertPlaceholder({PlaceholderMode::NV12, 8, 4, 4, 4}, target.data(), target.size, *src));
    EXPECT_TRUE(target.untouched());
}

TEST(PlaceholderFrame, ListFormatsFillTheWholeSampleAndNothingMore) {
    const auto src = QuadrantPicture(1080, 1920);
    const std::tuple<VideoFormatCode, size_t, PlaceholderMode> cases[] = {
        {VideoFormatCode::NV12, 3110400, PlaceholderMode::NV12},
        {VideoFormatCode::YUY2, 4147200, PlaceholderMode::YUY2},
        {VideoFormatCode::I420, 3110400, PlaceholderMode::I420}};
    for (const auto &[code, size, mode] : cases) {
        PlaceholderFrame frame;
        ASSERT_TRUE(frame.BuildPlaceholder(src, code, 1080, 1920));
        EXPECT_EQ(frame.frameSize(), size);
        EXPECT_EQ(frame.conversion().mode, mode);
        Guarded sample(size);
        EXPECT_EQ(frame.CopyTo(sample.data(), sample.size), size);
        EXPECT_TRUE(sample.guardIntact());
        EXPECT_EQ(PixelOf(LayoutOf(mode), sample.data(), 1080, 1920, 1079, 1919), kBlue);
        Guarded smaller(size / 2);
        EXPECT_EQ(frame.CopyTo(smaller.data(), smaller.size), size / 2);
        EXPECT_TRUE(smaller.guardIntact());
    }
}

TEST(PlaceholderFrame, TypesWithoutAFittingLayoutGetNoPlaceholder) {
    const auto src = QuadrantPicture(16, 16);
    for (VideoFormatCode code :
         {VideoFormatCode::Unknown, VideoFormatCode::MJPG, VideoFormatCode::H264,
          VideoFormatCode::P010, VideoFormatCode::HDYC, VideoFormatCode::Y800}) {
        PlaceholderFrame frame;
        ASSERT_TRUE(frame.BuildPlaceholder(src, VideoFormatCode::NV12, 16, 16));
        EXPECT_FALSE(frame.BuildPlaceholder(src, code, 16, 16)) << static_cast<int>(code);
        EXPECT_FALSE(frame.hasFrame());
        Guarded sample(16 * 16 * 2);
        EXPECT_EQ(frame.CopyTo(sample.data(), sample.size), 0u);
        EXPECT_TRUE(sample.untouched());
    }
    PlaceholderFrame frame;
    EXPECT_FALSE(frame.BuildPlaceholder(nullptr, VideoFormatCode::NV12, 16, 16));
    EXPECT_FALSE(frame.BuildPlaceholder(src, VideoFormatCode::NV12, 0, 16));
    EXPECT_FALSE(frame.BuildPlaceholder(src, VideoFormatCode::NV12, 16, -16));
}

namespace {

// An AVFrame over exact-size planes; the pattern gives every sample a value of its own.
uint8_t LumaAt(int x, int y) {
    return static_cast<uint8_t>(x * 7 + y * 13);
}
uint8_t UAt(int cx, int cy) {
    return static_cast<uint8_t>(cx * 5 + cy * 11 + 64);
}
uint8_t VAt(int cx, int cy) {
    return static_cast<uint8_t>(cx * 3 + cy * 17 + 128);
}

struct TestFrame {
    TestFrame(AVPixelFormat format, int w, int h, int padding = 24) : frame(av_frame_alloc()) {
        frame->format = format, frame->width = w, frame->height = h;
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        const bool nv12 = format == AV_PIX_FMT_NV12;
        const int strides[3] = {w + padding, (nv12 ? 2 * cw : cw) + padding, cw + padding};
        for (int p = 0; p < (nv12 ? 2 : 3); ++p) {
            const int rows = p == 0 ? h : ch;
            // The last row ends at the end of the allocation, without padding.
            planes[p].resize(static_cast<size_t>(strides[p]) * (rows - 1) + strides[p] - padding);
            frame->data[p] = planes[p].data(), frame->linesize[p] = strides[p];
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < strides[p] - padding; ++c)
                    planes[p][static_cast<size_t>(r) * strides[p] + c] =
                        p == 0   ? LumaAt(c, r)
                        : p == 2 ? VAt(c, r)
                        : nv12   ? (c % 2 ? VAt(c / 2, r) : UAt(c / 2, r))
                                 : UAt(c, r);
        }
    }
    ~TestFrame() { av_frame_free(&frame); }
    AVFrame *frame;
    std::vector<uint8_t> planes[3];
};

constexpr OutputLayout kLayouts[] = {OutputLayout::NV12, OutputLayout::YUY2,
                                     OutputLayout::Planar420};

// The straightforward per-pixel rule CopyDecodedPicture must reproduce byte for byte; called
// only for arguments the copy accepts.
void ReferenceCopy(const AVFrame &f, OutputLayout layout, int w, int h, uint8_t *out) {
    const bool nv12 = f.format == AV_PIX_FMT_NV12;
    auto row = [&](int plane, int r) {
        return f.data[plane] + std::ptrdiff_t{f.linesize[plane]} * r;
    };
    // U (uv 0) or V (uv 1) of chroma sample cx in chroma row cy.
    auto chroma = [&](int cy, int cx, int uv) {
        return nv12 ? row(1, cy)[2 * cx + uv] : row(1 + uv, cy)[cx];
    };
    const int rows = std::min(h, f.height);
    const int chromaRows = std::min(h / 2, (f.height + 1) / 2);
    const size_t luma = static_cast<size_t>(w) * h;
    if (layout == OutputLayout::YUY2) {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < w; ++x) {
                out[static_cast<size_t>(y) * w * 2 + 2 * x] = row(0, y)[x];
                out[static_cast<size_t>(y) * w * 2 + 2 * x + 1] = chroma(y / 2, x / 2, x & 1);
            }
        return;
    }
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < w; ++x)
            out[static_cast<size_t>(y) * w + x] = row(0, y)[x];
    const int pairs = w / 2;
    for (int cy = 0; cy < chromaRows; ++cy) {
        if (layout == OutputLayout::NV12) {
            for (int x = 0; x < w; ++x)
                out[luma + static_cast<size_t>(cy) * w + x] = chroma(cy, x / 2, x & 1);
            continue;
        }
        for (int cx = 0; cx < pairs; ++cx) {
            out[luma + static_cast<size_t>(cy) * pairs + cx] = chroma(cy, cx, 0);
            out[luma + luma / 4 + static_cast<size_t>(cy) * pairs + cx] = chroma(cy, cx, 1);
        }
    }
}

// An AVFrame of random bytes, padding included, over exact-size planes with a padding of its
// own per plane; the last row of each plane ends at the end of its allocation.
struct RandomFrame {
    RandomFrame(AVPixelFormat format, int w, int h, const int (&padding)[3], unsigned seed)
        : frame(av_frame_alloc()) {
        frame->format = format, frame->width = w, frame->height = h;
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        const bool nv12 = format == AV_PIX_FMT_NV12;
        const int rowBytes[3] = {w, nv12 ? 2 * cw : cw, cw};
        std::mt19937 rng(seed);
        for (int p = 0; p < (nv12 ? 2 : 3); ++p) {
            const int stride = rowBytes[p] + padding[p];
            planes[p].resize(static_cast<size_t>(stride) * ((p == 0 ? h : ch) - 1) + rowBytes[p]);
            for (uint8_t &b : planes[p])
                b = static_cast<uint8_t>(rng());
            frame->data[p] = planes[p].data(), frame->linesize[p] = stride;
        }
    }
    ~RandomFrame() { av_frame_free(&frame); }
    AVFrame *frame;
    std::vector<uint8_t> planes[3];
};

// Copies into a buffer at offset bytes past a 16-byte boundary and compares the whole buffer,
// the bytes before and after the picture included, with the reference's.
::testing::AssertionResult MatchesReference(const AVFrame &frame, OutputLayout layout, int w, int h,
                                            size_t offset) {
    const size_t size = DecodedLayoutSize(layout, w, h);
    std::vector<uint8_t> expected(offset + size + kGuard, kFill);
    ReferenceCopy(frame, layout, w, h, expected.data() + offset);
    // Over-allocated by 15 so that the 16-byte boundary is inside the block.
    std::vector<uint8_t> block(expected.size() + 15, kFill);
    uint8_t *got = block.data() + (16 - reinterpret_cast<uintptr_t>(block.data()) % 16) % 16;
    if (!CopyDecodedPicture(frame, layout, w, h, got + offset, size))
        return ::testing::AssertionFailure() << "copy refused";
    if (std::memcmp(got, expected.data(), expected.size()) == 0)
        return ::testing::AssertionSuccess();
    size_t at = 0;
    while (got[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure()
           << "first difference at byte " << at << " of " << expected.size()
           << " (picture starts at " << offset << ")";
}

} // namespace

TEST(CopyDecodedPicture, EveryLayoutFromNv12AndPlanarFramesMatchesTheReference) {
    const int sizes[][2] = {{2, 2}, {6, 4}, {1920, 1080}, {1080, 1920}};
    for (AVPixelFormat format : {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P})
        for (const auto &s : sizes)
            for (OutputLayout layout : kLayouts) {
                const int w = s[0], h = s[1];
                TestFrame tf(format, w, h);
                Guarded sample(DecodedLayoutSize(layout, w, h));
                ASSERT_TRUE(
                    CopyDecodedPicture(*tf.frame, layout, w, h, sample.data(), sample.size));
                EXPECT_TRUE(sample.guardIntact());
                int wrong = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        wrong += !(PixelOf(layout, sample.data(), w, h, x, y) ==
                                   Yuv{LumaAt(x, y), UAt(x / 2, y / 2), VAt(x / 2, y / 2)});
                EXPECT_EQ(wrong, 0)
                    << format << " " << w << "x" << h << " layout " << static_cast<int>(layout);
            }
    // The planar layout is the one of the I420 placeholder.
    EXPECT_EQ(DecodedLayoutSize(OutputLayout::Planar420, 1080, 1920),
              PlaceholderLayoutSize(PlaceholderMode::I420, 1080, 1920));
}

TEST(CopyDecodedPicture, WrongWidthFormatLayoutOrSampleSizeWritesNothing) {
    TestFrame nv12(AV_PIX_FMT_NV12, 16, 8);
    TestFrame rgb(AV_PIX_FMT_NV12, 16, 8);
    rgb.frame->format = AV_PIX_FMT_RGB24;
    for (OutputLayout layout : kLayouts) {
        Guarded sample(DecodedLayoutSize(layout, 16, 8));
        EXPECT_FALSE(CopyDecodedPicture(*nv12.frame, layout, 14, 8, sample.data(), sample.size));
        EXPECT_FALSE(CopyDecodedPicture(*rgb.frame, layout, 16, 8, sample.data(), sample.size));
        EXPECT_FALSE(
            CopyDecodedPicture(*nv12.frame, layout, 16, 8, sample.data(), sample.size - 1));
        EXPECT_TRUE(sample.untouched());
    }
    Guarded sample(16 * 8 * 2);
    EXPECT_FALSE(
        CopyDecodedPicture(*nv12.frame, OutputLayout::None, 16, 8, sample.data(), sample.size));
    EXPECT_TRUE(sample.untouched());
}

TEST(CopyDecodedPicture, AShortFrameIsReadOnlyAsFarAsItGoes) {
    for (AVPixelFormat format : {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P})
        for (int frameHeight : {5, 6})
            for (OutputLayout layout : kLayouts) {
                const int w = 16, h = 12;
                TestFrame tf(format, w, frameHeight, 0);
                Guarded sample(DecodedLayoutSize(layout, w, h));
                ASSERT_TRUE(
                    CopyDecodedPicture(*tf.frame, layout, w, h, sample.data(), sample.size));
                EXPECT_TRUE(sample.guardIntact());
                for (int y = 0; y < h; ++y) {
                    const Yuv got = PixelOf(layout, sample.data(), w, h, 2, y);
                    if (y < frameHeight)
                        EXPECT_EQ(got.y, LumaAt(2, y));
                    else
                        EXPECT_EQ(got.y, kFill) << "row " << y << " was written";
                    const bool chromaWritten = layout == OutputLayout::YUY2
                                                   ? y < frameHeight
                                                   : y / 2 < (frameHeight + 1) / 2;
                    EXPECT_EQ(got.u, chromaWritten ? UAt(1, y / 2) : kFill)
                        << "chroma of row " << y;
                }
            }
}

TEST(CopyDecodedPicture, SmallPicturesMatchTheReferenceForAnyWidthStrideAndOffset) {
    // Each padding in each plane, and none at all (whole planes in one block).
    const int paddings[][3] = {{0, 0, 0}, {1, 3, 17}, {3, 64, 1}, {17, 1, 64}, {64, 17, 3}};
    unsigned seed = 0;
    for (AVPixelFormat format : {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P})
        for (int w = 1; w <= 70; ++w)
            for (int h : {1, 2, 5, 8})
                for (const auto &padding : paddings) {
                    RandomFrame rf(format, w, h, padding, ++seed);
                    for (OutputLayout layout : kLayouts)
                        for (size_t offset = 0; offset < 16; ++offset)
                            ASSERT_TRUE(MatchesReference(*rf.frame, layout, w, h, offset))
                                << format << " " << w << "x" << h << " padding " << padding[0]
                                << "," << padding[1] << "," << padding[2] << " layout "
                                << static_cast<int>(layout);
                }
}

TEST(CopyDecodedPicture, LargePicturesMatchTheReferenceForAnyStrideAndOffset) {
    struct Case {
        int w, h;
        int padding[3];
        size_t offset;
        int frameHeight;
    };
    // Beyond 4 MiB every layout streams past the cache, which needs 16-byte-aligned stores:
    // rows that start off a boundary (2050 bytes), an odd width, offsets that do and do not
    // reach a boundary on a whole pixel, and a short frame. 1920 x 1080 stays below.
    const Case cases[] = {{1920, 1080, {0, 0, 0}, 0, 1080},   {3840, 2160, {64, 64, 64}, 0, 2160},
                          {2050, 1500, {17, 3, 1}, 2, 1500},  {2050, 1500, {1, 64, 3}, 7, 1500},
                          {2049, 1501, {3, 17, 64}, 6, 1501}, {2050, 1500, {0, 0, 0}, 4, 1031}};
    unsigned seed = 100;
    for (AVPixelFormat format : {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P})
        for (const Case &c : cases) {
            RandomFrame rf(format, c.w, c.frameHeight, c.padding, ++seed);
            for (OutputLayout layout : kLayouts)
                EXPECT_TRUE(MatchesReference(*rf.frame, layout, c.w, c.h, c.offset))
                    << format << " " << c.w << "x" << c.h << " offset " << c.offset << " layout "
                    << static_cast<int>(layout);
        }
}

namespace {

// A folder of its own for each test that writes pictures.
struct TempFolder {
    TempFolder() {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("frameconvert_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    void write(const char *name, const std::string &bytes) const {
        std::ofstream(path / name, std::ios::binary) << bytes;
    }
    std::filesystem::path path;
};

std::string ReadFile(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectNear(const Nv12Picture &pic, int x, int y, Yuv expected) {
    const uint8_t *pair = pic.chroma() + pic.chromaStride() * (y / 2) + (x / 2) * 2;
    EXPECT_NEAR(pic.luma()[static_cast<size_t>(y) * pic.width + x], expected.y, 4) << x << "," << y;
    EXPECT_NEAR(pair[0], expected.u, 4) << x << "," << y;
    EXPECT_NEAR(pair[1], expected.v, 4) << x << "," << y;
}

} // namespace

TEST(PlaceholderImage, TheShippedPicturesLoadWithTheirSizesAndColours) {
    SetPlaceholderFolder(KESTRA_PLACEHOLDER_DIR);
    const auto landscape = LoadPlaceholderImage(true);
    ASSERT_TRUE(landscape);
    EXPECT_EQ(PlaceholderSource(), landscape);
    EXPECT_EQ(landscape->width, 1920);
    EXPECT_EQ(landscape->height, 1080);
    // The top-left background (#26374a) and the camera body (#c9d6e3).
    ExpectNear(*landscape, 0, 0, {61, 139, 119});
    ExpectNear(*landscape, 830, 480, {198, 136, 121});

    PlaceholderFrame frame;
    ASSERT_TRUE(frame.PreparePlaceholder(false, VideoFormatCode::YUY2, 1080, 1920));
    const auto portrait = frame.source();
    EXPECT_EQ(portrait->width, 1080);
    EXPECT_EQ(portrait->height, 1920);
    ExpectNear(*portrait, 0, 0, {61, 139, 119});
    ExpectNear(*portrait, 420, 900, {198, 136, 121});
    EXPECT_EQ(frame.frameSize(), 4147200u);

    ASSERT_TRUE(frame.PreparePlaceholder(true, VideoFormatCode::NV12, 1920, 1080));
    ASSERT_EQ(frame.frameSize(), frame.source()->size);
    EXPECT_EQ(std::memcmp(frame.frame(), frame.source()->data.get(), frame.frameSize()), 0);
}

TEST(PlaceholderImage, MissingOrCorruptFilesFailCleanly) {
    TempFolder folder;
    SetPlaceholderFolder(folder.path);
    PlaceholderFrame frame;
    EXPECT_FALSE(frame.PreparePlaceholder(true, VideoFormatCode::NV12, 1920, 1080));
    EXPECT_FALSE(frame.hasFrame());
    EXPECT_FALSE(PlaceholderSource());

    const std::string real = ReadFile(std::filesystem::path(KESTRA_PLACEHOLDER_DIR) / "kestra.jpg");
    ASSERT_GT(real.size(), 1000u);
    for (const std::string &bytes : {std::string(), std::string("not a picture at all"),
                                     real.substr(0, real.size() / 2), real.substr(0, 600)}) {
        folder.write("kestra.jpg", bytes);
        EXPECT_FALSE(LoadPlaceholderImage(true)) << bytes.size() << " bytes";
        EXPECT_FALSE(PlaceholderSource());
    }
    SetPlaceholderFolder({});
    EXPECT_FALSE(LoadPlaceholderImage(false));
}

TEST(PlaceholderImage, DecodesTopRowFirstInBlueGreenRedOrder) {
    TempFolder folder;
    for (int h : {6, 5}) {
        const int w = h + 2;
        // Red over blue, 4:4:4 at full quality so that the colours come back nearly exact.
        std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                rgb[(static_cast<size_t>(y) * w + x) * 3 + (y < h / 2 ? 0 : 2)] = 255;
        tjhandle tj = tjInitCompress();
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        ASSERT_EQ(tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, TJSAMP_444, 100, 0),
                  0);
        folder.write("kestral.jpg", std::string(reinterpret_cast<char *>(jpeg), size));
        tjFree(jpeg);
        tjDestroy(tj);

        SetPlaceholderFolder(folder.path);
        const auto pic = LoadPlaceholderImage(false);
        ASSERT_TRUE(pic);
        EXPECT_EQ(pic->width, w);
        EXPECT_EQ(pic->height, h);
        ExpectNear(*pic, 0, 0, kRed);
        ExpectNear(*pic, w - 1, h - 1, kBlue);
    }
}

TEST(PlaceholderImage, ReloadsOnOtherThreadsNeverDisturbAPinsPicture) {
    SetPlaceholderFolder(KESTRA_PLACEHOLDER_DIR);
    auto worker = [](bool landscape, int *mismatches) {
        for (int i = 0; i < 4; ++i) {
            PlaceholderFrame frame;
            const int w = landscape ? 1920 : 1080, h = landscape ? 1080 : 1920;
            if (!frame.PreparePlaceholder(landscape, VideoFormatCode::NV12, w, h) ||
                std::memcmp(frame.frame(), frame.source()->data.get(), frame.frameSize()) != 0)
                ++*mismatches;
        }
    };
    int a = 0, b = 0;
    std::thread first(worker, true, &a), second(worker, false, &b);
    first.join();
    second.join();
    EXPECT_EQ(a + b, 0);
}
