// Nearest-neighbour conversion of the NV12 placeholder picture into a pin's layout and size.
// Runs only when the format changes, never per sample.
//
// Pure function of its arguments: callable from any thread.
#pragma once

#include "nv12picture.h"
#include "videoformat.h"

#include <cstddef>
#include <cstdint>

namespace Kestra {

enum class PlaceholderMode : int32_t { NV12 = 0, I420 = 1, YUY2 = 2 };

struct PlaceholderConversion {
    PlaceholderMode mode = PlaceholderMode::NV12;
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    int32_t targetWidth = 0;
    int32_t targetHeight = 0;
};

// I420 for code 200, YUY2 for 301, NV12 for every other code.
PlaceholderMode PlaceholderModeFor(VideoFormatCode code);

// Bytes ConvertPlaceholder writes for a mode and target size, 0 when a side is not positive:
// NV12: the luma plane, then th / 2 rows of tw / 2 U,V pairs;
// I420: the luma plane, the U plane (tw / 2 x th / 2) at tw x th, the V plane at
//       tw x th + tw x th / 4;
// YUY2: th rows of 2 x tw bytes.
// 64-bit so that a huge size from an application cannot wrap on a 32-bit build.
uint64_t PlaceholderLayoutSize(PlaceholderMode mode, int32_t targetWidth, int32_t targetHeight);

// Writes the converted picture to the start of target. Nothing is written, and the result is
// false, when the conversion's source size is not the picture's, when a target side is not
// positive, or when target is shorter than PlaceholderLayoutSize.
bool ConvertPlaceholder(const PlaceholderConversion &conversion, uint8_t *target, size_t targetSize,
                        const Nv12Picture &source);

} // namespace Kestra
