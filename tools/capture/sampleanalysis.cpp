#include "sampleanalysis.h"
#include "fourcc.h"

#include "framestamp.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace capture {

namespace {

std::optional<LumaView> LumaOf(const uint8_t *data, size_t size, const PictureLayout &layout) {
    const int width = layout.width;
    const int height = std::abs(layout.height);
    if (width <= 0 || height <= 0)
        return std::nullopt;
    int step = 0;
    if (layout.fourcc == FourCC('N', 'V', '1', '2'))
        step = 1;
    else if (layout.fourcc == FourCC('Y', 'U', 'Y', '2'))
        step = 2;
    const auto stride = static_cast<size_t>(width) * static_cast<size_t>(step);
    if (step == 0 || size < stride * static_cast<size_t>(height))
        return std::nullopt;
    return LumaView{data, static_cast<std::ptrdiff_t>(stride), step, width, height};
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Number(const std::optional<double> &value) {
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *value);
    return text;
}

std::string Time(const std::optional<int64_t> &t) {
    return t ? std::to_string(*t) : std::string("none");
}

} // namespace

uint32_t Crc32(const uint8_t *data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most a uInt at a time.
    while (size > 0) {
        const auto chunk = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
        crc = crc32(crc, data, chunk);
        data += chunk;
        size -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

void Analyse(const uint8_t *data, size_t size, const PictureLayout &layout, SampleFacts *facts) {
    facts->crc = Crc32(data, size);
    facts->frame.reset();
    facts->latencyMs.reset();
    const std::optional<LumaView> luma = LumaOf(data, size, layout);
    if (!luma)
        return;
    const std::optional<framestamp::Code> code = framestamp::readCode(*luma);
    if (!code)
        return;
    const auto arrivalUs =
        std::chrono::duration_cast<std::chrono::microseconds>(facts->arrival.time_since_epoch())
            .count();
    facts->frame = code->frame;
    facts->latencyMs =
        static_cast<double>(arrivalUs - static_cast<int64_t>(code->monotonicUs)) / 1000.0;
}

std::string SampleLine(const SampleFacts &facts, std::chrono::steady_clock::time_point runStart) {
    char head[160];
    std::snprintf(head, sizeof head,
                  "sample %zu arrival_ms=%.3f start=%s stop=%s sync=%d bytes=%lld"
                  " crc=%08x",
                  facts.index, Milliseconds(facts.arrival - runStart), Time(facts.start).c_str(),
                  Time(facts.stop).c_str(), facts.syncPoint ? 1 : 0,
                  static_cast<long long>(facts.length), facts.crc);
    return std::string(head) + " latency_ms=" + Number(facts.latencyMs) +
           " frame=" + (facts.frame ? std::to_string(*facts.frame) : std::string("-"));
}

std::optional<double> Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

void SampleSummary::Add(const SampleFacts &facts) {
    if (m_count == 0)
        m_first = facts.arrival;
    else
        m_maxGapMs = std::max(m_maxGapMs, Milliseconds(facts.arrival - m_last));
    m_last = facts.arrival;
    ++m_count;
    if (!facts.latencyMs)
        return;
    m_latenciesMs.push_back(*facts.latencyMs);
    if (!m_firstLive)
        m_firstLive = facts.arrival;
}

std::string SampleSummary::Line(std::chrono::steady_clock::time_point runStart) const {
    const double span = m_count > 1 ? Milliseconds(m_last - m_first) : 0;
    const double fps = span > 0 ? static_cast<double>(m_count - 1) * 1000.0 / span : 0;
    const std::optional<double> firstLive =
        m_firstLive ? std::optional<double>(Milliseconds(*m_firstLive - runStart)) : std::nullopt;
    char head[96];
    std::snprintf(head, sizeof head, "frames=%zu fps=%.1f max_gap_ms=%.1f live=%zu", m_count, fps,
                  m_maxGapMs, m_latenciesMs.size());
    return std::string(head) + " first_live_ms=" + Number(firstLive) +
           " latency_median_ms=" + Number(Percentile(m_latenciesMs, 50)) +
           " latency_p95_ms=" + Number(Percentile(m_latenciesMs, 95));
}

} // namespace capture
