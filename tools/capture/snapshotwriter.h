// Writes one captured picture as a PNG file: swscale turns the NV12 or YUY2 bytes into RGB and
// zlib compresses them (FFmpeg's PNG encoder is not in every FFmpeg build the tool links, and
// zlib is there anyway for the CRCs). Used by kestra-capture for the snapshot of the last
// sample.
//
// Reentrant: every call owns its scaler and buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace capture {

// fourcc is the picture's four-character code as a subtype carries it (only NV12 and YUY2 are
// known). False, with the reason in *error, when the layout is not known, the bytes are fewer
// than the layout needs, or encoding or writing fails.
bool WritePngSnapshot(const std::filesystem::path &file, const uint8_t *data, size_t size,
                      uint32_t fourcc, int width, int height, std::string *error);

} // namespace capture
