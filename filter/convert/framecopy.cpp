#include "framecopy.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Kestra {

namespace {

// Outputs above this size bypass the cache with non-temporal stores: they do not fit the
// last-level cache, so ordinary stores would first read every line of the sample and then evict
// the decoder's data. A smaller sample stays in the cache for the consumer that reads it next.
// Streaming stores need a _mm_sfence() before the sample is handed on.
constexpr uint64_t kStreamingSize = uint64_t{4} << 20;

// Planes of the frame; a negative line stride (bottom-up frame) works unchanged.
struct Planes {
    const uint8_t *data[3];
    ptrdiff_t stride[3];
    bool interleaved; // NV12: U,V pairs in plane 1; otherwise U in plane 1 and V in plane 2

    const uint8_t *row(int plane, int r) const { return data[plane] + stride[plane] * r; }
};

#if defined(__SSE2__)
// Bytes before the first 16-byte boundary at or after p.
size_t BytesToBoundary(const uint8_t *p) {
    return (16 - reinterpret_cast<uintptr_t>(p) % 16) % 16;
}
#endif

// memcpy; streaming, the part from out's first 16-byte boundary on goes in 64-byte blocks of
// non-temporal stores.
void CopyBytes(const uint8_t *src, uint8_t *out, size_t bytes, bool streaming) {
#if defined(__SSE2__)
    if (streaming) {
        const size_t head = std::min(bytes, BytesToBoundary(out));
        std::memcpy(out, src, head);
        size_t i = head;
        for (; i + 64 <= bytes; i += 64) {
            const auto *from = reinterpret_cast<const __m128i *>(src + i);
            const __m128i v0 = _mm_loadu_si128(from);
            const __m128i v1 = _mm_loadu_si128(from + 1);
            const __m128i v2 = _mm_loadu_si128(from + 2);
            const __m128i v3 = _mm_loadu_si128(from + 3);
            auto *to = reinterpret_cast<__m128i *>(out + i);
            _mm_stream_si128(to, v0);
            _mm_stream_si128(to + 1, v1);
            _mm_stream_si128(to + 2, v2);
            _mm_stream_si128(to + 3, v3);
        }
        std::memcpy(out + i, src + i, bytes - i);
        return;
    }
#else
    static_cast<void>(streaming);
#endif
    std::memcpy(out, src, bytes);
}

// Rows of width bytes from a plane into consecutive rows; one block when the plane has no
// padding.
void CopyRows(const uint8_t *src, ptrdiff_t stride, uint8_t *out, size_t width, int32_t rows,
              bool streaming) {
    if (stride == static_cast<ptrdiff_t>(width)) {
        CopyBytes(src, out, width * static_cast<size_t>(rows), streaming);
        return;
    }
    for (int32_t r = 0; r < rows; ++r)
        CopyBytes(src + stride * r, out + width * r, width, streaming);
}

// out[2i] = a[i] and out[2i + 1] = b[i] for from <= i < to.
void InterleaveScalar(const uint8_t *a, const uint8_t *b, uint8_t *out, int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) {
        out[2 * i] = a[i];
        out[2 * i + 1] = b[i];
    }
}

#if defined(__SSE2__)
// The same in blocks of 16 pairs as far as whole blocks go; returns where it stopped. Streaming
// stores need out + 2 * from to be 16-byte aligned.
template <bool Streaming>
int32_t InterleaveBlocks(const uint8_t *a, const uint8_t *b, uint8_t *out, int32_t from,
                         int32_t to) {
    int32_t i = from;
    for (; i + 16 <= to; i += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        auto *to16 = reinterpret_cast<__m128i *>(out + 2 * i);
        if constexpr (Streaming) {
            _mm_stream_si128(to16, _mm_unpacklo_epi8(va, vb));
            _mm_stream_si128(to16 + 1, _mm_unpackhi_epi8(va, vb));
        } else {
            _mm_storeu_si128(to16, _mm_unpacklo_epi8(va, vb));
            _mm_storeu_si128(to16 + 1, _mm_unpackhi_epi8(va, vb));
        }
    }
    return i;
}
#endif

// out[2i] = a[i] and out[2i + 1] = b[i] for i < count.
void Interleave(const uint8_t *a, const uint8_t *b, uint8_t *out, int32_t count, bool streaming) {
    int32_t i = 0;
#if defined(__SSE2__)
    // The pairs before the first 16-byte boundary go the scalar way; from an odd address no
    // whole pair ever reaches one, so such a row keeps ordinary stores.
    const size_t toBoundary = BytesToBoundary(out);
    if (streaming && toBoundary % 2 == 0) {
        const int32_t head = std::min(count, static_cast<int32_t>(toBoundary / 2));
        InterleaveScalar(a, b, out, 0, head);
        i = InterleaveBlocks<true>(a, b, out, head, count);
    } else {
        i = InterleaveBlocks<false>(a, b, out, 0, count);
    }
#else
    static_cast<void>(streaming);
#endif
    InterleaveScalar(a, b, out, i, count);
}

