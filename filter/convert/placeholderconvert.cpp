#include "placeholderconvert.h"

#include <new>

namespace Kestra {

namespace {

// index * num / den (integer division), kept inside [0, count). The clamp matters where the
// formulas meet odd target sizes: for th = 3 the YUY2 row (sh / 2) * (y / 2) / (th / 2) reaches
// sh / 2 at the last row, one chroma row past the picture; a target side of 1 makes den 0.
int32_t Scale(int64_t index, int64_t num, int64_t den, int32_t count) {
    if (den <= 0)
        return 0;
    const int64_t v = index * num / den;
    return v < count ? static_cast<int32_t>(v) : count - 1;
}

} // namespace

PlaceholderMode PlaceholderModeFor(VideoFormatCode code) {
    switch (code) {
    case VideoFormatCode::I420:
        return PlaceholderMode::I420;
    case VideoFormatCode::YUY2:
        return PlaceholderMode::YUY2;
    default:
        return PlaceholderMode::NV12;
    }
}

uint64_t PlaceholderLayoutSize(PlaceholderMode mode, int32_t targetWidth, int32_t targetHeight) {
    if (targetWidth <= 0 || targetHeight <= 0)
        return 0;
    const uint64_t tw = static_cast<uint64_t>(targetWidth);
    const uint64_t th = static_cast<uint64_t>(targetHeight);
    const uint64_t chromaSamples = (tw / 2) * (th / 2);
    switch (mode) {
    case PlaceholderMode::NV12:
        return tw * th + 2 * chromaSamples;
    case PlaceholderMode::I420:
        return tw * th + tw * th / 4 + chromaSamples;
    case PlaceholderMode::YUY2:
        return 2 * tw * th;
    }
    return 0;
}

bool ConvertPlaceholder(const PlaceholderConversion &conversion, uint8_t *target, size_t targetSize,
                        const Nv12Picture &source) {
    const int32_t sw = conversion.sourceWidth;
    const int32_t sh = conversion.sourceHeight;
    const int32_t tw = conversion.targetWidth;
    const int32_t th = conversion.targetHeight;
    if (!source.data || sw <= 0 || sh <= 0 || sw != source.width || sh != source.height ||
        source.size < Nv12PictureSize(sw, sh))
        return false;
    const uint64_t needed = PlaceholderLayoutSize(conversion.mode, tw, th);
    if (!target || needed == 0 || needed > targetSize)
        return false;

    // Source indices per target column, computed once rather than per row.
    std::unique_ptr<int32_t[]> columns(new (std::nothrow) int32_t[static_cast<size_t>(tw)]);
    std::unique_ptr<int32_t[]> pairs(new (std::nothrow) int32_t[static_cast<size_t>(tw) / 2 + 1]);
    if (!columns || !pairs)
        return false;
    for (int32_t x = 0; x < tw; ++x)
        columns[x] = Scale(x, sw, tw, sw);

    const uint8_t *luma = source.luma();
    const uint8_t *chroma = source.chroma();
    const size_t chromaStride = source.chromaStride();
    const int32_t sourcePairs = source.chromaPairs();
    const int32_t sourceChromaRows = source.chromaRows();
    const size_t lumaSize = static_cast<size_t>(tw) * static_cast<size_t>(th);
    const int32_t targetPairs = tw / 2;
    const int32_t targetChromaRows = th / 2;

    if (conversion.mode == PlaceholderMode::YUY2) {
        for (int32_t k = 0; k <= (tw - 1) / 2; ++k)
            pairs[k] = Scale(k, sw / 2, tw / 2, sourcePairs);
        for (int32_t y = 0; y < th; ++y) {
            const uint8_t *lumaRow = luma + static_cast<size_t>(sw) * Scale(y, sh, th, sh);
            const uint8_t *chromaRow =
                chroma + chromaStride * Scale(y / 2, sh / 2, th / 2, sourceChromaRows);
            uint8_t *out = target + static_cast<size_t>(tw) * 2 * y;
            for (int32_t x = 0; x < tw; ++x) {
                out[2 * x] = lumaRow[columns[x]];
                out[2 * x + 1] = chromaRow[2 * pairs[x / 2] + (x & 1)];
            }
        }
        return true;
    }

    for (int32_t y = 0; y < th; ++y) {
        const uint8_t *lumaRow = luma + static_cast<size_t>(sw) * Scale(y, sh, th, sh);
        uint8_t *out = target + static_cast<size_t>(tw) * y;
        for (int32_t x = 0; x < tw; ++x)
            out[x] = lumaRow[columns[x]];
    }

    for (int32_t cx = 0; cx < targetPairs; ++cx)
        pairs[cx] = Scale(cx, sw, tw, sourcePairs);
    uint8_t *uPlane = target + lumaSize;
    uint8_t *vPlane = target + lumaSize + lumaSize / 4;
    for (int32_t cy = 0; cy < targetChromaRows; ++cy) {
        const uint8_t *chromaRow = chroma + chromaStride * Scale(cy, sh, th, sourceChromaRows);
        if (conversion.mode == PlaceholderMode::NV12) {
            uint8_t *out = uPlane + static_cast<size_t>(targetPairs) * 2 * cy;
            for (int32_t cx = 0; cx < targetPairs; ++cx) {
                out[2 * cx] = chromaRow[2 * pairs[cx]];
                out[2 * cx + 1] = chromaRow[2 * pairs[cx] + 1];
            }
        } else {
            uint8_t *outU = uPlane + static_cast<size_t>(targetPairs) * cy;
            uint8_t *outV = vPlane + static_cast<size_t>(targetPairs) * cy;
            for (int32_t cx = 0; cx < targetPairs; ++cx) {
                outU[cx] = chromaRow[2 * pairs[cx]];
                outV[cx] = chromaRow[2 * pairs[cx] + 1];
            }
        }
    }
    return true;
}

} // namespace Kestra
