// Decoding of a JPEG file to 24-bit pixels, the one platform-specific step of the placeholder
// picture: GDI+ on Windows (jpegdecoder_win.cpp), libturbojpeg elsewhere (jpegdecoder_linux.cpp).
//
// Reentrant: each call owns its decoder; callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace Kestra {

// Rows top to bottom, each pixel blue, green, red; row r starts at pixels + r * stride.
struct BgrImage {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::unique_ptr<uint8_t[]> pixels;
};

// Sides beyond this are refused: no camera format comes near it, and it keeps every size
// computation on the picture far from overflow on a 32-bit build.
inline constexpr int kMaxJpegSide = 16384;

// False, with out untouched, when the file is missing, unreadable, not a complete JPEG, larger
// than kMaxJpegSide on a side, or the memory for it is not available.
bool DecodeJpegFile(const std::filesystem::path &file, BgrImage &out);

} // namespace Kestra
