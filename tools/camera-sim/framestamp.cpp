#include "framestamp.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace {

constexpr int glyphWidth = 3;
constexpr int glyphHeight = 5;
constexpr std::uint8_t white = 235;
constexpr std::uint8_t black = 16;
constexpr std::uint8_t neutralChroma = 128;

using Glyph = std::array<std::uint8_t, glyphHeight>; // one row per entry, bit 2 leftmost

Glyph glyph(char c) {
    static constexpr std::array<Glyph, 10> digits{{{7, 5, 5, 5, 7},
                                                   {2, 6, 2, 2, 7},
                                                   {7, 1, 7, 4, 7},
                                                   {7, 1, 7, 1, 7},
                                                   {5, 5, 7, 1, 1},
                                                   {7, 4, 7, 1, 7},
                                                   {7, 4, 7, 5, 7},
                                                   {7, 1, 1, 1, 1},
                                                   {7, 5, 7, 5, 7},
                                                   {7, 5, 7, 1, 7}}};
    if (c >= '0' && c <= '9')
        return digits[static_cast<std::size_t>(c - '0')];
    if (c == ':')
        return {0, 2, 0, 2, 0};
    if (c == '.')
        return {0, 0, 0, 0, 2};
    return {};
}

void fill(std::uint8_t *plane, int stride, int x, int y, int width, int height,
          std::uint8_t value) {
    for (int row = y; row < y + height; ++row)
        std::fill_n(plane + static_cast<std::ptrdiff_t>(row) * stride + x, width, value);
}

} // namespace

namespace framestamp {

std::string text(std::chrono::system_clock::time_point now, std::uint64_t frame) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch() %
                                                                          std::chrono::seconds(1))
                        .count();
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d %06llu", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms), static_cast<unsigned long long>(frame));
    return buffer;
}

void draw(const I420Picture &picture, std::string_view text) {
    const int scale = std::max(2, std::min(picture.width, picture.height) / 180);
    const int cell = (glyphWidth + 1) * scale;
    // Even origin and sizes keep the box on whole chroma samples.
    const int x0 = 2 * (scale / 2 + 1);
    const int y0 = x0;
    const int boxWidth =
        std::min(static_cast<int>(text.size()) * cell + scale + 1, picture.width / 2 - x0) & ~1;
    const int boxHeight = ((glyphHeight + 2) * scale + 1) & ~1;
    if (boxWidth <= 0 || y0 + boxHeight > picture.height)
        return;

    fill(picture.planes[0], picture.strides[0], x0, y0, boxWidth, boxHeight, black);
    for (int plane = 1; plane < 3; ++plane)
        fill(picture.planes[plane], picture.strides[plane], x0 / 2, y0 / 2, boxWidth / 2,
             boxHeight / 2, neutralChroma);

    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph rows = glyph(text[i]);
        const int left = x0 + scale + static_cast<int>(i) * cell;
        if (left + glyphWidth * scale > x0 + boxWidth)
            break;
        for (int row = 0; row < glyphHeight; ++row) {
            for (int column = 0; column < glyphWidth; ++column) {
                if (rows[static_cast<std::size_t>(row)] & (4 >> column))
                    fill(picture.planes[0], picture.strides[0], left + column * scale,
                         y0 + scale + row * scale, scale, scale, white);
            }
        }
    }
}

} // namespace framestamp
