// The capabilities the pin lists through IAMStreamConfig::GetStreamCaps: video types with a
// VIDEOINFOHEADER each, built by AddVideoFormat, and the pin's standard set of 24 (NV12 and
// YUY2 at four sizes and four frame rates).
//
// Built by the pin's constructor and never changed afterwards, so any thread may read it
// without a lock once the pin exists.
#pragma once

#include "convert/videoformat.h"

#include <cstdint>
#include <vector>

#include <streams.h>

namespace Kestra {

class FormatList {
public:
    // Appends one type; false (nothing appended) when a side or the frame interval is not
    // positive or the format block cannot be allocated.
    bool AddVideoFormat(VideoFormatCode code, int32_t width, int32_t height,
                        REFERENCE_TIME avgTimePerFrame);
    // Appends the 24 standard entries: for 30, 25, 60 and 50 frames/s in that order, NV12 then
    // YUY2 at 1080x1920, then at 1920x1080; 30 and 25 frames/s add the same at 2160x3840 and
    // 3840x2160 right after.
    bool AddStandardFormats();

    int Count() const { return static_cast<int>(m_types.size()); }
    // Null outside 0..Count() - 1.
    const CMediaType *At(int index) const;

private:
    std::vector<CMediaType> m_types;
};

// The subtype of a format code: the four-character-code subtype of its compression code, the
// RGB subtypes for 100 and 101, all zero for codes without one of their own.
GUID SubtypeFor(VideoFormatCode code);

} // namespace Kestra
