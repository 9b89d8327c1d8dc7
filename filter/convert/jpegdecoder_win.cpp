#include "jpegdecoder.h"

// gdiplus.h expects the min and max macros of windows.h, so NOMINMAX stays undefined here.
#include <windows.h>

#include <gdiplus.h>

#include <cstring>
#include <new>

namespace Kestra {

namespace {

namespace flat = Gdiplus::DllExports;

// GDI+ is started for one decode and shut down again, so no GDI+ state outlives the call
// (nor DllMain, where GDI+ must not be started or stopped).
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_)
            Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession &) = delete;
    GdiplusSession &operator=(const GdiplusSession &) = delete;

    bool started() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

class BitmapHolder {
public:
    ~BitmapHolder() {
        if (bitmap)
            flat::GdipDisposeImage(bitmap);
    }
    Gdiplus::GpBitmap *bitmap = nullptr;
};

class BitsLock {
public:
    BitsLock(Gdiplus::GpBitmap *bitmap, UINT width, UINT height) : bitmap_(bitmap) {
        Gdiplus::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        locked_ = flat::GdipBitmapLockBits(bitmap_, &rect, Gdiplus::ImageLockModeRead,
                                           PixelFormat24bppRGB, &data_) == Gdiplus::Ok;
    }
    ~BitsLock() {
        if (locked_)
            flat::GdipBitmapUnlockBits(bitmap_, &data_);
    }
    BitsLock(const BitsLock &) = delete;
    BitsLock &operator=(const BitsLock &) = delete;

    bool locked() const { return locked_; }
    const Gdiplus::BitmapData &data() const { return data_; }

private:
    Gdiplus::GpBitmap *bitmap_;
    Gdiplus::BitmapData data_{};
    bool locked_ = false;
};

} // namespace

bool DecodeJpegFile(const std::filesystem::path &file, BgrImage &out) {
    GdiplusSession session;
    if (!session.started())
        return false;

    BitmapHolder image;
    if (flat::GdipCreateBitmapFromFile(file.c_str(), &image.bitmap) != Gdiplus::Ok || !image.bitmap)
        return false;
    UINT width = 0;
    UINT height = 0;
    if (flat::GdipGetImageWidth(image.bitmap, &width) != Gdiplus::Ok ||
        flat::GdipGetImageHeight(image.bitmap, &height) != Gdiplus::Ok)
        return false;
    if (width == 0 || height == 0 || width > static_cast<UINT>(kMaxJpegSide) ||
        height > static_cast<UINT>(kMaxJpegSide))
        return false;

    // PixelFormat24bppRGB is laid out blue, green, red in memory.
    BitsLock lock(image.bitmap, width, height);
    if (!lock.locked() || !lock.data().Scan0)
        return false;

    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[rowBytes * height]);
    if (!pixels)
        return false;
    // Locked rows are padded to four bytes; Scan0 is the top row whatever the stride's sign.
    const auto *scan0 = static_cast<const uint8_t *>(lock.data().Scan0);
    const INT stride = lock.data().Stride;
    for (UINT row = 0; row < height; ++row)
        std::memcpy(pixels.get() + rowBytes * row,
                    scan0 + static_cast<ptrdiff_t>(stride) * static_cast<ptrdiff_t>(row), rowBytes);

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.stride = rowBytes;
    out.pixels = std::move(pixels);
    return true;
}

} // namespace Kestra
