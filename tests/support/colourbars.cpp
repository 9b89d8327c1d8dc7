#include "colourbars.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

struct Rgb {
    int r;
    int g;
    int b;
};

constexpr std::array<Rgb, 7> bars{{{255, 255, 255},
                                   {255, 255, 0},
                                   {0, 255, 255},
                                   {0, 255, 0},
                                   {255, 0, 255},
                                   {255, 0, 0},
                                   {0, 0, 255}}};

struct Yuv {
    int y;
    int u;
    int v;
};
using Sampler = std::function<Yuv(int x, int y)>;

// The mean colour of an 8x8 block as RGB; HD pictures use the BT.709 matrix.
Rgb colourAt(const Sampler &sample, int x, int y) {
    double luma = 0;
    double cb = 0;
    double cr = 0;
    for (int dy = 0; dy < 8; ++dy)
        for (int dx = 0; dx < 8; ++dx) {
            const Yuv p = sample(x + dx, y + dy);
            luma += p.y;
            cb += p.u;
            cr += p.v;
        }
    luma = (luma / 64 - 16) * 1.164;
    cb = cb / 64 - 128;
    cr = cr / 64 - 128;
    auto channel = [](double value) {
        return static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0)));
    };
    return {channel(luma + 1.793 * cr), channel(luma - 0.213 * cb - 0.533 * cr),
            channel(luma + 2.112 * cb)};
}

::testing::AssertionResult showsBars(const Sampler &sample, int width, int height) {
    constexpr int tolerance = 40;
    if (width < 112 || height < 48)
        return ::testing::AssertionFailure() << "picture too small: " << width << "x" << height;
    for (int k = 0; k < static_cast<int>(bars.size()); ++k) {
        const int x = (2 * k + 1) * width / 14 - 4;
        const Rgb seen = colourAt(sample, x, height / 3 - 4);
        const Rgb &want = bars[static_cast<std::size_t>(k)];
        if (std::abs(seen.r - want.r) > tolerance || std::abs(seen.g - want.g) > tolerance ||
            std::abs(seen.b - want.b) > tolerance)
            return ::testing::AssertionFailure()
                   << "bar " << k << " is " << seen.r << "," << seen.g << "," << seen.b
                   << ", expected " << want.r << "," << want.g << "," << want.b;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

::testing::AssertionResult ShowsColourBars(const AVFrame *picture) {
    const auto *data = picture->data;
    const auto *stride = picture->linesize;
    if (picture->format == AV_PIX_FMT_NV12)
        return showsBars(
            [&](int x, int y) {
                const std::uint8_t *uv = data[1] + y / 2 * stride[1] + x / 2 * 2;
                return Yuv{data[0][y * stride[0] + x], uv[0], uv[1]};
            },
            picture->width, picture->height);
    if (picture->format == AV_PIX_FMT_YUV420P || picture->format == AV_PIX_FMT_YUVJ420P)
        return showsBars(
            [&](int x, int y) {
                return Yuv{data[0][y * stride[0] + x], data[1][y / 2 * stride[1] + x / 2],
                           data[2][y / 2 * stride[2] + x / 2]};
            },
            picture->width, picture->height);
    return ::testing::AssertionFailure() << "unexpected pixel format " << picture->format;
}

::testing::AssertionResult ShowsColourBars(const std::uint8_t *sample, std::size_t size,
                                           RawLayout layout, int width, int height) {
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    if (layout == RawLayout::NV12) {
        if (size < w * h * 3 / 2)
            return ::testing::AssertionFailure() << "NV12 sample of " << size << " bytes";
        return showsBars(
            [&](int x, int y) {
                const std::uint8_t *uv = sample + w * h + static_cast<std::size_t>(y / 2) * w +
                                         static_cast<std::size_t>(x / 2) * 2;
                return Yuv{sample[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)],
                           uv[0], uv[1]};
            },
            width, height);
    }
    if (size < w * h * 2)
        return ::testing::AssertionFailure() << "YUY2 sample of " << size << " bytes";
    return showsBars(
        [&](int x, int y) {
            const std::uint8_t *pair =
                sample + static_cast<std::size_t>(y) * w * 2 + static_cast<std::size_t>(x / 2) * 4;
            return Yuv{pair[(x % 2) * 2], pair[1], pair[3]};
        },
        width, height);
}
