// The bridge's entry points and its worker. KestraLive calls KestraMIC_Start and KestraMIC_Stop
// once each on its GUI thread; both return at once (Stop after at most about half a second),
// and everything else runs on the worker thread.
//
// The worker publishes the microphone, then plays the sound of the camera paired with the
// first virtual camera, re-reading the pairing before every attempt and trying again every
// 2 s after any failure. The microphone stays published and silent while there is nothing to
// play.
#include "cameraaudio.h"
#include "config/pairingfile.h"
#include "miclog.h"
#include "soundserver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace Kestra {

namespace {

constexpr int kRetryWaitMs = 2000;
constexpr int kCameraSlot = 1;

class Bridge {
public:
    // A process that ends without Stop still takes the microphone away.
    ~Bridge() { Stop(); }

    void Start() {
        std::lock_guard control(controlMutex_);
        if (worker_.joinable())
            return;
        MicLogOpen();
        MicLog("microphone bridge starting");
        stop_.store(false);
        worker_ = std::thread([this] { Run(); });
    }

    void Stop() {
        std::lock_guard control(controlMutex_);
        if (!worker_.joinable())
            return;
        {
            std::lock_guard lock(waitMutex_);
            stop_.store(true);
        }
        wake_.notify_all();
        worker_.join();
        MicLog("microphone bridge stopped");
        MicLogClose();
    }

private:
    void WaitOrStop(int ms) {
        std::unique_lock lock(waitMutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
    }

    void Run() {
        SoundServer server(stop_);
        std::string reported; // the last "nothing to play" reason, logged once until it changes
        while (!stop_.load()) {
            if (!server.IsReady() && !server.Open()) {
                WaitOrStop(kRetryWaitMs);
                continue;
            }
            const std::string host = ReadPairedCameraAddress(kCameraSlot);
            if (host.empty() || host == "Error") {
                const std::string reason = host.empty() ? "no camera paired" : "no pairing file";
                if (reason != reported)
                    MicLog("%s, the microphone is silent", reason.c_str());
                reported = reason;
                WaitOrStop(kRetryWaitMs);
                continue;
            }
            reported.clear();
            if (PlayCameraAudio(host, server, stop_) != CameraAudioEnd::Stopped)
                WaitOrStop(kRetryWaitMs);
        }
        server.Close();
    }

    std::mutex controlMutex_; // Start and Stop
    std::mutex waitMutex_;
    std::condition_variable wake_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

Bridge &TheBridge() {
    static Bridge bridge;
    return bridge;
}

} // namespace

} // namespace Kestra

extern "C" __attribute__((visibility("default"))) void KestraMIC_Start(void) {
    Kestra::TheBridge().Start();
}

extern "C" __attribute__((visibility("default"))) void KestraMIC_Stop(void) {
    Kestra::TheBridge().Stop();
}
