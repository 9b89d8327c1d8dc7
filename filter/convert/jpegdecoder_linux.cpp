#include "jpegdecoder.h"

#include <turbojpeg.h>

#include <cstdio>
#include <new>

namespace Kestra {

namespace {

// A placeholder is a few hundred kilobytes; anything far beyond is not one of ours.
constexpr long kMaxJpegFileSize = 64L * 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

struct DecompressorCloser {
    void operator()(void *handle) const { tjDestroy(handle); }
};

bool ReadWholeFile(const std::filesystem::path &file, std::unique_ptr<uint8_t[]> &data,
                   size_t &size) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(file.c_str(), "rb"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0)
        return false;
    const long length = std::ftell(f.get());
    if (length <= 0 || length > kMaxJpegFileSize || std::fseek(f.get(), 0, SEEK_SET) != 0)
        return false;
    data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
    if (!data)
        return false;
    size = std::fread(data.get(), 1, static_cast<size_t>(length), f.get());
    return size == static_cast<size_t>(length);
}

} // namespace

bool DecodeJpegFile(const std::filesystem::path &file, BgrImage &out) {
    std::unique_ptr<uint8_t[]> jpeg;
    size_t jpegSize = 0;
    if (!ReadWholeFile(file, jpeg, jpegSize))
        return false;

    std::unique_ptr<void, DecompressorCloser> tj(tjInitDecompress());
    if (!tj)
        return false;
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(tj.get(), jpeg.get(), static_cast<unsigned long>(jpegSize), &width,
                            &height, &subsampling, &colorspace) != 0)
        return false;
    if (width <= 0 || height <= 0 || width > kMaxJpegSide || height > kMaxJpegSide)
        return false;

    const size_t stride = static_cast<size_t>(width) * 3;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow)
                                          uint8_t[stride * static_cast<size_t>(height)]);
    if (!pixels)
        return false;
    // Top-down rows in blue, green, red order: what GDI+ hands out for PixelFormat24bppRGB.
    // A warning (a truncated or damaged file) fails too: half a picture is no placeholder.
    if (tjDecompress2(tj.get(), jpeg.get(), static_cast<unsigned long>(jpegSize), pixels.get(),
                      width, static_cast<int>(stride), height, TJPF_BGR, TJFLAG_LIMITSCANS) != 0)
        return false;

    out.width = width;
    out.height = height;
    out.stride = stride;
    out.pixels = std::move(pixels);
    return true;
}

} // namespace Kestra
