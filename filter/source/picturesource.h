// Where the pin's pictures come from: the camera receiver of the pin's slot. The pin owns one
// and asks it for a picture once per sample; without one the pin shows its placeholder.
//
// Threads: created and destroyed by the pin on application threads; Start, Play, Hold and
// DecodeNextFrame run on the pin's streaming thread under the pin's fill lock; IsStreaming may
// be read from any thread. Implementations keep whatever they share with their own threads to
// themselves.
#pragma once

#include <chrono>

struct AVFrame;

namespace Kestra {

// DecodeNextFrame's results besides FFmpeg's own codes.
enum DecodeResult : int {
    kQueueEmpty = -13200,
    kBacklogTooSoon = -13201, // 6 or more queued, less than 10 ms since the last decode
    kFewTooSoon = -13202,     // 2 to 5 queued, less than half a frame interval
    kNothingToPop = -13192,
};

class PictureSource {
public:
    virtual ~PictureSource() = default;

    // Called at every start of the pin's streaming (the graph leaves stopped); a running source
    // keeps running.
    virtual void Start() = 0;
    // The pin delivers from now on (the graph runs): pictures from the next key frame on.
    virtual void Play() = 0;
    // The pin delivers nothing for now (paused or stopped): whatever arrives is discarded, so
    // that nothing stale waits for the next Play.
    virtual void Hold() = 0;
    // 0 with a picture in system memory in frame, else a negative code (none ready yet).
    // frameRateValue is the pin's nominal rate (25, 30, 50 or 60), for pacing.
    virtual int DecodeNextFrame(AVFrame *frame, int frameRateValue) = 0;
    // True while a camera stream is open: no picture then means "wait", not "placeholder".
    virtual bool IsStreaming() const = 0;
    // Returns when a compressed picture is waiting to be decoded, or at the deadline.
    virtual void WaitForPacket(std::chrono::steady_clock::time_point deadline) = 0;
};

} // namespace Kestra
