// The filter's video layout codes (VideoFormatCode) and the classification of a media type into
// one. Classification works on a VideoTypeDesc, a media type reduced to plain values, so this
// file needs no DirectShow header; DescribeVideoType() fills one from an AM_MEDIA_TYPE (or any
// struct with the same member names) in the pin's code.
//
// Pure functions of their arguments: callable from any thread, no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Kestra {

// Four-character code as it sits in a bitmap header: first character in the lowest byte.
constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

enum class VideoFormatCode : int32_t {
    Unknown = 0, // not recognised
    ARGB32 = 100,
    RGB32 = 101,
    I420 = 200,
    NV12 = 201,
    YV12 = 202,
    Y800 = 203,
    P010 = 204,
    YVYU = 300,
    YUY2 = 301,
    UYVY = 302,
    HDYC = 303,
    MJPG = 400,
    H264 = 401,
};

// Bitmap compression code, bits per pixel and plane count of a code; 0 for Unknown and for
// the codes that carry no fixed pixel size (P010, HDYC, MJPG, H264).
uint32_t CompressionCode(VideoFormatCode code);
int BitsPerPixel(VideoFormatCode code);
int PlaneCount(VideoFormatCode code);

// How the pin lays out a decoded picture in a sample. The numbers are the ones the pin logs
// (FFmpeg's pixel format numbers for NV12 and full-range planar 4:2:0).
enum class OutputLayout : int32_t {
    None = 0,
    Planar420 = 12, // I420: Y plane, U plane, V plane
    NV12 = 23,
    YUY2 = 108,
};

// I420 gives Planar420, YUY2 gives YUY2, any other recognised code NV12. An unrecognised type
// gives None so that nothing is ever written into a sample whose layout nobody knows.
OutputLayout OutputLayoutFor(VideoFormatCode code);

// Subtype as classification sees it: Data1 of the subtype GUID when the GUID is a
// four-character-code subtype {XXXXXXXX-0000-0010-8000-00AA00389B71} or one of the three RGB
// subtypes below, 0 for any other subtype.
inline constexpr uint32_t kSubtypeRGB24 = 0xE436EB7D;
inline constexpr uint32_t kSubtypeRGB32 = 0xE436EB7E;
inline constexpr uint32_t kSubtypeARGB32 = 0x773C9AC0;

enum class FormatBlockKind { VideoInfo, VideoInfo2, Other };

// The fields of the BITMAPINFOHEADER inside a format block that the filter reads.
struct BitmapHeaderFields {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
};

// The bitmap header of a VIDEOINFOHEADER (at byte 48) or VIDEOINFOHEADER2 (at byte 72) format
// block. Nothing for other blocks, and nothing when the block is too short to hold the whole
// header: a short block from an application must not be read past its end.
std::optional<BitmapHeaderFields> ReadBitmapHeader(FormatBlockKind kind, const uint8_t *block,
                                                   size_t size);

struct VideoTypeDesc {
    bool video = false;                  // major type is MEDIATYPE_Video
    uint32_t subtype = 0;                // see kSubtype* above
    std::optional<uint32_t> compression; // the bitmap header's, when the type carries one
};

// The format code of a media type, Unknown when it is not recognised.
VideoFormatCode ClassifyVideoType(const VideoTypeDesc &type);

namespace detail {
struct GuidValue {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline constexpr GuidValue kFourCCGuidBase{
    0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GuidValue kRGBSubtypeBase{
    0, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GuidValue kARGB32Subtype{
    kSubtypeARGB32, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};
inline constexpr GuidValue kFormatVideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GuidValue kFormatVideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

// Compares everything but Data1.
template <class Guid> constexpr bool SameTail(const Guid &g, const GuidValue &v) {
    if (g.Data2 != v.data2 || g.Data3 != v.data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (static_cast<uint8_t>(g.Data4[i]) != v.data4[i])
            return false;
    return true;
}
} // namespace detail

// Works with the Windows GUID and with ours: both have Data1, Data2, Data3 and Data4[8].
template <class Guid> constexpr uint32_t SubtypeCodeOf(const Guid &g) {
    const uint32_t d1 = static_cast<uint32_t>(g.Data1);
    if (detail::SameTail(g, detail::kFourCCGuidBase))
        return d1;
    if ((d1 == kSubtypeRGB24 || d1 == kSubtypeRGB32) &&
        detail::SameTail(g, detail::kRGBSubtypeBase))
        return d1;
    if (d1 == kSubtypeARGB32 && detail::SameTail(g, detail::kARGB32Subtype))
        return d1;
    return 0;
}

template <class Guid> constexpr bool IsVideoMajorType(const Guid &g) {
    return static_cast<uint32_t>(g.Data1) == MakeFourCC('v', 'i', 'd', 's') &&
           detail::SameTail(g, detail::kFourCCGuidBase);
}

template <class Guid> constexpr FormatBlockKind FormatBlockKindOf(const Guid &g) {
    const uint32_t d1 = static_cast<uint32_t>(g.Data1);
    if (d1 == detail::kFormatVideoInfo.data1 && detail::SameTail(g, detail::kFormatVideoInfo))
        return FormatBlockKind::VideoInfo;
    if (d1 == detail::kFormatVideoInfo2.data1 && detail::SameTail(g, detail::kFormatVideoInfo2))
        return FormatBlockKind::VideoInfo2;
    return FormatBlockKind::Other;
}

// From an AM_MEDIA_TYPE: majortype, subtype, formattype, cbFormat, pbFormat.
template <class MediaType> VideoTypeDesc DescribeVideoType(const MediaType &mt) {
    VideoTypeDesc desc;
    desc.video = IsVideoMajorType(mt.majortype);
    desc.subtype = SubtypeCodeOf(mt.subtype);
    const auto header =
        ReadBitmapHeader(FormatBlockKindOf(mt.formattype),
                         reinterpret_cast<const uint8_t *>(mt.pbFormat), mt.cbFormat);
    if (header)
        desc.compression = header->compression;
    return desc;
}

} // namespace Kestra
