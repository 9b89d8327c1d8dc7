// The few facts the pin reads from a media type (its layout, bitmap header and frame interval),
// read through the format block's declared size only: a type from an application may carry a
// short block or one of another layout.
//
// Pure functions: callable from any thread; the caller keeps the type alive and unchanged.
#pragma once

#include "convert/videoformat.h"

#include <cstdint>
#include <optional>

#include <dshow.h>
#include <windows.h>

namespace Kestra {

struct VideoTypeFacts {
    VideoFormatCode code = VideoFormatCode::Unknown;
    std::optional<BitmapHeaderFields> header; // none without a whole bitmap header
    REFERENCE_TIME avgTimePerFrame = 0;       // 0 when the block carries none
};

VideoTypeFacts ReadVideoType(const AM_MEDIA_TYPE &type);

// Bytes one sample of the type holds: the header's image size or, where an application left
// that 0, bits per pixel x width x |height| / 8. 0 when neither is known.
uint64_t SampleBytes(const VideoTypeFacts &facts);

} // namespace Kestra
