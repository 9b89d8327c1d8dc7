#include "soundserver.h"

#include "miclog.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace Kestra {

namespace {

constexpr char kSinkName[] = "kestra_mic_sink";
constexpr char kSourceName[] = "kestra_mic";
constexpr int kConnectTimeoutMs = 2000;
constexpr int kRequestTimeoutMs = 1000;
// Unloading runs during a stop, which must end within half a second.
constexpr int kUnloadTimeoutMs = 150;
constexpr int kDropReportIntervalUs = 5000000;
constexpr std::size_t kFrameBytes = SoundServer::kChannels * sizeof(std::int16_t);

std::uint32_t BytesFor(int ms) {
    return static_cast<std::uint32_t>(SoundServer::kRate * ms / 1000 * kFrameBytes);
}

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct ModuleReply {
    bool done = false;
    std::uint32_t index = PA_INVALID_INDEX;
};

void OnModuleLoaded(pa_context *, std::uint32_t index, void *data) {
    auto *reply = static_cast<ModuleReply *>(data);
    reply->index = index;
    reply->done = true;
}

struct Leftovers {
    bool done = false;
    std::vector<std::uint32_t> indices;
};

void OnModuleInfo(pa_context *, const pa_module_info *info, int eol, void *data) {
    auto *leftovers = static_cast<Leftovers *>(data);
    if (eol != 0 || !info) {
        leftovers->done = true;
        return;
    }
    const std::string arguments = info->argument ? info->argument : "";
    if (arguments.find(std::string("sink_name=") + kSinkName + " ") != std::string::npos ||
        arguments.find(std::string("source_name=") + kSourceName + " ") != std::string::npos)
        leftovers->indices.push_back(info->index);
}

void OnSuccess(pa_context *, int, void *data) {
    *static_cast<bool *>(data) = true;
}

} // namespace

SoundServer::SoundServer(const std::atomic<bool> &stop)
    : stop_(stop), sinkModule_(PA_INVALID_INDEX), sourceModule_(PA_INVALID_INDEX) {}

SoundServer::~SoundServer() {
    Close();
}

// Called with the loop locked; polls rather than waiting for a signal so that the deadline and
// the stop flag are honoured whatever the server does.
template <class Done> bool SoundServer::Wait(Done done, int timeoutMs, bool endOnStop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if ((endOnStop && stop_.load()) || std::chrono::steady_clock::now() >= deadline)
            return false;
        pa_threaded_mainloop_unlock(loop_);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        pa_threaded_mainloop_lock(loop_);
    }
    return true;
}

bool SoundServer::Open() {
    Close();
    loop_ = pa_threaded_mainloop_new();
    if (!loop_ || pa_threaded_mainloop_start(loop_) < 0) {
        MicLog("sound server: cannot start the client loop");
        Close();
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "KestraLive microphone");
    bool ready = false;
    if (context_ && pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        Wait(
            [this] {
                const pa_context_state_t state = pa_context_get_state(context_);
                return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
            },
            kConnectTimeoutMs, true);
        ready = pa_context_get_state(context_) == PA_CONTEXT_READY;
    }
    if (!ready) {
        const int error = context_ ? pa_context_errno(context_) : PA_ERR_INTERNAL;
        pa_threaded_mainloop_unlock(loop_);
        MicLog("sound server: not reachable (%s)", pa_strerror(error));
        Close();
        return false;
    }
    UnloadLeftovers();
    // A value with blanks is quoted as a whole; the property list inside it quotes again.
    const std::string sinkArguments =
        std::string("sink_name=") + kSinkName +
        " sink_properties='device.description=\"Kestra Microphone sink\"' rate=48000 channels=2";
    const std::string sourceArguments =
        std::string("master=") + kSinkName + ".monitor source_name=" + kSourceName +
        " source_properties='device.description=\"Kestra Microphone\"'";
    const bool published =
        LoadModule("module-null-sink", sinkArguments.c_str(), sinkModule_) &&
        LoadModule("module-remap-source", sourceArguments.c_str(), sourceModule_) && OpenStream();
    if (published)
        RestartSinkClock();
    pa_threaded_mainloop_unlock(loop_);
    if (!published) {
        Close();
        return false;
    }
    MicLog("sound server: microphone published (modules %u, %u)", sinkModule_, sourceModule_);
    return true;
}

