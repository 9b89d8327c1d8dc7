#include "cameraaudio.h"

#include "config/pairingfile.h"
#include "miclog.h"
#include "soundserver.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

namespace Kestra {

namespace {

constexpr int kMaxRate = 384000;
constexpr int kMaxChannels = 16;

std::string ErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

int Interrupted(void *stop) {
    return static_cast<const std::atomic<bool> *>(stop)->load() ? 1 : 0;
}

struct InputCloser {
    void operator()(AVFormatContext *input) const { avformat_close_input(&input); }
};
struct DecoderCloser {
    void operator()(AVCodecContext *decoder) const { avcodec_free_context(&decoder); }
};
struct PacketFree {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};

// Converts decoded frames of any layout, sample format and rate to the server's format;
// follows a change of input format by setting itself up again.
class Resampler {
public:
    ~Resampler() { swr_free(&swr_); }

    // Empty when the frame's format is not one the bridge can play.
    const std::vector<std::int16_t> *Convert(const AVFrame &frame) {
        if (!Matches(frame) && !Setup(frame))
            return nullptr;
        const int room = swr_get_out_samples(swr_, frame.nb_samples);
        if (room <= 0)
            return nullptr;
        out_.resize(static_cast<std::size_t>(room) * SoundServer::kChannels);
        auto *target = reinterpret_cast<std::uint8_t *>(out_.data());
        const int converted =
            swr_convert(swr_, &target, room, const_cast<const std::uint8_t **>(frame.extended_data),
                        frame.nb_samples);
        if (converted < 0)
            return nullptr;
        out_.resize(static_cast<std::size_t>(converted) * SoundServer::kChannels);
        return &out_;
    }

private:
    bool Matches(const AVFrame &frame) const {
        return swr_ && frame.format == format_ && frame.sample_rate == rate_ &&
               frame.ch_layout.nb_channels == channels_;
    }

    bool Setup(const AVFrame &frame) {
        swr_free(&swr_);
        format_ = frame.format;
        rate_ = frame.sample_rate;
        channels_ = frame.ch_layout.nb_channels;
        if (rate_ <= 0 || rate_ > kMaxRate || channels_ <= 0 || channels_ > kMaxChannels ||
            format_ < 0 || format_ >= AV_SAMPLE_FMT_NB) {
            if (!refused_)
                MicLog("camera sound in an unexpected format (%d Hz, %d channels, format %d), "
                       "not played",
                       rate_, channels_, format_);
            refused_ = true;
            return false;
        }
        // A layout without channel names (as RTP gives for Opus) gets the usual one.
        AVChannelLayout in{};
        if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, channels_);
        else if (av_channel_layout_copy(&in, &frame.ch_layout) < 0)
            return false;
        AVChannelLayout out{};
        av_channel_layout_default(&out, SoundServer::kChannels);
        const int made =
            swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_S16, SoundServer::kRate, &in,
                                static_cast<AVSampleFormat>(format_), rate_, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (made < 0 || swr_init(swr_) < 0) {
            MicLog("resampler not set up for %d Hz, %d channels, format %d", rate_, channels_,
                   format_);
            swr_free(&swr_);
            return false;
        }
        MicLog("camera sound: %d Hz, %d channels, %s", rate_, channels_,
               av_get_sample_fmt_name(static_cast<AVSampleFormat>(format_)));
        refused_ = false;
        return true;
    }

    SwrContext *swr_ = nullptr;
    int format_ = -1;
    int rate_ = 0;
    int channels_ = 0;
    bool refused_ = false;
    std::vector<std::int16_t> out_;
};

AVDictionary *OpenOptions(bool audioOnly) {
    AVDictionary *options = nullptr;
    av_dict_set(&options, "rtsp_transport", "tcp", 0);
    if (audioOnly)
        av_dict_set(&options, "allowed_media_types", "audio", 0);
    av_dict_set(&options, "fflags", "nobuffer", 0);
    av_dict_set(&options, "timeout", "2000000", 0);
    return options;
}

using Input = std::unique_ptr<AVFormatContext, InputCloser>;

int OpenInput(const std::string &address, bool audioOnly, const std::atomic<bool> &stop,
              Input &input) {
    AVFormatContext *opening = avformat_alloc_context();
    if (!opening)
        return AVERROR(ENOMEM);
    opening->interrupt_callback = {&Interrupted, const_cast<std::atomic<bool> *>(&stop)};
    AVDictionary *options = OpenOptions(audioOnly);
    const int opened =
        avformat_open_input(&opening, address.c_str(), av_find_input_format("rtsp"), &options);
    av_dict_free(&options);
    if (opened >= 0)
        input.reset(opening);
    return opened;
}

// Errors that say nothing about the stream: nobody answered at all.
bool IsNetworkError(int error) {
    for (int code : {ECONNREFUSED, ETIMEDOUT, EHOSTUNREACH, ENETUNREACH, ECONNRESET, EIO})
        if (error == AVERROR(code))
            return true;
    return false;
}

} // namespace

CameraAudioEnd PlayCameraAudio(const std::string &host, SoundServer &server,
                               const std::atomic<bool> &stop) {
    static std::once_flag networkInit;
    std::call_once(networkInit, [] { avformat_network_init(); });

    // Only the sound is set up, so the picture does not travel for nothing. A camera without
    // sound refuses such a session in its own way; asking again for everything tells that
    // apart from other refusals (and still plays the sound of a camera that only streams
    // whole sessions, dropping the picture).
    const std::string address = StreamAddressFor(host);
    Input input;
    int opened = OpenInput(address, true, stop, input);
    if (opened < 0 && !stop.load() && !IsNetworkError(opened))
        opened = OpenInput(address, false, stop, input);
    if (opened < 0) {
        if (stop.load())
            return CameraAudioEnd::Stopped;
        MicLog("cannot open %s (%s), retrying", address.c_str(), ErrorText(opened).c_str());
        return CameraAudioEnd::Unavailable;
    }

    const AVCodec *codec = nullptr;
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (audio < 0 || !codec) {
        MicLog(audio == AVERROR_DECODER_NOT_FOUND ? "no decoder for the audio track at %s"
                                                  : "no audio track at %s, retrying",
               address.c_str());
        return CameraAudioEnd::Unavailable;
    }
    const std::unique_ptr<AVCodecContext, DecoderCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), input->streams[audio]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        MicLog("cannot open the %s decoder for %s", codec->name, address.c_str());
        return CameraAudioEnd::Unavailable;
    }
    MicLog("playing the sound of %s (%s)", address.c_str(), codec->name);

    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    const std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!packet || !frame)
        return CameraAudioEnd::Unavailable;
    Resampler resampler;
    for (;;) {
        const int read = av_read_frame(input.get(), packet.get());
        if (read < 0) {
            if (stop.load())
                return CameraAudioEnd::Stopped;
            MicLog("connection to %s lost (%s)", address.c_str(), ErrorText(read).c_str());
            return CameraAudioEnd::Lost;
        }
        const bool ours = packet->stream_index == audio;
        const int sent = ours ? avcodec_send_packet(decoder.get(), packet.get()) : 0;
        av_packet_unref(packet.get());
        // A packet the decoder refuses is skipped; the next one may well decode.
        if (!ours || sent < 0)
            continue;
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            const std::vector<std::int16_t> *pcm = resampler.Convert(*frame);
            av_frame_unref(frame.get());
            if (pcm && !pcm->empty() &&
                !server.Write(pcm->data(), pcm->size() / SoundServer::kChannels))
                return CameraAudioEnd::ServerLost;
        }
    }
}

} // namespace Kestra
