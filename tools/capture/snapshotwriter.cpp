#include "snapshotwriter.h"
#include "fourcc.h"
#include "pathtext.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <zlib.h>

#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

namespace capture {

namespace {

AVPixelFormat PixelFormatOf(uint32_t fourcc) {
    switch (fourcc) {
    case FourCC('N', 'V', '1', '2'):
        return AV_PIX_FMT_NV12;
    case FourCC('Y', 'U', 'Y', '2'):
        return AV_PIX_FMT_YUYV422;
    default:
        return AV_PIX_FMT_NONE;
    }
}

struct FrameFree {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct ScalerFree {
    void operator()(SwsContext *scaler) const { sws_freeContext(scaler); }
};

// The picture as PNG scanlines: each RGB24 row behind its filter byte (0, no filter). Empty,
// with *error set, when the bytes are too few or there is no scaler.
std::vector<uint8_t> Scanlines(const uint8_t *data, size_t size, AVPixelFormat format, int width,
                               int height, std::string *error) {
    const int needed = av_image_get_buffer_size(format, width, height, 1);
    if (needed <= 0 || size < static_cast<size_t>(needed)) {
        *error = "the sample holds " + std::to_string(size) + " bytes, the picture needs " +
                 std::to_string(needed);
        return {};
    }
    uint8_t *sourcePlanes[4] = {};
    int sourceStrides[4] = {};
    av_image_fill_arrays(sourcePlanes, sourceStrides, data, format, width, height, 1);

    // Into a frame of FFmpeg's own alignment first: swscale is slow and says so on stderr when
    // its rows are not aligned, as they would be in the scanlines.
    std::unique_ptr<AVFrame, FrameFree> rgb(av_frame_alloc());
    std::unique_ptr<SwsContext, ScalerFree> scaler(
        sws_getContext(width, height, format, width, height, AV_PIX_FMT_RGB24, SWS_BILINEAR,
                       nullptr, nullptr, nullptr));
    if (!rgb || !scaler) {
        *error = "no scaler for this picture";
        return {};
    }
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = width;
    rgb->height = height;
    if (av_frame_get_buffer(rgb.get(), 0) < 0) {
        *error = "out of memory";
        return {};
    }
    sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, height, rgb->data, rgb->linesize);

    const size_t rowBytes = 3 * static_cast<size_t>(width);
    std::vector<uint8_t> lines;
    lines.reserve((1 + rowBytes) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0];
        lines.push_back(0);
        lines.insert(lines.end(), row, row + rowBytes);
    }
    return lines;
}

void PutBigEndian(uint32_t value, std::vector<uint8_t> *out) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<uint8_t>(value >> shift));
}

void AddChunk(std::string_view type, const uint8_t *data, size_t size, std::vector<uint8_t> *png) {
    PutBigEndian(static_cast<uint32_t>(size), png);
    const size_t start = png->size();
    png->insert(png->end(), type.begin(), type.end());
    png->insert(png->end(), data, data + size);
    PutBigEndian(static_cast<uint32_t>(
                     crc32(0, png->data() + start, static_cast<uInt>(png->size() - start))),
                 png);
}

// An 8-bit RGB PNG of the scanlines; empty when they do not compress.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t> &lines, int width, int height) {
    // A snapshot is for looking at: fast compression keeps a 4K picture well under a second.
    uLongf packedSize = compressBound(static_cast<uLong>(lines.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, lines.data(), static_cast<uLong>(lines.size()),
                  Z_BEST_SPEED) != Z_OK)
        return {};

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBigEndian(static_cast<uint32_t>(width), &header);
    PutBigEndian(static_cast<uint32_t>(height), &header);
    // Bit depth 8, colour type 2 (RGB), deflate, adaptive filtering, no interlace.
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AddChunk("IHDR", header.data(), header.size(), &png);
    AddChunk("IDAT", packed.data(), packedSize, &png);
    AddChunk("IEND", nullptr, 0, &png);
    return png;
}

} // namespace

bool WritePngSnapshot(const std::filesystem::path &file, const uint8_t *data, size_t size,
                      uint32_t fourcc, int width, int height, std::string *error) {
    const AVPixelFormat format = PixelFormatOf(fourcc);
    if (format == AV_PIX_FMT_NONE || width <= 0 || height <= 0) {
        *error = "no snapshot for this picture layout";
        return false;
    }
    const std::vector<uint8_t> lines = Scanlines(data, size, format, width, height, error);
    if (lines.empty())
        return false;
    const std::vector<uint8_t> png = EncodePng(lines, width, height);
    if (png.empty()) {
        *error = "PNG encoding failed";
        return false;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out.flush()) {
        *error = "cannot write " + PathText(file);
        return false;
    }
    return true;
}

} // namespace capture
