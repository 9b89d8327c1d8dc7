// An NV12 picture in one tightly packed buffer, and its making from 24-bit pixels with the
// filter's integer RGB to YUV formulas.
//
// Layout: the luma plane (width x height bytes), then the interleaved U,V plane of
// (height + 1) / 2 rows of (width + 1) / 2 pairs; for even sizes the usual
// width x height x 3 / 2 bytes. An odd last column or row gets a chroma pair of its own,
// averaged over the pixels that exist.
//
// Immutable once made; shared read-only between threads through shared_ptr<const Nv12Picture>.
#pragma once

#include "jpegdecoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Kestra {

struct Nv12Picture {
    int width = 0;
    int height = 0;
    size_t size = 0;
    std::unique_ptr<uint8_t[]> data;

    const uint8_t *luma() const { return data.get(); }
    const uint8_t *chroma() const { return data.get() + static_cast<size_t>(width) * height; }
    int chromaPairs() const { return (width + 1) / 2; }
    int chromaRows() const { return (height + 1) / 2; }
    size_t chromaStride() const { return static_cast<size_t>(chromaPairs()) * 2; }
};

// Buffer size of the layout above; 0 when a side is not positive.
size_t Nv12PictureSize(int width, int height);

// Converts a BGR image; null when the image is empty, its stride is shorter than a row, or the
// memory is not available.
std::shared_ptr<const Nv12Picture> Nv12FromBgr(const BgrImage &image);

} // namespace Kestra
