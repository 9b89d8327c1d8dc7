#include "samplepacer.h"

#include <algorithm>

namespace Kestra {

SamplePacer::Clock::time_point SamplePacer::Due(Clock::duration frameTime,
                                                Clock::time_point now) const {
    if (!last_ || now - *last_ > 2 * frameTime)
        return now;
    return *last_ + frameTime;
}

SamplePacer::Clock::duration FrameTime(long long avgTimePerFrame) {
    using namespace std::chrono;
    const auto frame = duration_cast<SamplePacer::Clock::duration>(
        duration<long long, std::ratio<1, 10'000'000>>(avgTimePerFrame));
    return std::clamp<SamplePacer::Clock::duration>(frame, milliseconds(1), seconds(1));
}

} // namespace Kestra
