// Plays one camera's sound into the sound server: opens rtsp://<host>/livestream/11 over TCP
// (the audio track only), decodes it and resamples it to the server's format.
//
// Runs on the bridge's worker thread. Every blocking FFmpeg call ends soon after the stop flag
// is set, through the input's interrupt callback.
#pragma once

#include <atomic>
#include <string>

namespace Kestra {

class SoundServer;

enum class CameraAudioEnd {
    Stopped,     // the stop flag was set
    Unavailable, // no connection, no audio track or no decoder for it
    Lost,        // the stream ended or broke off
    ServerLost,  // the sound server went away
};

CameraAudioEnd PlayCameraAudio(const std::string &host, SoundServer &server,
                               const std::atomic<bool> &stop);

} // namespace Kestra
