// The simulator's block code: drawn into an I420 picture and read back from the luma as capture
// finds it (planar NV12/I420, interleaved YUY2), after the level changes a conversion makes,
// and after H.264 at the simulator's own encoder settings; and never read where there is none.
#include "framestamp.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

using framestamp::Code;

// An I420 picture in one buffer; luma filled with a ramp so that nothing reads as a code by
// accident, chroma neutral.
class Picture {
public:
    Picture(int width, int height)
        : m_width(width), m_height(height),
          m_bytes(static_cast<size_t>(width) * height * 3 / 2, 128) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                luma()[static_cast<size_t>(y) * width + x] =
                    static_cast<uint8_t>(16 + (x + y) % 200);
    }

    I420Picture view() {
        uint8_t *y = m_bytes.data();
        uint8_t *u = y + static_cast<size_t>(m_width) * m_height;
        uint8_t *v = u + static_cast<size_t>(m_width) * m_height / 4;
        return {{y, u, v}, {m_width, m_width / 2, m_width / 2}, m_width, m_height};
    }
    LumaView planarLuma() const { return {m_bytes.data(), m_width, 1, m_width, m_height}; }
    uint8_t *luma() { return m_bytes.data(); }
    const std::vector<uint8_t> &bytes() const { return m_bytes; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    // YUY2 as the pin delivers it: Y U Y V per pixel pair.
    std::vector<uint8_t> yuy2() const {
        std::vector<uint8_t> out(static_cast<size_t>(m_width) * m_height * 2);
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                const size_t at = (static_cast<size_t>(y) * m_width + x) * 2;
                out[at] = m_bytes[static_cast<size_t>(y) * m_width + x];
                out[at + 1] = 128;
            }
        return out;
    }

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_bytes;
};

const Code sample{0x0123456789ABCDEFull, 0xFEDCBA98u};

TEST(FrameStampCode, ReadsBackWhatWasDrawnAtEveryCameraSize) {
    const std::pair<int, int> sizes[] = {{1920, 1080}, {1080, 1920}, {3840, 2160}, {2160, 3840}};
    for (const auto &[width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Picture picture(width, height);
        framestamp::draw(picture.view(), "12:34:56.789 000042");
        for (const Code code : {sample, Code{0, 0}, Code{~0ull, ~0u}, Code{1, 1u << 31}}) {
            framestamp::drawCode(picture.view(), code);
            EXPECT_EQ(framestamp::readCode(picture.planarLuma()), code);
        }
    }
}

TEST(FrameStampCode, ReadsFromInterleavedYuy2Luma) {
    Picture picture(1920, 1080);
    framestamp::drawCode(picture.view(), sample);
    const std::vector<uint8_t> yuy2 = picture.yuy2();
    EXPECT_EQ(framestamp::readCode({yuy2.data(), 1920 * 2, 2, 1920, 1080}), sample);
}

TEST(FrameStampCode, SurvivesLevelChangesAndNoise) {
    Picture picture(1920, 1080);
    framestamp::drawCode(picture.view(), sample);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-20, 20);
    uint8_t *luma = picture.luma();
    // Limited range stretched to full range, then noise.
    for (size_t i = 0; i < size_t{1920} * 1080; ++i) {
        const int full = (luma[i] - 16) * 255 / 219 + noise(random);
        luma[i] = static_cast<uint8_t>(std::clamp(full, 0, 255));
    }
    EXPECT_EQ(framestamp::readCode(picture.planarLuma()), sample);
}

TEST(FrameStampCode, FindsNothingInAPictureWithoutACode) {
    Picture ramp(1920, 1080);
    EXPECT_FALSE(framestamp::readCode(ramp.planarLuma()));
    std::vector<uint8_t> flat(size_t{1920} * 1080, 235);
    EXPECT_FALSE(framestamp::readCode({flat.data(), 1920, 1, 1920, 1080}));
    EXPECT_FALSE(framestamp::readCode({nullptr, 1920, 1, 1920, 1080}));
}

TEST(FrameStampCode, RejectsAFlippedBlockAnUnclearBlockOrWeakLevels) {
    Picture picture(1920, 1080);
    framestamp::drawCode(picture.view(), sample);
    const std::vector<uint8_t> clean = picture.bytes();
    const auto block = [&](int row, int column, int value) {
        for (int y = 64 + row * 16; y < 80 + row * 16; ++y)
            std::fill_n(picture.luma() + y * 1920 + 16 + column * 16, 16,
                        static_cast<uint8_t>(value));
    };
    const auto restore = [&] {
        std::copy(clean.begin(), clean.end(), picture.luma());
    };

    const uint8_t *bit = clean.data() + 70 * 1920 + 16 + 20 * 16;
    block(0, 20, *bit > 128 ? 16 : 235);
    EXPECT_FALSE(framestamp::readCode(picture.planarLuma())) << "the check must catch one bit";
    restore();
    block(1, 30, 126);
    EXPECT_FALSE(framestamp::readCode(picture.planarLuma())) << "a grey block is no bit";
    restore();
    block(1, 0, 90);
    EXPECT_FALSE(framestamp::readCode(picture.planarLuma())) << "levels too close together";
    restore();
    EXPECT_EQ(framestamp::readCode(picture.planarLuma()), sample);
}