// a[i] = in[2i] and b[i] = in[2i + 1] for i < count. Ordinary stores only: the two targets
// seldom share an alignment.
void Deinterleave(const uint8_t *in, uint8_t *a, uint8_t *b, int32_t count) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (; i + 16 <= count; i += 16) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 2 * i));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 2 * i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(a + i),
                         _mm_packus_epi16(_mm_and_si128(v0, low), _mm_and_si128(v1, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(b + i),
                         _mm_packus_epi16(_mm_srli_epi16(v0, 8), _mm_srli_epi16(v1, 8)));
    }
#endif
    for (; i < count; ++i) {
        a[i] = in[2 * i];
        b[i] = in[2 * i + 1];
    }
}

// Byte x of an NV12 chroma row from planar rows: U of pair x / 2 for even x, V for odd x.
void InterleaveChroma(const uint8_t *u, const uint8_t *v, uint8_t *out, int32_t width,
                      bool streaming) {
    Interleave(u, v, out, width / 2, streaming);
    if (width % 2)
        out[width - 1] = u[width / 2];
}

void WriteNv12(const Planes &src, uint8_t *out, int32_t width, int32_t height, int32_t rows,
               int32_t chromaRows, bool streaming) {
    CopyRows(src.data[0], src.stride[0], out, width, rows, streaming);
    uint8_t *chroma = out + static_cast<size_t>(width) * height;
    if (src.interleaved) {
        CopyRows(src.data[1], src.stride[1], chroma, width, chromaRows, streaming);
        return;
    }
    for (int32_t cy = 0; cy < chromaRows; ++cy)
        InterleaveChroma(src.row(1, cy), src.row(2, cy), chroma + static_cast<size_t>(width) * cy,
                         width, streaming);
}

// One YUY2 row from a planar source: the chroma is interleaved piecewise into a buffer that
// stays in the L1 cache, then packed as from an NV12 row.
void PackPlanarRow(const uint8_t *luma, const uint8_t *u, const uint8_t *v, uint8_t *out,
                   int32_t width, bool streaming) {
    constexpr int32_t kPiece = 1024; // even, so that each piece starts on a chroma pair
    uint8_t chroma[kPiece];
    for (int32_t x = 0; x < width; x += kPiece) {
        const int32_t n = std::min(kPiece, width - x);
        InterleaveChroma(u + x / 2, v + x / 2, chroma, n, false);
        Interleave(luma + x, chroma, out + 2 * static_cast<size_t>(x), n, streaming);
    }
}

void WriteYuy2(const Planes &src, uint8_t *out, int32_t width, int32_t rows, bool streaming) {
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t *line = out + static_cast<size_t>(width) * 2 * y;
        // Byte x of an NV12 chroma row is pair x / 2's U (x even) or V (x odd).
        if (src.interleaved)
            Interleave(src.row(0, y), src.row(1, y / 2), line, width, streaming);
        else
            PackPlanarRow(src.row(0, y), src.row(1, y / 2), src.row(2, y / 2), line, width,
                          streaming);
    }
}

void WritePlanar420(const Planes &src, uint8_t *out, int32_t width, int32_t height, int32_t rows,
                    int32_t chromaRows, bool streaming) {
    CopyRows(src.data[0], src.stride[0], out, width, rows, streaming);
    const size_t lumaSize = static_cast<size_t>(width) * height;
    const int32_t pairs = width / 2;
    uint8_t *uPlane = out + lumaSize;
    uint8_t *vPlane = out + lumaSize + lumaSize / 4;
    if (!src.interleaved) {
        CopyRows(src.data[1], src.stride[1], uPlane, pairs, chromaRows, streaming);
        CopyRows(src.data[2], src.stride[2], vPlane, pairs, chromaRows, streaming);
        return;
    }
    for (int32_t cy = 0; cy < chromaRows; ++cy)
        Deinterleave(src.row(1, cy), uPlane + static_cast<size_t>(pairs) * cy,
                     vPlane + static_cast<size_t>(pairs) * cy, pairs);
}

bool Write(const Planes &src, OutputLayout layout, uint8_t *out, int32_t width, int32_t height,
           int32_t rows, int32_t chromaRows, bool streaming) {
    switch (layout) {
    case OutputLayout::NV12:
        WriteNv12(src, out, width, height, rows, chromaRows, streaming);
        return true;
    case OutputLayout::YUY2:
        WriteYuy2(src, out, width, rows, streaming);
        return true;
    case OutputLayout::Planar420:
        WritePlanar420(src, out, width, height, rows, chromaRows, streaming);
        return true;
    case OutputLayout::None:
        break;
    }
    return false;
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
    const bool streaming = needed > kStreamingSize;
    const bool written = Write(src, layout, sample, width, height, rows, chromaRows, streaming);
#if defined(__SSE2__)
    if (streaming)
        _mm_sfence();
#endif
    return written;
}

} // namespace Kestra
