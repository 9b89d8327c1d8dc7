#include "placeholder.h"

#include "jpegdecoder.h"

#include <cstring>
#include <mutex>
#include <new>

namespace Kestra {

namespace {

struct ModuleState {
    std::mutex mutex;
    std::filesystem::path folder;              // guarded by mutex
    std::shared_ptr<const Nv12Picture> source; // guarded by mutex
};

ModuleState &State() {
    static ModuleState state;
    return state;
}

} // namespace

void SetPlaceholderFolder(const std::filesystem::path &folder) {
    ModuleState &state = State();
    const std::lock_guard lock(state.mutex);
    state.folder = folder;
}

std::filesystem::path PlaceholderFolder() {
    ModuleState &state = State();
    const std::lock_guard lock(state.mutex);
    return state.folder;
}

std::shared_ptr<const Nv12Picture> LoadPlaceholderImage(bool landscape) {
    const std::filesystem::path folder = PlaceholderFolder();
    std::shared_ptr<const Nv12Picture> picture;
    if (!folder.empty()) {
        BgrImage image;
        if (DecodeJpegFile(folder / (landscape ? "kestra.jpg" : "kestral.jpg"), image))
            picture = Nv12FromBgr(image);
    }
    ModuleState &state = State();
    const std::lock_guard lock(state.mutex);
    state.source = picture;
    return picture;
}

std::shared_ptr<const Nv12Picture> PlaceholderSource() {
    ModuleState &state = State();
    const std::lock_guard lock(state.mutex);
    return state.source;
}

bool PlaceholderFrame::PreparePlaceholder(bool landscape, VideoFormatCode code, int32_t width,
                                          int32_t height) {
    return BuildPlaceholder(LoadPlaceholderImage(landscape), code, width, height);
}

bool PlaceholderFrame::BuildPlaceholder(std::shared_ptr<const Nv12Picture> source,
                                        VideoFormatCode code, int32_t width, int32_t height) {
    source_ = std::move(source);
    conversion_.mode = PlaceholderModeFor(code);
    conversion_.sourceWidth = source_ ? source_->width : 0;
    conversion_.sourceHeight = source_ ? source_->height : 0;
    conversion_.targetWidth = width;
    conversion_.targetHeight = height;
    frame_.reset();
    frameSize_ = 0;
    if (!source_ || width <= 0 || height <= 0)
        return false;

    const uint64_t bits = static_cast<uint64_t>(BitsPerPixel(code)) * static_cast<uint64_t>(width) *
                          static_cast<uint64_t>(height);
    const uint64_t size = bits / 8;
    if (size == 0 || size > SIZE_MAX ||
        size < PlaceholderLayoutSize(conversion_.mode, width, height))
        return false;
    std::unique_ptr<uint8_t[]> frame(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!frame)
        return false;

    // Whatever the layout leaves over (the tail of a 32-bit frame) must not be heap garbage.
    std::memset(frame.get(), 0, static_cast<size_t>(size));
    const bool sameSize = source_->width == width && source_->height == height;
    if (conversion_.mode == PlaceholderMode::NV12 && sameSize &&
        source_->size == PlaceholderLayoutSize(PlaceholderMode::NV12, width, height)) {
        std::memcpy(frame.get(), source_->data.get(), source_->size);
    } else if (!ConvertPlaceholder(conversion_, frame.get(), static_cast<size_t>(size), *source_)) {
        return false;
    }
    frame_ = std::move(frame);
    frameSize_ = static_cast<size_t>(size);
    return true;
}

size_t PlaceholderFrame::CopyTo(uint8_t *sample, size_t sampleSize) const {
    if (!frame_ || !sample)
        return 0;
    const size_t count = sampleSize < frameSize_ ? sampleSize : frameSize_;
    std::memcpy(sample, frame_.get(), count);
    return count;
}

} // namespace Kestra
