// The video decoder of one camera connection: FFmpeg's decoder for the stream, on the graphics
// hardware where the platform offers a device (DXVA2 on Windows; VAAPI, then CUDA on Linux),
// in software otherwise, also when the device opened but cannot decode the stream. Pictures
// always come out in system memory.
//
// Threads: opened on the receiver thread, then used only by the pin's streaming thread; it is
// shared (shared_ptr) by the packets of its connection, so a reconnection never frees a
// decoder the streaming thread is still feeding.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct AVCodec;
struct AVCodecContext;
struct AVBufferRef;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace Kestra {

class VideoDecoder {
public:
    struct Opened {
        std::shared_ptr<VideoDecoder> decoder; // null on failure
        int error = 0;                         // FFmpeg's code on failure
        // When decoding fell back to software: the device types that were tried, e.g.
        // "vaapi, cuda", for the one log line that says so.
        std::string softwareBecause;
    };
    // Opens the decoder for a stream with the decoder FFmpeg proposed for it. Failures are
    // logged with the decoder lines of the filter log; a hardware device that cannot be
    // created only when reportDeviceFailure is set, so that reconnections do not repeat it.
    // Its lines go to the log of the pin's slot.
    static Opened Open(int slot, const AVStream &stream, const AVCodec &codec,
                       bool reportDeviceFailure);

    VideoDecoder(const VideoDecoder &) = delete;
    VideoDecoder &operator=(const VideoDecoder &) = delete;
    ~VideoDecoder();

    int SendPacket(const AVPacket &packet);
    // 0 with a picture in system memory, time base set to the stream's; negative otherwise.
    int ReceivePicture(AVFrame *frame);
    const char *Name() const;
    bool UsesHardware() const { return hardwareFormat_ != AV_PIX_FMT_NONE; }

private:
    explicit VideoDecoder(int slot) : slot_(slot) {}
    static AVPixelFormat ChooseSurfaceFormat(AVCodecContext *context, const AVPixelFormat *offered);

    const int slot_;
    AVCodecContext *context_ = nullptr;
    AVBufferRef *hardwareDevice_ = nullptr;
    AVPixelFormat hardwareFormat_ = AV_PIX_FMT_NONE;
    AVRational timeBase_{0, 1};
};

} // namespace Kestra
