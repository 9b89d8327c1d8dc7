#include "streamreceiver.h"

#include "config/pairingfile.h"
#include "config/vclog.h"
#include "platform/mainwindow.h"
#include "platform/moduleinfo.h"
#include "vcam/messages.h"
#include "videodecoder.h"

#include <cassert>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

namespace Kestra {

namespace {

constexpr int kRetryWaitMs = 2000;
constexpr int kWindowPollMs = 100;
constexpr int64_t kWindowWatchMs = 10000;

void InitialiseFfmpegOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        avdevice_register_all();
        avformat_network_init();
    });
}

// Built afresh for every attempt: opening an input consumes the entries it used.
AVDictionary *OpenOptions() {
    AVDictionary *options = nullptr;
    av_dict_set(&options, "rtsp_transport", "tcp", 0);
    av_dict_set(&options, "allowed_media_types", "video", 0);
    av_dict_set(&options, "fflags", "nobuffer", 0);
    av_dict_set(&options, "timeout", "1000000", 0);
    return options;
}

// The session description carries the H.264 parameter sets, which is all the decoder needs;
// probing instead would read and (with "nobuffer") throw away the first key frame.
bool HasDecoderParameters(const AVStream &stream) {
    return stream.codecpar->codec_id != AV_CODEC_ID_NONE && stream.codecpar->extradata_size > 0;
}

// The audio track is opened as the camera offers it but its packets are dropped.
bool OpenAudioDecoder(int slot, AVStream &stream) {
    AVCodecContext *context = avcodec_alloc_context3(nullptr);
    if (!context)
        return false;
    bool opened = false;
    if (avcodec_parameters_to_context(context, stream.codecpar) < 0) {
        VCLogTo(slot, 10,
                "Failed to copy decoder parameters to input decoder context for stream #%u\n",
                static_cast<unsigned>(stream.index));
    } else if (const AVCodec *codec = avcodec_find_decoder(context->codec_id); !codec) {
        VCLogTo(slot, 10, "No decoder could be found for codec %s\n",
                avcodec_get_name(context->codec_id));
    } else {
        context->pkt_timebase = stream.time_base;
        if (const int result = avcodec_open2(context, codec, nullptr); result < 0)
            VCLogTo(slot, 10, "Open decoder failed %d\n", result);
        else
            opened = true;
    }
    stream.discard = AVDISCARD_DEFAULT;
    avcodec_free_context(&context);
    return opened;
}

} // namespace

StreamReceiver::StreamReceiver(int slot) : slot_(slot) {}

StreamReceiver::~StreamReceiver() {
    assert(std::this_thread::get_id() != thread_.get_id());
    {
        std::lock_guard lock(stopMutex_);
        stop_.store(true, std::memory_order_release);
    }
    stopCondition_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void StreamReceiver::Start() {
    assert(std::this_thread::get_id() != thread_.get_id());
    if (thread_.joinable() && !HasEnded())
        return;
    if (thread_.joinable())
        thread_.join();
    InitialiseFfmpegOnce();
    ended_.store(false, std::memory_order_release);
    thread_ = std::thread(&StreamReceiver::Run, this);
}

bool StreamReceiver::WaitOrStop(int ms) {
    std::unique_lock lock(stopMutex_);
    return stopCondition_.wait_for(lock, std::chrono::milliseconds(ms),
                                   [this] { return Stopping(); });
}

int StreamReceiver::Interrupted(void *receiver) {
    return static_cast<StreamReceiver *>(receiver)->Stopping() ? 1 : 0;
}

void StreamReceiver::Run() {
    if (!WaitOrStop(kRetryWaitMs)) {
        while (!Stopping() && Connect() == Next::Retry) {
        }
    }
    queue_.Clear();
    streaming_.store(false, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
}

StreamReceiver::Next StreamReceiver::Connect() {
    streaming_.store(false, std::memory_order_release);
    if (!MainWindowExists()) {
        WaitOrStop(kWindowPollMs);
        return Next::Retry;
    }
    const std::string host = ReadPairedCameraAddress(slot_);
    if (host == "Error")
        return Next::End;
    // An empty value is a slot without a camera: "rtsp:///..." would reach this very PC.
    if (host.empty()) {
        if (!unpairedReported_)
            VCLogTo(slot_, 10, "no camera paired with this camera slot, waiting\n");
        unpairedReported_ = true;
        WaitOrStop(kRetryWaitMs);
        return Next::Retry;
    }
    unpairedReported_ = false;
    const std::string address = StreamAddressFor(host);

    AVFormatContext *input = avformat_alloc_context();
    if (!input) {
        VCLogTo(slot_, 10, "Could not allocate context.\n");
        return Next::End;
    }
    input->interrupt_callback = {&StreamReceiver::Interrupted, this};
    AVDictionary *options = OpenOptions();
    const int opened =
        avformat_open_input(&input, address.c_str(), av_find_input_format("rtsp"), &options);
    av_dict_free(&options);
    if (opened < 0) {
        VCLogTo(slot_, 10, "open input file failed.%d\n", opened);
        avformat_close_input(&input);
        WaitOrStop(kRetryWaitMs);
        return Next::Retry;
    }

    auto closeAndRetry = [&] {
        avformat_close_input(&input);
        WaitOrStop(kRetryWaitMs);
        return Next::Retry;
    };

    av_format_inject_global_side_data(input);
    const AVCodec *videoCodec = nullptr;
    const int video = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &videoCodec, 0);
    if (video < 0 || !HasDecoderParameters(*input->streams[video])) {
        if (avformat_find_stream_info(input, nullptr) < 0) {
            VCLogTo(slot_, 10, "Cannot find stream information\n");
            return closeAndRetry();
        }
    }
    const int videoStream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &videoCodec, 0);
    const int audioStream =
        av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, videoStream, nullptr, 0);
    if (videoStream < 0 || !videoCodec) {
        VCLogTo(slot_, 10, "no video stream at %s, retrying.\n", address.c_str());
        return closeAndRetry();
    }
    AVStream &stream = *input->streams[videoStream];
    stream.sample_aspect_ratio = av_guess_sample_aspect_ratio(input, &stream, nullptr);
    if (stream.codecpar->width != 0)
        VCLogTo(slot_, 10, "Input Video width=%d  height=%d\n", stream.codecpar->width,
                stream.codecpar->height);

    VideoDecoder::Opened decoder =
        VideoDecoder::Open(slot_, stream, *videoCodec, !softwareReported_);
    if (!decoder.decoder)
        return closeAndRetry();
    if (!decoder.softwareBecause.empty() && !softwareReported_) {
        VCLogTo(slot_, 10, "Decoder %s does not support device type %s, decoding in software.\n",
                decoder.decoder->Name(), decoder.softwareBecause.c_str());
        softwareReported_ = true;
    }
    if (audioStream >= 0 && !OpenAudioDecoder(slot_, *input->streams[audioStream]))
        return closeAndRetry();

    const Next next = ReadPackets(input, videoStream, decoder.decoder);
    // Closed at once, so the pin shows its placeholder during the wait rather than holding
    // the last picture.
    streaming_.store(false, std::memory_order_release);
    avformat_close_input(&input);
    if (next == Next::Retry)
        WaitOrStop(kRetryWaitMs);
    return next;
}

