#include "framecopy.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstring>

namespace Kestra {

namespace {

// Planes of the frame; a negative line stride (bottom-up frame) works unchanged.
struct Planes {
    const uint8_t *data[3];
    ptrdiff_t stride[3];
    bool interleaved; // NV12: U,V pairs in plane 1; otherwise U in plane 1 and V in plane 2

    const uint8_t *row(int plane, int r) const { return data[plane] + stride[plane] * r; }
};

void CopyLuma(const Planes &src, uint8_t *out, int32_t width, int32_t rows) {
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(out + static_cast<size_t>(width) * y, src.row(0, y), width);
}

void WriteNv12(const Planes &src, uint8_t *out, int32_t width, int32_t height, int32_t rows,
               int32_t chromaRows) {
    CopyLuma(src, out, width, rows);
    uint8_t *chroma = out + static_cast<size_t>(width) * height;
    for (int32_t cy = 0; cy < chromaRows; ++cy) {
        uint8_t *line = chroma + static_cast<size_t>(width) * cy;
        if (src.interleaved) {
            std::memcpy(line, src.row(1, cy), width);
            continue;
        }
        const uint8_t *u = src.row(1, cy);
        const uint8_t *v = src.row(2, cy);
        for (int32_t x = 0; x < width; ++x)
            line[x] = (x & 1) ? v[x / 2] : u[x / 2];
    }
}

void WriteYuy2(const Planes &src, uint8_t *out, int32_t width, int32_t rows) {
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t *luma = src.row(0, y);
        uint8_t *line = out + static_cast<size_t>(width) * 2 * y;
        if (src.interleaved) {
            // Byte x of an NV12 chroma row is pair x / 2's U (x even) or V (x odd).
            const uint8_t *chroma = src.row(1, y / 2);
            for (int32_t x = 0; x < width; ++x) {
                line[2 * x] = luma[x];
                line[2 * x + 1] = chroma[x];
            }
            continue;
        }
        const uint8_t *u = src.row(1, y / 2);
        const uint8_t *v = src.row(2, y / 2);
        for (int32_t x = 0; x < width; ++x) {
            line[2 * x] = luma[x];
            line[2 * x + 1] = (x & 1) ? v[x / 2] : u[x / 2];
        }
    }
}

void WritePlanar420(const Planes &src, uint8_t *out, int32_t width, int32_t height, int32_t rows,
                    int32_t chromaRows) {
    CopyLuma(src, out, width, rows);
    const size_t lumaSize = static_cast<size_t>(width) * height;
    const int32_t pairs = width / 2;
    uint8_t *uPlane = out + lumaSize;
    uint8_t *vPlane = out + lumaSize + lumaSize / 4;
    for (int32_t cy = 0; cy < chromaRows; ++cy) {
        uint8_t *u = uPlane + static_cast<size_t>(pairs) * cy;
        uint8_t *v = vPlane + static_cast<size_t>(pairs) * cy;
        if (!src.interleaved) {
            std::memcpy(u, src.row(1, cy), pairs);
            std::memcpy(v, src.row(2, cy), pairs);
            continue;
        }
        const uint8_t *chroma = src.row(1, cy);
        for (int32_t cx = 0; cx < pairs; ++cx) {
            u[cx] = chroma[2 * cx];
            v[cx] = chroma[2 * cx + 1];
        }
    }
}

} // namespace

uint64_t DecodedLayoutSize(OutputLayout layout, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0)
        return 0;
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t h = static_cast<uint64_t>(height);
    switch (layout) {
    case OutputLayout::None:
        return 0;
    case OutputLayout::NV12:
        return w * h + w * (h / 2);
    case OutputLayout::YUY2:
        return 2 * w * h;
    case OutputLayout::Planar420:
        return w * h + w * h / 4 + (w / 2) * (h / 2);
    }
    return 0;
}

bool CopyDecodedPicture(const AVFrame &frame, OutputLayout layout, int32_t width, int32_t height,
                        uint8_t *sample, size_t sampleSize) {
    const bool nv12 = frame.format == AV_PIX_FMT_NV12;
    const bool planar = frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVJ420P;
    if ((!nv12 && !planar) || frame.width != width || frame.height <= 0 || !sample)
        return false;
    if (!frame.data[0] || !frame.data[1] || (planar && !frame.data[2]))
        return false;
    const uint64_t needed = DecodedLayoutSize(layout, width, height);
    if (needed == 0 || needed > sampleSize)
        return false;

    const Planes src{{frame.data[0], frame.data[1], frame.data[2]},
                     {frame.linesize[0], frame.linesize[1], frame.linesize[2]},
                     nv12};
    // A frame shorter than the negotiated height is read only as far as it goes.
    const int32_t rows = std::min(height, frame.height);
    const int32_t chromaRows = std::min(height / 2, (frame.height + 1) / 2);
    switch (layout) {
    case OutputLayout::NV12:
        WriteNv12(src, sample, width, height, rows, chromaRows);
        return true;
    case OutputLayout::YUY2:
        WriteYuy2(src, sample, width, rows);
        return true;
    case OutputLayout::Planar420:
        WritePlanar420(src, sample, width, height, rows, chromaRows);
        return true;
    case OutputLayout::None:
        break;
    }
    return false;
}

} // namespace Kestra
