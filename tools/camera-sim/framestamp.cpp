#include "framestamp.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <time.h>

namespace {

constexpr int glyphWidth = 3;
constexpr int glyphHeight = 5;
constexpr std::uint8_t white = 235;
constexpr std::uint8_t black = 16;
constexpr std::uint8_t neutralChroma = 128;

constexpr int blockSize = 16;
constexpr int blocksPerRow = 58;
constexpr int codeRows = 2;
constexpr int codeLeft = 16;
constexpr int levelBlocks = 2; // white, then black, at the start of each row
constexpr int bitsPerRow = blocksPerRow - levelBlocks;
constexpr std::size_t codeBytes = codeRows * bitsPerRow / 8; // time, frame, check
// A block is read from its middle, away from the edges a coder may smear.
constexpr int readInset = 4;
constexpr int readSize = blockSize - 2 * readInset;
// The levels must lie at least this far apart, and every block at least a
// quarter of that from their middle.
constexpr int minimumContrast = 80;

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

// The clock box's place, shared by the text and the block code below it.
struct ClockBox {
    int scale;
    int x;
    int y;
    int height;
};

ClockBox clockBox(int width, int height) {
    const int scale = std::max(2, std::min(width, height) / 180);
    // Even origin and sizes keep the box on whole chroma samples.
    const int origin = 2 * (scale / 2 + 1);
    return {scale, origin, origin, ((glyphHeight + 2) * scale + 1) & ~1};
}

struct CodePlace {
    int x;
    int y;
};

std::optional<CodePlace> codePlace(int width, int height) {
    const ClockBox box = clockBox(width, height);
    const int top = (box.y + box.height + 2 + blockSize - 1) / blockSize * blockSize;
    if (width < codeLeft + blocksPerRow * blockSize || height < top + codeRows * blockSize)
        return std::nullopt;
    return CodePlace{codeLeft, top};
}

std::uint16_t crc16(const std::uint8_t *data, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

using CodeBytes = std::array<std::uint8_t, codeBytes>;

CodeBytes pack(const framestamp::Code &code) {
    CodeBytes bytes{};
    for (int i = 0; i < 8; ++i)
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(code.monotonicUs >> (56 - 8 * i));
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(8 + i)] =
            static_cast<std::uint8_t>(code.frame >> (24 - 8 * i));
    const std::uint16_t check = crc16(bytes.data(), 12);
    bytes[12] = static_cast<std::uint8_t>(check >> 8);
    bytes[13] = static_cast<std::uint8_t>(check);
    return bytes;
}

std::optional<framestamp::Code> unpack(const CodeBytes &bytes) {
    if (crc16(bytes.data(), 12) != (bytes[12] << 8 | bytes[13]))
        return std::nullopt;
    framestamp::Code code{};
    for (std::size_t i = 0; i < 8; ++i)
        code.monotonicUs = code.monotonicUs << 8 | bytes[i];
    for (std::size_t i = 8; i < 12; ++i)
        code.frame = code.frame << 8 | bytes[i];
    return code;
}

// Block `column` of row `row`: the level blocks, then the bits in order.
bool blockIsWhite(const CodeBytes &bytes, int row, int column) {
    if (column < levelBlocks)
        return column == 0;
    const int bit = row * bitsPerRow + column - levelBlocks;
    return (bytes[static_cast<std::size_t>(bit / 8)] >> (7 - bit % 8)) & 1;
}

int blockLevel(const LumaView &luma, int x, int y) {
    int sum = 0;
    for (int row = y + readInset; row < y + readInset + readSize; ++row) {
        const std::uint8_t *line = luma.data + static_cast<std::ptrdiff_t>(row) * luma.stride;
        for (int column = x + readInset; column < x + readInset + readSize; ++column)
            sum += line[static_cast<std::ptrdiff_t>(column) * luma.step];
    }
    return sum / (readSize * readSize);
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
    const ClockBox box = clockBox(picture.width, picture.height);
    const int scale = box.scale;
    const int cell = (glyphWidth + 1) * scale;
    const int x0 = box.x;
    const int y0 = box.y;
    const int boxWidth =
        std::min(static_cast<int>(text.size()) * cell + scale + 1, picture.width / 2 - x0) & ~1;
    const int boxHeight = box.height;
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

std::uint64_t monotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

void drawCode(const I420Picture &picture, const Code &code) {
    const std::optional<CodePlace> place = codePlace(picture.width, picture.height);
    if (!place)
        return;
    const CodeBytes bytes = pack(code);
    for (int row = 0; row < codeRows; ++row) {
        const int y = place->y + row * blockSize;
        for (int column = 0; column < blocksPerRow; ++column) {
            const int x = place->x + column * blockSize;
            fill(picture.planes[0], picture.strides[0], x, y, blockSize, blockSize,
                 blockIsWhite(bytes, row, column) ? white : black);
        }
    }
    for (int plane = 1; plane < 3; ++plane)
        fill(picture.planes[plane], picture.strides[plane], place->x / 2, place->y / 2,
             blocksPerRow * blockSize / 2, codeRows * blockSize / 2, neutralChroma);
}

std::optional<Code> readCode(const LumaView &luma) {
    const std::optional<CodePlace> place = codePlace(luma.width, luma.height);
    if (!luma.data || luma.step < 1 || !place)
        return std::nullopt;
    CodeBytes bytes{};
    for (int row = 0; row < codeRows; ++row) {
        const int y = place->y + row * blockSize;
        const int high = blockLevel(luma, place->x, y);
        const int low = blockLevel(luma, place->x + blockSize, y);
        if (high - low < minimumContrast)
            return std::nullopt;
        const int middle = (high + low) / 2;
        const int margin = (high - low) / 4;
        for (int column = levelBlocks; column < blocksPerRow; ++column) {
            const int level = blockLevel(luma, place->x + column * blockSize, y);
            if (std::abs(level - middle) < margin)
                return std::nullopt;
            if (level > middle) {
                const int bit = row * bitsPerRow + column - levelBlocks;
                bytes[static_cast<std::size_t>(bit / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (bit % 8));
            }
        }
    }
    return unpack(bytes);
}

} // namespace framestamp
