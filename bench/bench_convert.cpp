// The filter's per-sample picture copy and its placeholder conversion at 1080p and 4K, with
// caches cold, each against a memcpy of the same output size in the same run (x_memcpy), and
// swscale and libyuv doing the same work as anchors.
//
// Cold caches: sources and outputs rotate through two arenas of 144 MiB each, so every
// iteration reads and writes memory that left the last-level cache long ago; the outputs alone
// cycle through more than 128 MiB, which matters for the placeholder with its one source
// picture that stays in the cache, as it does in the filter. The arenas are
// allocated and touched once per process, on first use, which keeps a smoke run
// (--benchmark_min_time=0.01) within seconds.
#include "convert/framecopy.h"
#include "convert/placeholderconvert.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}
#include <libyuv.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Kestra;

namespace {

constexpr size_t kArenaBytes = size_t{144} << 20;
constexpr size_t kPage = 4096;

size_t PageRoundUp(size_t n) {
    return (n + kPage - 1) / kPage * kPage;
}

// Written once so that every page is real memory (untouched pages all map the one zero page,
// which would stay in the cache), the sources with varied bytes so that an anchor's output can
// be compared with the filter's.
struct Arena {
    Arena() {
        uint64_t state = 0x9E3779B97F4A7C15u;
        for (size_t i = 0; i + 8 <= sources.size(); i += 8) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            std::memcpy(sources.data() + i, &state, 8);
        }
    }

    std::vector<uint8_t> sources = std::vector<uint8_t>(kArenaBytes + kPage);
    std::vector<uint8_t> outputs = std::vector<uint8_t>(kArenaBytes + kPage, 0x01);

    static uint8_t *PageAligned(std::vector<uint8_t> &bytes) {
        const auto at = reinterpret_cast<uintptr_t>(bytes.data());
        return bytes.data() + (kPage - at % kPage) % kPage;
    }
};

Arena &TheArena() {
    static Arena arena;
    return arena;
}

// Page-aligned source and output slots; iteration i uses slot i % count.
class Ring {
public:
    Ring(size_t sourceBytes, size_t outputBytes)
        : sourceSlot_(PageRoundUp(std::max(sourceBytes, size_t{1}))),
          outputSlot_(PageRoundUp(outputBytes)),
          count_(std::min(kArenaBytes / sourceSlot_, kArenaBytes / outputSlot_)),
          sources_(Arena::PageAligned(TheArena().sources)),
          outputs_(Arena::PageAligned(TheArena().outputs)) {}

    int64_t count() const { return static_cast<int64_t>(count_); }
    uint8_t *source(int64_t slot) const { return sources_ + sourceSlot_ * slot; }
    uint8_t *output(int64_t slot) const { return outputs_ + outputSlot_ * slot; }

private:
    size_t sourceSlot_;
    size_t outputSlot_;
    size_t count_;
    uint8_t *sources_;
    uint8_t *outputs_;
};

// Seconds per memcpy of an output size, from the baseline cases that run first.
std::map<uint64_t, double> &MemcpySeconds() {
    static std::map<uint64_t, double> seconds;
    return seconds;
}

// CPU time of this thread, as Google Benchmark's CPU column: on a busy machine the other
// processes then cost only memory bandwidth, not the time they hold the core.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs work(slot) once per iteration over the ring and reports the time per iteration relative
// to the memcpy of outputBytes, or records it when this is that memcpy.
template <class Work>
void Measure(benchmark::State &state, uint64_t outputBytes, const Ring &ring, Work &&work,
             bool baseline = false) {
    int64_t i = 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        work(i++ % ring.count());
        benchmark::ClobberMemory();
    }
    const double perIteration = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(outputBytes));
    if (baseline) {
        MemcpySeconds()[outputBytes] = perIteration;
        return;
    }
    const auto memcpySeconds = MemcpySeconds().find(outputBytes);
    if (memcpySeconds != MemcpySeconds().end())
        state.counters["x_memcpy"] = perIteration / memcpySeconds->second;
}

// A decoded frame whose planes lie in a ring slot: NV12 or planar 4:2:0, luma stride given,
// chroma strides following (NV12 the same, planar half of it).
class SourceFrame {
public:
    SourceFrame(AVPixelFormat format, int width, int height, int stride)
        : nv12_(format == AV_PIX_FMT_NV12), height_(height) {
        frame_.format = format;
        frame_.width = width;
        frame_.height = height;
        frame_.linesize[0] = stride;
        frame_.linesize[1] = nv12_ ? stride : stride / 2;
        frame_.linesize[2] = nv12_ ? 0 : stride / 2;
    }

