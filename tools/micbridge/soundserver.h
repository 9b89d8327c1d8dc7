// The bridge's face in the user's sound server (PulseAudio, or PipeWire's Pulse service): a null
// sink "kestra_mic_sink" that takes the camera's sound, the source "kestra_mic" described as
// "Kestra Microphone" that offers the sink's monitor to recording programs, and a playback
// stream into the sink.
//
// Open() loads both modules (after unloading any a crashed run left behind) and Close() unloads
// them again, so the microphone exists exactly while the bridge runs. The server keeps the
// delay near kTargetMs; Write() drops what would queue more than kMaxQueuedMs, and after a
// burst from the network (the delay above kCatchUpAboveMs for kCatchUpAfterMs) drops until the
// delay is at half the target, where a fresh start leaves it, so the sound does not stay late
// behind the picture. Drops are logged at most every few seconds.
//
// Used by the bridge's worker thread only; libpulse runs its own event thread inside. Every wait
// has a deadline, and the waits of Open() also end when the stop flag is set, so a stop is never
// held up by a server that does not answer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace Kestra {

class SoundServer {
public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;
    static constexpr int kTargetMs = 60;
    static constexpr int kMaxQueuedMs = 200;
    static constexpr int kCatchUpAboveMs = 120;
    static constexpr int kCatchUpAfterMs = 2000;

    explicit SoundServer(const std::atomic<bool> &stop);
    ~SoundServer();
    SoundServer(const SoundServer &) = delete;
    SoundServer &operator=(const SoundServer &) = delete;

    // Connects and publishes the microphone; false (logged, everything undone) on failure.
    bool Open();
    // Connected with a working playback stream.
    bool IsReady();
    // Queues interleaved signed 16-bit frames at kRate with kChannels; false once the server
    // is gone.
    bool Write(const std::int16_t *frames, std::size_t count);
    // Unloads the modules and disconnects; harmless when closed already.
    void Close();

private:
    template <class Done> bool Wait(Done done, int timeoutMs, bool endOnStop);
    bool LoadModule(const char *name, const char *arguments, std::uint32_t &index);
    void UnloadModule(std::uint32_t &index);
    void UnloadLeftovers();
    bool OpenStream();
    void RestartSinkClock();
    std::size_t Admissible(std::size_t bytes);

    const std::atomic<bool> &stop_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    pa_stream *stream_ = nullptr;
    std::uint32_t sinkModule_;
    std::uint32_t sourceModule_;
    std::int64_t droppedBytes_ = 0;
    std::int64_t lastDropReportUs_ = 0;
    std::int64_t aboveSinceUs_ = 0; // since when the delay is above kCatchUpAboveMs, or 0
    bool catchingUp_ = false;
};

} // namespace Kestra