// The code keeps to its band: the clock box above it and the colour-bar sample row far below
// stay as they were.
TEST(FrameStampCode, LeavesTheClockBoxAndTheColourBarRowAlone) {
    for (const auto &[width, height] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        Picture picture(width, height);
        framestamp::draw(picture.view(), "12:34:56.789 000042");
        const std::vector<uint8_t> before = picture.bytes();
        framestamp::drawCode(picture.view(), sample);
        const int top = width == 1920 ? 64 : 112;
        for (int y = 0; y < height; ++y) {
            if (y >= top && y < top + 32)
                continue;
            const size_t row = static_cast<size_t>(y) * width;
            ASSERT_TRUE(std::equal(before.begin() + row, before.begin() + row + width,
                                   picture.bytes().begin() + row))
                << "row " << y;
        }
        for (int x = 0; x < width; ++x) {
            const uint8_t value = picture.bytes()[static_cast<size_t>(top) * width + x];
            if (x >= 16 && x < 16 + 928)
                ASSERT_TRUE(value == 16 || value == 235) << "x " << x;
            else
                ASSERT_EQ(value, before[static_cast<size_t>(top) * width + x]) << "x " << x;
        }
    }
}

TEST(FrameStampCode, IsLeftOutOfPicturesTooSmallForIt) {
    Picture picture(640, 480);
    const std::vector<uint8_t> before = picture.bytes();
    framestamp::drawCode(picture.view(), sample);
    EXPECT_EQ(picture.bytes(), before);
    EXPECT_FALSE(framestamp::readCode(picture.planarLuma()));
}

struct CodecFree {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};

// x264 as the simulator runs it (ultrafast, zerolatency, baseline, a key frame a second, its
// bit rate), then FFmpeg's decoder as the filter runs it: every picture keeps its code.
TEST(FrameStampCode, SurvivesH264AtTheSimulatorsSettings) {
    const AVCodec *x264 = avcodec_find_encoder_by_name("libx264");
    const AVCodec *h264 = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (!x264 || !h264)
        GTEST_SKIP() << "FFmpeg without libx264";
    constexpr int width = 1920;
    constexpr int height = 1080;
    std::unique_ptr<AVCodecContext, CodecFree> encoder(avcodec_alloc_context3(x264));
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, 30};
    encoder->framerate = {30, 1};
    encoder->gop_size = 30;
    encoder->max_b_frames = 0;
    encoder->bit_rate = int64_t{width} * height * 30 / 15000 * 1000;
    av_opt_set(encoder->priv_data, "preset", "ultrafast", 0);
    av_opt_set(encoder->priv_data, "tune", "zerolatency", 0);
    av_opt_set(encoder->priv_data, "profile", "baseline", 0);
    ASSERT_EQ(avcodec_open2(encoder.get(), x264, nullptr), 0);
    std::unique_ptr<AVCodecContext, CodecFree> decoder(avcodec_alloc_context3(h264));
    ASSERT_EQ(avcodec_open2(decoder.get(), h264, nullptr), 0);

    std::unique_ptr<AVFrame, FrameFree> in(av_frame_alloc());
    std::unique_ptr<AVFrame, FrameFree> out(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    in->format = AV_PIX_FMT_YUV420P;
    in->width = width;
    in->height = height;
    ASSERT_EQ(av_frame_get_buffer(in.get(), 0), 0);

    // Colour-bar-like columns behind the stamps, as videotestsrc draws them.
    std::vector<Code> sent;
    int decoded = 0;
    for (int n = 0; n < 12; ++n) {
        ASSERT_EQ(av_frame_make_writable(in.get()), 0);
        I420Picture picture{{in->data[0], in->data[1], in->data[2]},
                            {in->linesize[0], in->linesize[1], in->linesize[2]},
                            width,
                            height};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                in->data[0][y * in->linesize[0] + x] =
                    static_cast<uint8_t>(40 + (x * 7 / width) * 25);
        for (int plane = 1; plane < 3; ++plane)
            for (int y = 0; y < height / 2; ++y)
                std::fill_n(in->data[plane] + y * in->linesize[plane], width / 2,
                            static_cast<uint8_t>(90 + plane * 30));
        const Code code{framestamp::monotonicMicroseconds() + static_cast<uint64_t>(n) * 33367u,
                        static_cast<uint32_t>(n * 977)};
        framestamp::draw(picture, framestamp::text(std::chrono::system_clock::now(), n));
        framestamp::drawCode(picture, code);
        sent.push_back(code);
        in->pts = n;
        ASSERT_EQ(avcodec_send_frame(encoder.get(), in.get()), 0);
        while (avcodec_receive_packet(encoder.get(), packet.get()) == 0) {
            ASSERT_EQ(avcodec_send_packet(decoder.get(), packet.get()), 0);
            av_packet_unref(packet.get());
            while (avcodec_receive_frame(decoder.get(), out.get()) == 0) {
                ASSERT_LT(static_cast<size_t>(decoded), sent.size());
                EXPECT_EQ(framestamp::readCode({out->data[0], out->linesize[0], 1, width, height}),
                          sent[static_cast<size_t>(decoded)])
                    << "picture " << decoded;
                ++decoded;
            }
        }
    }
    EXPECT_GE(decoded, 10);
}

} // namespace