// Loop locked. A null sink starts with a 2 s block and follows a lower latency only after it:
// suspending and resuming it starts its clock again at the stream's latency, so recording
// programs get sound from the start rather than two seconds later.
void SoundServer::RestartSinkClock() {
    for (const int suspend : {1, 0}) {
        bool done = false;
        pa_operation *operation = pa_context_suspend_sink_by_name(
            context_, kSinkName, suspend,
            [](pa_context *, int, void *flag) { *static_cast<bool *>(flag) = true; }, &done);
        if (!operation)
            return;
        if (!Wait([&] { return done; }, kRequestTimeoutMs, true))
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
}

// Loop locked.
bool SoundServer::LoadModule(const char *name, const char *arguments, std::uint32_t &index) {
    ModuleReply reply;
    pa_operation *operation =
        pa_context_load_module(context_, name, arguments, OnModuleLoaded, &reply);
    if (!operation) {
        MicLog("sound server: cannot ask for %s", name);
        return false;
    }
    const bool answered = Wait([&] { return reply.done; }, kRequestTimeoutMs, true);
    if (!answered)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    if (!answered || reply.index == PA_INVALID_INDEX) {
        MicLog("sound server: %s not loaded (%s)", name,
               answered ? pa_strerror(pa_context_errno(context_)) : "no answer");
        return false;
    }
    index = reply.index;
    return true;
}

// Loop locked.
void SoundServer::UnloadModule(std::uint32_t &index) {
    if (index == PA_INVALID_INDEX)
        return;
    bool done = false;
    if (pa_operation *operation = pa_context_unload_module(context_, index, OnSuccess, &done)) {
        if (!Wait([&] { return done; }, kUnloadTimeoutMs, false))
            pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
    if (!done)
        MicLog("sound server: module %u not unloaded", index);
    index = PA_INVALID_INDEX;
}

// Loop locked. A run that ended without unloading left its modules; loading ours beside them
// would give the sink another name and the microphone would stay on the old one.
void SoundServer::UnloadLeftovers() {
    Leftovers leftovers;
    pa_operation *operation = pa_context_get_module_info_list(context_, OnModuleInfo, &leftovers);
    if (!operation)
        return;
    if (!Wait([&] { return leftovers.done; }, kRequestTimeoutMs, true))
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    // The source sits on the sink: the later module goes first.
    std::sort(leftovers.indices.rbegin(), leftovers.indices.rend());
    for (std::uint32_t index : leftovers.indices) {
        MicLog("sound server: unloading module %u left by an earlier run", index);
        UnloadModule(index);
    }
}

// Loop locked.
bool SoundServer::OpenStream() {
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, kRate, kChannels};
    stream_ = pa_stream_new(context_, "Camera sound", &sampleFormat, nullptr);
    if (!stream_)
        return false;
    // The server keeps the whole delay (queue and sink) near the target, with the usual
    // cushion against network jitter before playback starts (again); Admissible() bounds the
    // rest on the stream's interpolated timing.
    pa_buffer_attr attributes{};
    attributes.maxlength = BytesFor(kMaxQueuedMs);
    attributes.tlength = BytesFor(kTargetMs);
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, kSinkName, &attributes, flags, nullptr, nullptr) < 0) {
        MicLog("sound server: playback not started (%s)", pa_strerror(pa_context_errno(context_)));
        return false;
    }
    Wait(
        [this] {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        },
        kRequestTimeoutMs, true);
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
        MicLog("sound server: playback stream not ready (%s)",
               pa_strerror(pa_context_errno(context_)));
        return false;
    }
    return true;
}

// Loop locked.
std::size_t SoundServer::Admissible(std::size_t bytes) {
    pa_usec_t delayUs = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &delayUs, &negative) < 0) {
        // No timing from the server yet: its own request is the bound.
        const std::size_t room = pa_stream_writable_size(stream_);
        return room == static_cast<std::size_t>(-1) ? 0
                                                    : std::min(bytes, room - room % kFrameBytes);
    }
    const std::int64_t delayMs = negative ? 0 : static_cast<std::int64_t>(delayUs / 1000);
    const std::int64_t now = NowUs();
    if (catchingUp_ && delayMs <= kTargetMs / 2)
        catchingUp_ = false;
    if (delayMs <= kCatchUpAboveMs)
        aboveSinceUs_ = 0;
    else if (aboveSinceUs_ == 0)
        aboveSinceUs_ = now;
    else if (now - aboveSinceUs_ >= kCatchUpAfterMs * 1000)
        catchingUp_ = true;
    if (catchingUp_ || delayMs >= kMaxQueuedMs)
        return 0;
    const std::size_t room = BytesFor(static_cast<int>(kMaxQueuedMs - delayMs));
    return std::min(bytes, room);
}

bool SoundServer::IsReady() {
    if (!loop_ || !context_ || !stream_)
        return false;
    pa_threaded_mainloop_lock(loop_);
    const bool ready = pa_context_get_state(context_) == PA_CONTEXT_READY &&
                       pa_stream_get_state(stream_) == PA_STREAM_READY;
    pa_threaded_mainloop_unlock(loop_);
    return ready;
}

bool SoundServer::Write(const std::int16_t *frames, std::size_t count) {
    if (!loop_ || !stream_)
        return false;
    const std::size_t bytes = count * kFrameBytes;
    pa_threaded_mainloop_lock(loop_);
    bool ok = pa_stream_get_state(stream_) == PA_STREAM_READY;
    const std::size_t taken = ok ? Admissible(bytes) : 0;
    if (taken > 0 && pa_stream_write(stream_, frames, taken, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        ok = false;
    pa_threaded_mainloop_unlock(loop_);
    if (!ok) {
        MicLog("sound server: playback lost");
        return false;
    }
    droppedBytes_ += static_cast<std::int64_t>(bytes - taken);
    const std::int64_t now = NowUs();
    if (droppedBytes_ > 0 && now - lastDropReportUs_ >= kDropReportIntervalUs) {
        MicLog("sound server: %lld ms of sound dropped to keep the delay down (at most %d ms)",
               static_cast<long long>(droppedBytes_ * 1000 / (kRate * kFrameBytes)), kMaxQueuedMs);
        droppedBytes_ = 0;
        lastDropReportUs_ = now;
    }
    return true;
}

void SoundServer::Close() {
    if (!loop_)
        return;
    pa_threaded_mainloop_lock(loop_);
    if (stream_) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        if (pa_context_get_state(context_) == PA_CONTEXT_READY) {
            UnloadModule(sourceModule_);
            UnloadModule(sinkModule_);
        }
        sourceModule_ = sinkModule_ = PA_INVALID_INDEX;
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

} // namespace Kestra
