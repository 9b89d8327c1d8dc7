#include "nv12picture.h"

#include <new>

namespace Kestra {

namespace {

// Shifts are arithmetic (floor) on the negative U and V intermediates; the casts keep the
// results modulo 256.
uint8_t LumaOf(int b, int g, int r) {
    return static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

uint8_t BlueDiffOf(int b, int g, int r) {
    return static_cast<uint8_t>(((112 * b - 38 * r - 74 * g + 128) >> 8) + 128);
}

uint8_t RedDiffOf(int b, int g, int r) {
    return static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

} // namespace

size_t Nv12PictureSize(int width, int height) {
    if (width <= 0 || height <= 0)
        return 0;
    const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t chroma = static_cast<size_t>((width + 1) / 2) * 2 * ((height + 1) / 2);
    return luma + chroma;
}

std::shared_ptr<const Nv12Picture> Nv12FromBgr(const BgrImage &image) {
    const int w = image.width;
    const int h = image.height;
    if (w <= 0 || h <= 0 || w > kMaxJpegSide || h > kMaxJpegSide || !image.pixels ||
        image.stride < static_cast<size_t>(w) * 3)
        return nullptr;

    auto picture = std::make_shared<Nv12Picture>();
    picture->width = w;
    picture->height = h;
    picture->size = Nv12PictureSize(w, h);
    picture->data.reset(new (std::nothrow) uint8_t[picture->size]);
    if (!picture->data)
        return nullptr;

    uint8_t *luma = picture->data.get();
    uint8_t *chroma = luma + static_cast<size_t>(w) * h;
    const size_t chromaStride = picture->chromaStride();
    for (int r = 0; r < picture->chromaRows(); ++r) {
        uint8_t *chromaRow = chroma + chromaStride * r;
        for (int c = 0; c < picture->chromaPairs(); ++c) {
            int sumU = 0;
            int sumV = 0;
            int count = 0;
            for (int y = 2 * r; y < 2 * r + 2 && y < h; ++y) {
                const uint8_t *row = image.pixels.get() + image.stride * y;
                for (int x = 2 * c; x < 2 * c + 2 && x < w; ++x) {
                    const uint8_t *p = row + 3 * x;
                    luma[static_cast<size_t>(w) * y + x] = LumaOf(p[0], p[1], p[2]);
                    sumU += BlueDiffOf(p[0], p[1], p[2]);
                    sumV += RedDiffOf(p[0], p[1], p[2]);
                    ++count;
                }
            }
            // A full block is the sum of four shifted by two; edge blocks average what exists.
            chromaRow[2 * c] = static_cast<uint8_t>(count == 4 ? sumU >> 2 : sumU / count);
            chromaRow[2 * c + 1] = static_cast<uint8_t>(count == 4 ? sumV >> 2 : sumV / count);
        }
    }
    return picture;
}

} // namespace Kestra
