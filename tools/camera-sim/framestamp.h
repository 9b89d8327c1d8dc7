// The running clock and frame counter burnt into each test picture, so a
// viewer can tell a live stream from a frozen one and read the latency off a
// screenshot, and the same facts as a block code a program can read back from
// the delivered samples.
//
// The human stamp is drawn without fonts (the simulator must not depend on
// any): 3x5-pixel digits, scaled with the picture, white on a black box in the
// top-left corner. At the camera's sizes (1080 lines and up) the box stays
// inside the left half of the top twentieth of the picture.
//
// The block code sits just below that box, from x = 16, at the first multiple
// of 16 at least two lines under it (y = 64 at 1920x1080 and 1080x1920,
// y = 112 at 3840x2160), so every block covers exactly one 16x16 macroblock
// and H.264 keeps it flat. Two rows of 58 blocks, 928x32 pixels: each block is
// black (luma 16) for 0 or white (luma 235) for 1, chroma neutral. Each row
// opens with a white and a black block, the reader's levels; the 112 blocks
// after them carry 14 bytes, most significant bit first: the picture's capture
// time as CLOCK_MONOTONIC microseconds (8 bytes, big-endian), the frame number
// (4 bytes, big-endian, its low 32 bits) and a CRC-16/CCITT-FALSE of those
// 12 bytes. CLOCK_MONOTONIC is one clock for every network namespace of the
// machine, so a reader elsewhere on the machine computes latency from it.
// Pictures narrower than 944 pixels carry no code. The colour-bar samples at
// y = height / 3 stay clear of both stamps.
//
// Pure functions: the simulator calls them on the pipeline's streaming
// thread, readers on any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct I420Picture {
    std::uint8_t *planes[3]; // Y, U, V; U and V at half width and height
    int strides[3];
    int width;
    int height;
};

// The luma samples of a picture as a reader finds them: planar (step 1) or
// interleaved with chroma, as in YUY2 (step 2, luma at even bytes).
struct LumaView {
    const std::uint8_t *data;
    std::ptrdiff_t stride; // bytes from one row to the next
    int step;              // bytes from one luma sample to the next
    int width;
    int height;
};

namespace framestamp {

struct Code {
    std::uint64_t monotonicUs;
    std::uint32_t frame;

    bool operator==(const Code &) const = default;
};

// "HH:MM:SS.mmm NNNNNN": local wall-clock time and the frame number.
std::string text(std::chrono::system_clock::time_point now, std::uint64_t frame);

// Draws text (digits, ':', '.', ' '; anything else as a space).
void draw(const I420Picture &picture, std::string_view text);

// CLOCK_MONOTONIC now, in microseconds: the clock of Code::monotonicUs.
std::uint64_t monotonicMicroseconds();

// Draws the block code; nothing on a picture too small for it.
void drawCode(const I420Picture &picture, const Code &code);

// The code in a picture of this size, or nothing when the picture has none or
// a block, a level or the check does not read clearly.
std::optional<Code> readCode(const LumaView &luma);

} // namespace framestamp