    size_t bytes() const {
        const size_t luma = static_cast<size_t>(frame_.linesize[0]) * height_;
        return nv12_ ? luma + luma / 2 : luma + static_cast<size_t>(frame_.linesize[1]) * height_;
    }

    const AVFrame &at(uint8_t *slot) {
        const size_t luma = static_cast<size_t>(frame_.linesize[0]) * height_;
        frame_.data[0] = slot;
        frame_.data[1] = slot + luma;
        frame_.data[2] = nv12_ ? nullptr : slot + luma + luma / 4;
        return frame_;
    }

private:
    bool nv12_;
    int height_;
    AVFrame frame_{};
};

struct Size {
    int width;
    int height;
};

constexpr Size kSizes[] = {{1920, 1080}, {3840, 2160}};

// After an anchor's run: same_bytes is 1 when what it wrote to the first output slot is what
// CopyDecodedPicture writes from the same source, 0 when not.
void CompareWithCopy(benchmark::State &state, SourceFrame &source, const Ring &ring,
                     OutputLayout layout, Size size) {
    const uint64_t bytes = DecodedLayoutSize(layout, size.width, size.height);
    std::vector<uint8_t> expected(bytes);
    const bool copied = CopyDecodedPicture(source.at(ring.source(0)), layout, size.width,
                                           size.height, expected.data(), expected.size());
    state.counters["same_bytes"] =
        copied && std::memcmp(expected.data(), ring.output(0), bytes) == 0 ? 1 : 0;
}

std::string Name(const char *what, Size size) {
    return std::string(what) + "/" + std::to_string(size.width) + "x" + std::to_string(size.height);
}

template <class Fn> void Register(const char *what, Size size, Fn fn) {
    benchmark::RegisterBenchmark(Name(what, size).c_str(), fn)->Unit(benchmark::kMillisecond);
}

void RegisterMemcpy(Size size) {
    for (OutputLayout layout : {OutputLayout::NV12, OutputLayout::YUY2}) {
        const uint64_t bytes = DecodedLayoutSize(layout, size.width, size.height);
        Register(layout == OutputLayout::NV12 ? "memcpy_nv12_size" : "memcpy_yuy2_size", size,
                 [bytes](benchmark::State &state) {
                     const Ring ring(bytes, bytes);
                     Measure(
                         state, bytes, ring,
                         [&](int64_t k) { std::memcpy(ring.output(k), ring.source(k), bytes); },
                         true);
                 });
    }
}

void RegisterCopy(const char *what, Size size, AVPixelFormat format, OutputLayout layout,
                  int padding = 0) {
    Register(what, size, [=](benchmark::State &state) {
        SourceFrame source(format, size.width, size.height, size.width + padding);
        const uint64_t bytes = DecodedLayoutSize(layout, size.width, size.height);
        const Ring ring(source.bytes(), bytes);
        Measure(state, bytes, ring, [&](int64_t k) {
            if (!CopyDecodedPicture(source.at(ring.source(k)), layout, size.width, size.height,
                                    ring.output(k), bytes))
                state.SkipWithError("copy refused");
        });
    });
}

// The placeholder source: a 1920 x 1080 gradient, as the shipped landscape picture.
std::shared_ptr<const Nv12Picture> PlaceholderPicture() {
    BgrImage image;
    image.width = 1920;
    image.height = 1080;
    image.stride = 3 * 1920;
    image.pixels.reset(new uint8_t[image.stride * image.height]);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width * 3; ++x)
            image.pixels[image.stride * y + x] = static_cast<uint8_t>(x / 3 + y + x % 3 * 80);
    return Nv12FromBgr(image);
}

void RegisterPlaceholder(const char *what, Size size, PlaceholderMode mode) {
    Register(what, size, [=](benchmark::State &state) {
        static const auto picture = PlaceholderPicture();
        const PlaceholderConversion conversion{mode, picture->width, picture->height, size.width,
                                               size.height};
        const uint64_t bytes = PlaceholderLayoutSize(mode, size.width, size.height);
        const Ring ring(0, bytes);
        Measure(state, bytes, ring, [&](int64_t k) {
            if (!ConvertPlaceholder(conversion, ring.output(k), bytes, *picture))
                state.SkipWithError("conversion refused");
        });
    });
}

