#include "support/tonesignal.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tonesignal {

namespace {

constexpr int loud = 1000;
constexpr int quiet = 300;
constexpr std::size_t minGap = rate / 20;
constexpr std::size_t window = rate / 100;

} // namespace

std::vector<std::int16_t> readRaw(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
    if (!samples.empty()) // an empty recording has no buffer to copy into
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

std::vector<Onset> onsets(const std::vector<std::int16_t> &samples) {
    std::vector<Onset> found;
    std::size_t quietRun = 0;
    bool heardSound = false; // a pause counts only once sound came before it
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int level = std::abs(static_cast<int>(samples[i]));
        if (level < quiet) {
            ++quietRun;
            continue;
        }
        if (heardSound && quietRun >= minGap)
            found.push_back({i, quietRun * 1000.0 / rate});
        heardSound = heardSound || level > loud;
        quietRun = 0;
    }
    return found;
}

double toneShare(const std::vector<std::int16_t> &samples) {
    const std::size_t windows = samples.size() / window;
    if (windows == 0)
        return 0;
    std::size_t tone = 0;
    for (std::size_t w = 0; w < windows; ++w) {
        const std::int16_t *s = samples.data() + w * window;
        double energy = 0;
        int crossings = 0;
        for (std::size_t i = 0; i < window; ++i) {
            energy += double(s[i]) * s[i];
            if (i > 0 && (s[i - 1] < 0) != (s[i] < 0))
                ++crossings;
        }
        // 1 kHz crosses zero 20 times in 10 ms.
        if (std::sqrt(energy / window) > loud && crossings >= 18 && crossings <= 22)
            ++tone;
    }
    return double(tone) / double(windows);
}

int peak(const std::vector<std::int16_t> &samples) {
    int highest = 0;
    for (const std::int16_t s : samples)
        highest = std::max(highest, std::abs(static_cast<int>(s)));
    return highest;
}

} // namespace tonesignal