StreamReceiver::Next StreamReceiver::ReadPackets(AVFormatContext *input, int videoStream,
                                                 const std::shared_ptr<VideoDecoder> &decoder) {
    // The new decoder starts at a key frame.
    queue_.AwaitKeyFrame();
    streaming_.store(true, std::memory_order_release);
    connections_.fetch_add(1, std::memory_order_acq_rel);
    while (!Stopping()) {
        AVPacket *packet = av_packet_alloc();
        if (!packet) {
            VCLogTo(slot_, 10, "Could not allocate packet.\n");
            return Next::End;
        }
        if (av_read_frame(input, packet) < 0) {
            av_packet_free(&packet);
            return Next::Retry;
        }
        const int64_t now = static_cast<int64_t>(TickCountMs());
        if (lastWindowCheckMs_ < 0 || now - lastWindowCheckMs_ > kWindowWatchMs) {
            if (!MainWindowExists()) {
                av_packet_free(&packet);
                return Next::Retry;
            }
            lastWindowCheckMs_ = now;
        }
        if (packet->stream_index != videoStream) {
            av_packet_free(&packet);
            continue;
        }
        const PacketQueue::Pushed pushed = queue_.Push(packet, decoder);
        if (pushed == PacketQueue::Pushed::Full)
            VCLogTo(slot_, 10, "drop current video packet.\n");
        if (pushed != PacketQueue::Pushed::Queued)
            av_packet_free(&packet);
    }
    return Next::End;
}

int StreamReceiver::DecodeNextFrame(AVFrame *frame, int frameRateValue) {
    const int64_t now = static_cast<int64_t>(TickCountMs());
    if (lastDecodeMs_ < 0)
        lastDecodeMs_ = now;
    const size_t count = queue_.Size();
    if (count == 0)
        return kQueueEmpty;
    const int64_t elapsed = now - lastDecodeMs_;
    if (lastPacketPts_ != 0) {
        // A backlog drains back to the live edge: at one packet per frame interval a few
        // queued packets would stay queued, and every picture that late, for good.
        if (count >= 6 && elapsed < 10)
            return kBacklogTooSoon;
        if (count >= 2 && count <= 5 && frameRateValue > 0 && elapsed < 500 / frameRateValue)
            return kFewTooSoon;
        // A lone packet is decoded at once: holding it back would delay every picture of a
        // camera that keeps up.
    }
    lastDecodeMs_ = now;
    QueuedPacket entry = queue_.Pop();
    if (!entry.packet)
        return kNothingToPop;
    const int sent = entry.decoder->SendPacket(*entry.packet);
    if (sent < 0) {
        VCLogTo(slot_, 10, "send packet to decoder failed %d\n", sent);
        av_packet_free(&entry.packet);
        return sent;
    }
    lastPacketPts_ = entry.packet->pts;
    av_packet_free(&entry.packet);
    return entry.decoder->ReceivePicture(frame);
}

} // namespace Kestra
