#include "videodecoder.h"

#include "config/vclog.h"
#include "platform/hwdevice.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/hwcontext.h>
}

namespace Kestra {

namespace {

const AVCodecHWConfig *DeviceConfigFor(const AVCodec &codec, AVHWDeviceType type) {
    for (int i = 0;; ++i) {
        const AVCodecHWConfig *config = avcodec_get_hw_config(&codec, i);
        if (!config)
            return nullptr;
        if ((config->methods & AV_CODEC_HW_CONFIG_METHOD_HW_DEVICE_CTX) &&
            config->device_type == type)
            return config;
    }
}

} // namespace

VideoDecoder::Opened VideoDecoder::Open(int slot, const AVStream &stream, const AVCodec &codec,
                                        bool reportDeviceFailure) {
    Opened result;
    std::shared_ptr<VideoDecoder> decoder(new VideoDecoder(slot));
    decoder->context_ = avcodec_alloc_context3(&codec);
    if (!decoder->context_) {
        result.error = AVERROR(ENOMEM);
        return result;
    }
    AVCodecContext *context = decoder->context_;
    result.error = avcodec_parameters_to_context(context, stream.codecpar);
    if (result.error < 0) {
        VCLogTo(slot, 10,
                "Failed to copy decoder parameters to input decoder context for stream #%u\n",
                static_cast<unsigned>(stream.index));
        return result;
    }
    context->pkt_timebase = stream.time_base;
    decoder->timeBase_ = stream.time_base;
    context->opaque = decoder.get();
    context->get_format = &VideoDecoder::ChooseSurfaceFormat;
    // Frame threading would hold back one picture per thread; slices add no delay.
    context->thread_type = FF_THREAD_SLICE;
    context->flags |= AV_CODEC_FLAG_LOW_DELAY;

    for (AVHWDeviceType type : HardwareDeviceTypes()) {
        const AVCodecHWConfig *config = DeviceConfigFor(codec, type);
        if (config &&
            av_hwdevice_ctx_create(&decoder->hardwareDevice_, type, nullptr, nullptr, 0) >= 0) {
            context->hw_device_ctx = av_buffer_ref(decoder->hardwareDevice_);
            decoder->hardwareFormat_ = config->pix_fmt;
            break;
        }
        if (config && reportDeviceFailure)
            VCLogTo(slot, 10, "Failed to create specified HW device.\n");
        if (!result.softwareBecause.empty())
            result.softwareBecause += ", ";
        result.softwareBecause += av_hwdevice_get_type_name(type);
    }
    if (decoder->UsesHardware())
        result.softwareBecause.clear();

    result.error = avcodec_open2(context, &codec, nullptr);
    if (result.error < 0) {
        VCLogTo(slot, 10, "Open decoder failed %d\n", result.error);
        return result;
    }
    result.decoder = std::move(decoder);
    return result;
}

VideoDecoder::~VideoDecoder() {
    avcodec_free_context(&context_);
    av_buffer_unref(&hardwareDevice_);
}

AVPixelFormat VideoDecoder::ChooseSurfaceFormat(AVCodecContext *context,
                                                const AVPixelFormat *offered) {
    const auto *self = static_cast<const VideoDecoder *>(context->opaque);
    if (!self->UsesHardware())
        return avcodec_default_get_format(context, offered);
    for (const AVPixelFormat *format = offered; *format != AV_PIX_FMT_NONE; ++format)
        if (*format == self->hardwareFormat_)
            return *format;
    // The device opened but cannot decode this stream (a profile it lacks, or a driver without
    // video decoding, as under Wine): decode in software rather than not at all.
    VCLogTo(self->slot_, 10, "Failed to get HW surface format.\n");
    return avcodec_default_get_format(context, offered);
}

int VideoDecoder::SendPacket(const AVPacket &packet) {
    return avcodec_send_packet(context_, &packet);
}

int VideoDecoder::ReceivePicture(AVFrame *frame) {
    const int result = avcodec_receive_frame(context_, frame);
    if (result < 0)
        return result;
    if (frame->format == hardwareFormat_ && UsesHardware()) {
        AVFrame *inMemory = av_frame_alloc();
        int transfer = inMemory ? av_hwframe_transfer_data(inMemory, frame, 0) : AVERROR(ENOMEM);
        if (transfer >= 0)
            transfer = av_frame_copy_props(inMemory, frame);
        if (transfer < 0) {
            VCLogTo(slot_, 10, "Error transferring the data to system memory\n");
            av_frame_free(&inMemory);
            av_frame_unref(frame);
            return transfer;
        }
        av_frame_unref(frame);
        av_frame_move_ref(frame, inMemory);
        av_frame_free(&inMemory);
    }
    frame->time_base = timeBase_;
    return 0;
}

const char *VideoDecoder::Name() const {
    return context_->codec->name;
}

} // namespace Kestra
