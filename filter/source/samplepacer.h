// When a pin's next sample is due. A live camera delivers one picture per frame time; so does
// the placeholder, instead of as fast as the application can take samples, and a pause in the
// camera stream is bridged by repeating the last sample half a frame time late, so that the
// application's sample loop never waits much longer than one and a half frame times.
//
// Threads: the pin's streaming thread only (under the fill lock).
#pragma once

#include <chrono>
#include <optional>

namespace Kestra {

class SamplePacer {
public:
    using Clock = std::chrono::steady_clock;

    // One frame time after the last delivery; now for the first sample, and now again after a
    // pause longer than a frame time, so that a late application gets no burst of samples.
    Clock::time_point Due(Clock::duration frameTime, Clock::time_point now) const;
    void Delivered(Clock::time_point now) { last_ = now; }
    void Restart() { last_.reset(); }

private:
    std::optional<Clock::time_point> last_;
};

// The frame time of an average time per frame in 100 ns units, bounded to 1 ms..1 s so that
// a strange type can neither spin the streaming thread nor stall it.
SamplePacer::Clock::duration FrameTime(long long avgTimePerFrame);

} // namespace Kestra
