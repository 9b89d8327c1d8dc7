// Recognises the camera simulator's test picture, the seven full-strength colour bars of
// videotestsrc (white, yellow, cyan, green, magenta, red, blue, left to right), sampled at a
// third of the height, away from the clock stamp in the top-left corner. Tests use it to tell
// the camera's own picture from the placeholder or from garbage, in decoded frames (planar
// 4:2:0 or NV12) and in raw samples (NV12 or YUY2) as a video application receives them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

struct AVFrame;

enum class RawLayout { NV12, YUY2 };

::testing::AssertionResult ShowsColourBars(const AVFrame *picture);
::testing::AssertionResult ShowsColourBars(const std::uint8_t *sample, std::size_t size,
                                           RawLayout layout, int width, int height);
