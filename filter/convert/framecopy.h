// Copy of a decoded picture into a sample buffer in the pin's output layout: a straight row
// copy or one pass per pixel, no scaler, so the camera must already send the negotiated width.
//
// Pure function of its arguments; called on the pin's streaming thread inside FillBuffer.
#pragma once

#include "videoformat.h"

#include <cstddef>
#include <cstdint>

struct AVFrame;

namespace Kestra {

// Bytes CopyDecodedPicture writes for a layout and size, 0 for None or a side that is not
// positive:
// NV12:      height rows of width luma bytes, then height / 2 rows of width chroma bytes;
// YUY2:      height rows of 2 x width bytes (Y, U for even columns; Y, V for odd ones);
// Planar420: the Y plane, the U plane (width / 2 x height / 2) at width x height and the V
//            plane at width x height + width x height / 4, as the I420 placeholder.
uint64_t DecodedLayoutSize(OutputLayout layout, int32_t width, int32_t height);

// Writes the picture to the start of sample, rows following each other without gaps. The
// frame must be NV12 (what the hardware decoders hand over) or planar 4:2:0 (software
// decoding), exactly width pixels wide, and the sample must hold DecodedLayoutSize bytes;
// otherwise nothing is written and the result is false. A frame with fewer than height rows
// is copied as far as it goes and never read past its end; the rest of the sample keeps its
// previous content. Each plane is stepped by its own line stride. With SSE2, samples above
// 4 MiB are written with non-temporal stores, past the cache, as they would not fit it anyway.
bool CopyDecodedPicture(const AVFrame &frame, OutputLayout layout, int32_t width, int32_t height,
                        uint8_t *sample, size_t sampleSize);

} // namespace Kestra
