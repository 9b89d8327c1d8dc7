#include "videotype.h"

#include <cstdlib>
#include <cstring>

namespace Kestra {

namespace {

// VIDEOINFOHEADER and VIDEOINFOHEADER2 both start with two rectangles, the bit rate and the
// error rate, so the frame interval sits at the same place in both.
constexpr size_t kAvgTimePerFrameOffset = 40;

REFERENCE_TIME ReadAvgTimePerFrame(const AM_MEDIA_TYPE &type) {
    if (FormatBlockKindOf(type.formattype) == FormatBlockKind::Other || !type.pbFormat ||
        type.cbFormat < kAvgTimePerFrameOffset + sizeof(REFERENCE_TIME))
        return 0;
    REFERENCE_TIME value = 0;
    std::memcpy(&value, type.pbFormat + kAvgTimePerFrameOffset, sizeof value);
    return value;
}

} // namespace

VideoTypeFacts ReadVideoType(const AM_MEDIA_TYPE &type) {
    VideoTypeFacts facts;
    facts.code = ClassifyVideoType(DescribeVideoType(type));
    facts.header =
        ReadBitmapHeader(FormatBlockKindOf(type.formattype),
                         reinterpret_cast<const uint8_t *>(type.pbFormat), type.cbFormat);
    facts.avgTimePerFrame = ReadAvgTimePerFrame(type);
    return facts;
}

uint64_t SampleBytes(const VideoTypeFacts &facts) {
    if (!facts.header)
        return 0;
    if (facts.header->imageSize != 0)
        return facts.header->imageSize;
    const int64_t width = facts.header->width;
    const int64_t height = std::llabs(facts.header->height);
    if (width <= 0)
        return 0;
    return static_cast<uint64_t>(BitsPerPixel(facts.code)) * static_cast<uint64_t>(width) *
           static_cast<uint64_t>(height) / 8;
}

} // namespace Kestra
