// The placeholder picture that a pin delivers while no camera picture is available: the
// module-wide source decoded from "kestra.jpg" (landscape) or "kestral.jpg" (portrait) in the
// filter module's folder, and each pin's PlaceholderFrame, that picture converted once per
// format change into the negotiated layout and size.
//
// Threads: the folder and the module-wide source are guarded by one internal mutex; any
// thread may load. A loaded picture is immutable and shared, so a pin converting it is never
// disturbed by another pin's reload. PlaceholderFrame belongs to one pin and is not
// synchronised: the pin keeps PreparePlaceholder (application thread) and CopyTo (streaming
// thread) apart with its fill lock.
#pragma once

#include "nv12picture.h"
#include "placeholderconvert.h"
#include "videoformat.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace Kestra {

// The folder holding the two pictures: the folder of the filter module, set by the module's
// entry code. Until it is set every load fails.
void SetPlaceholderFolder(const std::filesystem::path &folder);
std::filesystem::path PlaceholderFolder();

// Decodes the landscape or portrait picture and makes it the module-wide source. Returns the
// picture, or null when the file is missing or unreadable; the module-wide source is then
// empty too, as it always reflects the last load.
std::shared_ptr<const Nv12Picture> LoadPlaceholderImage(bool landscape);

// The module-wide source of the last load; null when it failed or nothing was loaded yet.
std::shared_ptr<const Nv12Picture> PlaceholderSource();

class PlaceholderFrame {
public:
    // Reloads the picture for the orientation and rebuilds the frame for the format and size.
    // False when no frame results (see BuildPlaceholder).
    bool PreparePlaceholder(bool landscape, VideoFormatCode code, int32_t width, int32_t height);

    // Rebuilds the frame from a given source. The frame holds
    // bits-per-pixel(code) x width x height / 8 bytes; no frame is made when the source is
    // null, a side is not positive, or that size cannot hold the converted layout: an
    // unrecognised type or one without a fixed pixel size (bits per pixel 0) and Y800 (8 bits,
    // less than NV12's 12) get no placeholder rather than a write past their frame.
    bool BuildPlaceholder(std::shared_ptr<const Nv12Picture> source, VideoFormatCode code,
                          int32_t width, int32_t height);

    // Copies the frame to the start of a sample buffer, at most sampleSize bytes; returns the
    // number of bytes copied, 0 when there is no frame.
    size_t CopyTo(uint8_t *sample, size_t sampleSize) const;

    bool hasFrame() const { return frame_ != nullptr; }
    const uint8_t *frame() const { return frame_.get(); }
    size_t frameSize() const { return frameSize_; }
    const PlaceholderConversion &conversion() const { return conversion_; }
    const std::shared_ptr<const Nv12Picture> &source() const { return source_; }

private:
    std::shared_ptr<const Nv12Picture> source_;
    PlaceholderConversion conversion_;
    std::unique_ptr<uint8_t[]> frame_;
    size_t frameSize_ = 0;
};

} // namespace Kestra
