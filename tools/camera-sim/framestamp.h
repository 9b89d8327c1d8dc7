// The running clock and frame counter burnt into each test picture, so a
// viewer can tell a live stream from a frozen one and read the latency off a
// screenshot. Drawn without fonts (the simulator must not depend on any):
// 3x5-pixel digits, scaled with the picture, white on a black box in the
// top-left corner. At the camera's sizes (1080 lines and up) the box stays
// inside the left half of the top twentieth of the picture. Pure functions,
// called on the pipeline's streaming thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

struct I420Picture {
    std::uint8_t *planes[3]; // Y, U, V; U and V at half width and height
    int strides[3];
    int width;
    int height;
};

namespace framestamp {

// "HH:MM:SS.mmm NNNNNN": local wall-clock time and the frame number.
std::string text(std::chrono::system_clock::time_point now, std::uint64_t frame);

// Draws text (digits, ':', '.', ' '; anything else as a space).
void draw(const I420Picture &picture, std::string_view text);

} // namespace framestamp