// swscale with nearest-neighbour sampling at equal sizes. Its NV12 to NV12 plane copy skips
// plane 1 when there is no plane 2 (a rule for GRAY8's palette), so it leaves the chroma
// unwritten and does a third less work: same_bytes 0 marks it.
void RegisterSwscale(const char *what, Size size, AVPixelFormat target) {
    Register(what, size, [=](benchmark::State &state) {
        SourceFrame source(AV_PIX_FMT_NV12, size.width, size.height, size.width);
        const OutputLayout layout =
            target == AV_PIX_FMT_NV12 ? OutputLayout::NV12 : OutputLayout::YUY2;
        const uint64_t bytes = DecodedLayoutSize(layout, size.width, size.height);
        const Ring ring(source.bytes(), bytes);
        SwsContext *context =
            sws_getContext(size.width, size.height, AV_PIX_FMT_NV12, size.width, size.height,
                           target, SWS_POINT, nullptr, nullptr, nullptr);
        if (!context) {
            state.SkipWithError("no swscale context");
            return;
        }
        const int w = size.width, h = size.height;
        Measure(state, bytes, ring, [&](int64_t k) {
            const AVFrame &frame = source.at(ring.source(k));
            uint8_t *out = ring.output(k);
            uint8_t *const planes[4] = {out, layout == OutputLayout::NV12 ? out + w * h : nullptr,
                                        nullptr, nullptr};
            const int strides[4] = {layout == OutputLayout::NV12 ? w : 2 * w,
                                    layout == OutputLayout::NV12 ? w : 0, 0, 0};
            sws_scale(context, frame.data, frame.linesize, 0, h, planes, strides);
        });
        sws_freeContext(context);
        CompareWithCopy(state, source, ring, layout, size);
    });
}

// libyuv from a planar source: the luma plane copied, U and V merged row by row into NV12
// chroma, or the whole picture packed into YUY2.
void RegisterLibyuv(const char *what, Size size, OutputLayout layout) {
    Register(what, size, [=](benchmark::State &state) {
        const int w = size.width, h = size.height;
        SourceFrame source(AV_PIX_FMT_YUV420P, w, h, w);
        const uint64_t bytes = DecodedLayoutSize(layout, w, h);
        const Ring ring(source.bytes(), bytes);
        Measure(state, bytes, ring, [&](int64_t k) {
            const AVFrame &f = source.at(ring.source(k));
            uint8_t *out = ring.output(k);
            if (layout == OutputLayout::YUY2) {
                libyuv::I420ToYUY2(f.data[0], f.linesize[0], f.data[1], f.linesize[1], f.data[2],
                                   f.linesize[2], out, 2 * w, w, h);
                return;
            }
            libyuv::CopyPlane(f.data[0], f.linesize[0], out, w, w, h);
            libyuv::MergeUVPlane(f.data[1], f.linesize[1], f.data[2], f.linesize[2], out + w * h, w,
                                 w / 2, h / 2);
        });
        CompareWithCopy(state, source, ring, layout, size);
    });
}

} // namespace

int main(int argc, char **argv) {
    // The baselines run first: every other case divides by them.
    for (Size size : kSizes)
        RegisterMemcpy(size);
    for (Size size : kSizes) {
        RegisterCopy("copy_nv12_to_nv12", size, AV_PIX_FMT_NV12, OutputLayout::NV12);
        RegisterCopy("copy_nv12_to_nv12_padded", size, AV_PIX_FMT_NV12, OutputLayout::NV12, 64);
        RegisterCopy("copy_nv12_to_yuy2", size, AV_PIX_FMT_NV12, OutputLayout::YUY2);
        RegisterCopy("copy_i420_to_nv12", size, AV_PIX_FMT_YUV420P, OutputLayout::NV12);
        RegisterCopy("copy_i420_to_yuy2", size, AV_PIX_FMT_YUV420P, OutputLayout::YUY2);
        RegisterPlaceholder("placeholder_nv12", size, PlaceholderMode::NV12);
        RegisterPlaceholder("placeholder_yuy2", size, PlaceholderMode::YUY2);
        RegisterSwscale("swscale_nv12_to_nv12", size, AV_PIX_FMT_NV12);
        RegisterSwscale("swscale_nv12_to_yuy2", size, AV_PIX_FMT_YUYV422);
        RegisterLibyuv("libyuv_i420_to_nv12", size, OutputLayout::NV12);
        RegisterLibyuv("libyuv_i420_to_yuy2", size, OutputLayout::YUY2);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
