// Sample times for camera pictures. A picture's time stamp is in the camera stream's own time
// base (90 kHz for RTSP) and starts anywhere; samples are in 100 ns units and must follow the
// placeholder samples before them without a gap or a step back. The clock anchors the stream's
// time stamps to the sample time at the first picture of a run and keeps their spacing; a
// jump backwards or of more than a second starts a new anchor.
//
// Threads: the pin's streaming thread only (under the fill lock).
#pragma once

#include <cstdint>
#include <optional>

extern "C" {
#include <libavutil/rational.h>
}

namespace Kestra {

class PictureClock {
public:
    // The stop time of a picture whose sample starts at start; frameTime is the average time
    // per frame of the negotiated type (100 ns units).
    int64_t StopTime(int64_t pts, AVRational timeBase, int64_t start, int64_t frameTime);
    // The next picture starts a new run (placeholder shown, or a new connection).
    void Restart() { offset_.reset(); }

private:
    std::optional<int64_t> offset_;
};

} // namespace Kestra
