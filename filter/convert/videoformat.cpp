#include "videoformat.h"

#include <array>

namespace Kestra {

namespace {

struct FormatRow {
    VideoFormatCode code;
    uint32_t compression;
    int bitsPerPixel;
    int planes;
};

constexpr std::array kFormats{
    FormatRow{VideoFormatCode::ARGB32, MakeFourCC('A', 'R', 'G', 'B'), 32, 1},
    FormatRow{VideoFormatCode::RGB32, MakeFourCC('R', 'G', 'B', '4'), 32, 1},
    FormatRow{VideoFormatCode::I420, MakeFourCC('I', '4', '2', '0'), 12, 3},
    FormatRow{VideoFormatCode::NV12, MakeFourCC('N', 'V', '1', '2'), 12, 2},
    FormatRow{VideoFormatCode::YV12, MakeFourCC('Y', 'V', '1', '2'), 12, 2},
    FormatRow{VideoFormatCode::Y800, MakeFourCC('Y', '8', '0', '0'), 8, 1},
    FormatRow{VideoFormatCode::P010, MakeFourCC('P', '0', '1', '0'), 0, 0},
    FormatRow{VideoFormatCode::YVYU, MakeFourCC('Y', 'V', 'Y', 'U'), 16, 1},
    FormatRow{VideoFormatCode::YUY2, MakeFourCC('Y', 'U', 'Y', '2'), 16, 1},
    FormatRow{VideoFormatCode::UYVY, MakeFourCC('U', 'Y', 'V', 'Y'), 16, 1},
    FormatRow{VideoFormatCode::HDYC, MakeFourCC('H', 'D', 'Y', 'C'), 0, 0},
    FormatRow{VideoFormatCode::MJPG, MakeFourCC('M', 'J', 'P', 'G'), 0, 0},
    FormatRow{VideoFormatCode::H264, MakeFourCC('H', '2', '6', '4'), 0, 0},
};

const FormatRow *FindRow(VideoFormatCode code) {
    for (const FormatRow &row : kFormats)
        if (row.code == code)
            return &row;
    return nullptr;
}

struct CodeMap {
    uint32_t key;
    VideoFormatCode code;
};

constexpr std::array kBySubtype{
    CodeMap{kSubtypeRGB24, VideoFormatCode::RGB32},
    CodeMap{kSubtypeRGB32, VideoFormatCode::RGB32},
    CodeMap{kSubtypeARGB32, VideoFormatCode::ARGB32},
    CodeMap{MakeFourCC('I', '4', '2', '0'), VideoFormatCode::I420},
    CodeMap{MakeFourCC('I', 'Y', 'U', 'V'), VideoFormatCode::I420},
    CodeMap{MakeFourCC('Y', 'V', '1', '2'), VideoFormatCode::YV12},
    CodeMap{MakeFourCC('N', 'V', '1', '2'), VideoFormatCode::NV12},
    CodeMap{MakeFourCC('P', '0', '1', '0'), VideoFormatCode::P010},
    CodeMap{MakeFourCC('Y', 'V', 'Y', 'U'), VideoFormatCode::YVYU},
    CodeMap{MakeFourCC('Y', 'U', 'Y', '2'), VideoFormatCode::YUY2},
    CodeMap{MakeFourCC('U', 'Y', 'V', 'Y'), VideoFormatCode::UYVY},
    CodeMap{MakeFourCC('H', '2', '6', '4'), VideoFormatCode::H264},
    CodeMap{MakeFourCC('M', 'J', 'P', 'G'), VideoFormatCode::MJPG},
};

constexpr std::array kByCompression{
    CodeMap{MakeFourCC('Y', '8', '0', '0'), VideoFormatCode::Y800},
    CodeMap{MakeFourCC('P', '0', '1', '0'), VideoFormatCode::P010},
    CodeMap{MakeFourCC('I', '4', '2', '0'), VideoFormatCode::I420},
    CodeMap{MakeFourCC('I', 'Y', 'U', 'V'), VideoFormatCode::I420},
    CodeMap{MakeFourCC('N', 'V', '1', '2'), VideoFormatCode::NV12},
    CodeMap{MakeFourCC('Y', 'V', '1', '2'), VideoFormatCode::YV12},
    CodeMap{MakeFourCC('R', 'G', 'B', '2'), VideoFormatCode::RGB32},
    CodeMap{MakeFourCC('R', 'G', 'B', '4'), VideoFormatCode::RGB32},
    CodeMap{MakeFourCC('Y', 'U', 'Y', '2'), VideoFormatCode::YUY2},
    CodeMap{MakeFourCC('H', '2', '6', '4'), VideoFormatCode::H264},
    CodeMap{MakeFourCC('A', 'R', 'G', 'B'), VideoFormatCode::ARGB32},
    CodeMap{MakeFourCC('H', 'D', 'Y', 'C'), VideoFormatCode::HDYC},
    CodeMap{MakeFourCC('M', 'J', 'P', 'G'), VideoFormatCode::MJPG},
    CodeMap{MakeFourCC('Y', 'V', 'Y', 'U'), VideoFormatCode::YVYU},
    CodeMap{MakeFourCC('U', 'Y', 'V', 'Y'), VideoFormatCode::UYVY},
};

template <size_t N>
std::optional<VideoFormatCode> Lookup(const std::array<CodeMap, N> &map, uint32_t key) {
    for (const CodeMap &entry : map)
        if (entry.key == key)
            return entry.code;
    return std::nullopt;
}

// Bitmap headers are little-endian on every platform the filter runs on; reading bytewise
// keeps unaligned format blocks harmless.
uint32_t ReadLE32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t ReadLE16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr size_t kBitmapHeaderSize = 40;

} // namespace

uint32_t CompressionCode(VideoFormatCode code) {
    const FormatRow *row = FindRow(code);
    return row ? row->compression : 0;
}

int BitsPerPixel(VideoFormatCode code) {
    const FormatRow *row = FindRow(code);
    return row ? row->bitsPerPixel : 0;
}

int PlaneCount(VideoFormatCode code) {
    const FormatRow *row = FindRow(code);
    return row ? row->planes : 0;
}

OutputLayout OutputLayoutFor(VideoFormatCode code) {
    switch (code) {
    case VideoFormatCode::Unknown:
        return OutputLayout::None;
    case VideoFormatCode::I420:
        return OutputLayout::Planar420;
    case VideoFormatCode::YUY2:
        return OutputLayout::YUY2;
    default:
        return OutputLayout::NV12;
    }
}

std::optional<BitmapHeaderFields> ReadBitmapHeader(FormatBlockKind kind, const uint8_t *block,
                                                   size_t size) {
    size_t offset = 0;
    switch (kind) {
    case FormatBlockKind::VideoInfo:
        offset = 48;
        break;
    case FormatBlockKind::VideoInfo2:
        offset = 72;
        break;
    case FormatBlockKind::Other:
        return std::nullopt;
    }
    if (!block || size < offset + kBitmapHeaderSize)
        return std::nullopt;
    const uint8_t *h = block + offset;
    BitmapHeaderFields fields;
    fields.width = static_cast<int32_t>(ReadLE32(h + 4));
    fields.height = static_cast<int32_t>(ReadLE32(h + 8));
    fields.planes = ReadLE16(h + 12);
    fields.bitCount = ReadLE16(h + 14);
    fields.compression = ReadLE32(h + 16);
    fields.imageSize = ReadLE32(h + 20);
    return fields;
}

VideoFormatCode ClassifyVideoType(const VideoTypeDesc &type) {
    if (!type.video)
        return VideoFormatCode::Unknown;
    if (type.subtype != 0)
        if (const auto code = Lookup(kBySubtype, type.subtype))
            return *code;
    if (type.compression)
        if (const auto code = Lookup(kByCompression, *type.compression))
            return *code;
    return VideoFormatCode::Unknown;
}

} // namespace Kestra
