// Reading torvi-sim's audio test signal back from a recording: a 1 kHz tone that pauses for
// 100 ms at the start of every second. Recordings are 48 kHz mono signed 16-bit samples.
// Pure functions; any thread.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonesignal {

inline constexpr int rate = 48000;

// Where the tone comes back after a pause, and how long the pause was.
struct Onset {
    std::size_t sample;
    double gapMs;
};

std::vector<std::int16_t> readRaw(const QString &path);

// Pauses of at least 50 ms that end in sound, in order.
std::vector<Onset> onsets(const std::vector<std::int16_t> &samples);

// The share of 10 ms windows that are the tone (loud, about 1 kHz by zero crossings).
double toneShare(const std::vector<std::int16_t> &samples);

// The loudest sample; a silent recording stays near 0 (the sound server adds no noise).
int peak(const std::vector<std::int16_t> &samples);

} // namespace tonesignal
