// What kestra-capture finds out about each sample and about a whole grab: the CRC-32 of the
// sample's bytes, the simulator's stamp read off its luma (framestamp.h) and from it the
// latency, and the text of the sample and summary lines.
//
// Pure functions, called on the capture worker thread (per sample) and the main thread (the
// summary). Arrival times are std::chrono::steady_clock, which is CLOCK_MONOTONIC on Linux:
// the clock of the stamp. On Windows it is the performance counter, which under Wine follows
// CLOCK_MONOTONIC_RAW: latencies there are off by however far NTP has slewed the one from the
// other since boot (a tenth of a second or more on a machine up for hours).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capture {

// Where a sample's picture is: its four-character code and size, as the media type says.
struct PictureLayout {
    uint32_t fourcc = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct SampleFacts {
    size_t index = 0;
    std::chrono::steady_clock::time_point arrival;
    std::optional<int64_t> start; // none when the sample carries no time
    std::optional<int64_t> stop;
    bool syncPoint = false;
    int64_t length = 0;              // actual data length
    uint32_t crc = 0;                // of the actual data bytes
    std::optional<uint32_t> frame;   // from the stamp
    std::optional<double> latencyMs; // arrival minus the stamp's capture time
};

// CRC-32 with zlib's polynomial, as zlib's crc32() computes it.
uint32_t Crc32(const uint8_t *data, size_t size);

// Fills crc, frame and latencyMs from the sample's bytes. Only NV12 and YUY2 pictures are
// read for a stamp.
void Analyse(const uint8_t *data, size_t size, const PictureLayout &layout, SampleFacts *facts);

// "sample <i> arrival_ms=<ms> start=<t|none> stop=<t|none> sync=<0|1> bytes=<n>
//  crc=<8 hex> latency_ms=<ms|-> frame=<n|->" (one line, no newline).
std::string SampleLine(const SampleFacts &facts, std::chrono::steady_clock::time_point runStart);

// The figures of the summary line, gathered sample by sample so that a long grab keeps only
// the stamped samples' latencies (8 bytes each), not the samples.
class SampleSummary {
public:
    // Samples in arrival order.
    void Add(const SampleFacts &facts);
    // "frames=<n> fps=<f> max_gap_ms=<ms> live=<n> first_live_ms=<ms|->
    //  latency_median_ms=<ms|-> latency_p95_ms=<ms|->": fps and gaps over all samples,
    // latencies over the stamped ones.
    std::string Line(std::chrono::steady_clock::time_point runStart) const;

private:
    size_t m_count = 0;
    std::chrono::steady_clock::time_point m_first;
    std::chrono::steady_clock::time_point m_last;
    double m_maxGapMs = 0;
    std::optional<std::chrono::steady_clock::time_point> m_firstLive;
    std::vector<double> m_latenciesMs;
};

// The nearest-rank percentile (0 < p <= 100) of values; nothing for no values.
std::optional<double> Percentile(std::vector<double> values, double p);

} // namespace capture
