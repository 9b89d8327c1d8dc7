// The RTSP receiver of one pin: a thread that keeps a connection open to the camera paired
// with the pin's slot, reads its H.264 packets into the packet queue, and reconnects by itself
// after every failure; and DecodeNextFrame, which the pin's FillBuffer calls to take one
// packet at a paced rate and decode it.
//
// The receiver waits while KestraLive's main window is absent, reads the pairing again at
// every attempt, and ends for good only when the pin is destroyed, the slot is not paired, or
// an allocation fails. It keeps its connection while the pin does not deliver (graph paused or
// stopped) but queues nothing then, and after Play it queues from the next key frame on. The
// pin, not the receiver, tells KestraLive when the slot stops streaming.
//
// Threads: created and destroyed by the pin (application threads); Start runs on the pin's
// streaming thread (OnThreadCreate), Play, Hold and DecodeNextFrame on the streaming thread
// under the pin's fill lock; the receiver thread owns the connection. They share only the
// packet queue (its own mutex), the atomic flags and the stop condition (stopMutex_). The
// pacing state is the streaming thread's alone.
#pragma once

#include "packetqueue.h"
#include "source/picturesource.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct AVFormatContext;
struct AVFrame;

namespace Kestra {

class StreamReceiver final : public PictureSource {
public:
    explicit StreamReceiver(int slot);
    StreamReceiver(const StreamReceiver &) = delete;
    StreamReceiver &operator=(const StreamReceiver &) = delete;
    // Stops the thread, which interrupts a blocking network call, and joins it.
    ~StreamReceiver() override;

    // Starts the receiver thread; keeps one that is still running, replaces one that ended.
    void Start() override;
    void Play() override { queue_.Open(); }
    void Hold() override { queue_.Close(); }
    // 0 with a picture in system memory in frame (time base set), else a negative code.
    // frameRateValue is the pin's nominal rate (25, 30, 50 or 60) for the pacing.
    int DecodeNextFrame(AVFrame *frame, int frameRateValue) override;
    void WaitForPacket(std::chrono::steady_clock::time_point deadline) override {
        queue_.WaitForPacket(deadline);
    }
    // True while a connection is open and being read.
    bool IsStreaming() const override { return streaming_.load(std::memory_order_acquire); }
    // Counts the connections that reached streaming; lets the pin report a problem once per
    // connection.
    uint32_t ConnectionNumber() const { return connections_.load(std::memory_order_acquire); }
    bool HasEnded() const { return ended_.load(std::memory_order_acquire); }

private:
    enum class Next { Retry, End };

    void Run();
    Next Connect();
    Next ReadPackets(AVFormatContext *input, int videoStream,
                     const std::shared_ptr<VideoDecoder> &decoder);
    // Sleeps up to ms, in 100 ms steps, returning early (true) when stopping.
    bool WaitOrStop(int ms);
    bool Stopping() const { return stop_.load(std::memory_order_acquire); }
    static int Interrupted(void *receiver);

    const int slot_;
    PacketQueue queue_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> streaming_{false};
    std::atomic<bool> ended_{false};
    std::atomic<uint32_t> connections_{0};
    std::mutex stopMutex_; // with stopCondition_, wakes WaitOrStop at once on destruction
    std::condition_variable stopCondition_;

    // Receiver thread only.
    int64_t lastWindowCheckMs_ = -1;
    bool softwareReported_ = false;
    bool unpairedReported_ = false; // until a camera is paired again

    // Streaming thread only.
    int64_t lastDecodeMs_ = -1;
    int64_t lastPacketPts_ = 0;
};

} // namespace Kestra
