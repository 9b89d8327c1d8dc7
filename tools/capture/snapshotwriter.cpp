#include "snapshotwriter.h"
#include "fourcc.h"
#include "pathtext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <fstream>
#include <memory>

namespace capture {

namespace {

AVPixelFormat PixelFormatOf(uint32_t fourcc) {
    switch (fourcc) {
    case FourCC('N', 'V', '1', '2'):
        return AV_PIX_FMT_NV12;
    case FourCC('Y', 'U', 'Y', '2'):
        return AV_PIX_FMT_YUYV422;
    default:
        return AV_PIX_FMT_NONE;
    }
}

struct FrameFree {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct CodecFree {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct ScalerFree {
    void operator()(SwsContext *scaler) const { sws_freeContext(scaler); }
};

// The picture in RGB24, or null with *error set.
std::unique_ptr<AVFrame, FrameFree> ToRgb(const uint8_t *data, size_t size, AVPixelFormat format,
                                          int width, int height, std::string *error) {
    const int needed = av_image_get_buffer_size(format, width, height, 1);
    if (needed <= 0 || size < static_cast<size_t>(needed)) {
        *error = "the sample holds " + std::to_string(size) + " bytes, the picture needs " +
                 std::to_string(needed);
        return nullptr;
    }
    uint8_t *sourcePlanes[4] = {};
    int sourceStrides[4] = {};
    av_image_fill_arrays(sourcePlanes, sourceStrides, data, format, width, height, 1);

    std::unique_ptr<AVFrame, FrameFree> rgb(av_frame_alloc());
    std::unique_ptr<SwsContext, ScalerFree> scaler(
        sws_getContext(width, height, format, width, height, AV_PIX_FMT_RGB24, SWS_BILINEAR,
                       nullptr, nullptr, nullptr));
    if (!rgb || !scaler) {
        *error = "no scaler for this picture";
        return nullptr;
    }
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = width;
    rgb->height = height;
    if (av_frame_get_buffer(rgb.get(), 0) < 0) {
        *error = "out of memory";
        return nullptr;
    }
    sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, height, rgb->data, rgb->linesize);
    return rgb;
}

bool EncodePng(const AVFrame &rgb, std::unique_ptr<AVPacket, PacketFree> *packet,
               std::string *error) {
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    std::unique_ptr<AVCodecContext, CodecFree> context(codec ? avcodec_alloc_context3(codec)
                                                             : nullptr);
    if (!context) {
        *error = "FFmpeg has no PNG encoder";
        return false;
    }
    context->width = rgb.width;
    context->height = rgb.height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 1};
    // A snapshot is for looking at: fast compression keeps a 4K picture well under a second.
    context->compression_level = 1;
    packet->reset(av_packet_alloc());
    if (!*packet || avcodec_open2(context.get(), codec, nullptr) < 0 ||
        avcodec_send_frame(context.get(), &rgb) < 0 ||
        avcodec_receive_packet(context.get(), packet->get()) < 0) {
        *error = "PNG encoding failed";
        return false;
    }
    return true;
}

} // namespace

bool WritePngSnapshot(const std::filesystem::path &file, const uint8_t *data, size_t size,
                      uint32_t fourcc, int width, int height, std::string *error) {
    const AVPixelFormat format = PixelFormatOf(fourcc);
    if (format == AV_PIX_FMT_NONE || width <= 0 || height <= 0) {
        *error = "no snapshot for this picture layout";
        return false;
    }
    const auto rgb = ToRgb(data, size, format, width, height, error);
    std::unique_ptr<AVPacket, PacketFree> packet;
    if (!rgb || !EncodePng(*rgb, &packet, error))
        return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(packet->data), packet->size);
    if (!out.flush()) {
        *error = "cannot write " + PathText(file);
        return false;
    }
    return true;
}

} // namespace capture
