#include "rtspserver.h"

#include "framestamp.h"

#include <gst/rtsp-server/rtsp-server.h>
#include <gst/video/video.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <sstream>

namespace {

constexpr int toneRate = 48000;
constexpr int toneGapSamples = toneRate / 10;

// Enough for a clean picture from a fast preset: about 4 Mbit/s at 1080p30.
int bitrateKbps(const VideoFormat &format) {
    return format.width * format.height * format.fps / 15000;
}

// One key frame a second and no B-frames, so a client joining or resuming
// after a stall waits at most a second and nothing is held back for
// reordering; config-interval=-1 repeats SPS/PPS before each key frame.
// One slice per picture (no sliced threads), so a client that joins mid-frame
// loses that frame only; two frame threads keep 4K30 up with two cores at the
// cost of one frame of delay.
std::string launchLine(const VideoFormat &format, AudioTrack audio) {
    std::ostringstream line;
    line << "( videotestsrc name=pattern is-live=true pattern=smpte"
         << " ! video/x-raw,format=I420,width=" << format.width << ",height=" << format.height
         << ",framerate=" << format.fps << "/1"
         << " ! x264enc tune=zerolatency speed-preset=ultrafast bframes=0 byte-stream=true"
         << " sliced-threads=false threads=2 key-int-max=" << format.fps
         << " bitrate=" << bitrateKbps(format)
         << " ! video/x-h264,profile=baseline ! valve name=stall0"
         << " ! rtph264pay name=pay0 pt=96 config-interval=-1";
    // A known signal for audio tests: a 1 kHz tone cut by toneProbe into one-second periods
    // that start with 100 ms of silence; 10 ms buffers keep the onset times fine-grained.
    if (audio != AudioTrack::None)
        line << " audiotestsrc name=tone is-live=true wave=sine freq=1000 volume=0.2"
             << " samplesperbuffer=" << toneRate / 100
             << " ! audio/x-raw,format=S16LE,rate=" << toneRate
             << ",channels=1 ! audioconvert ! audioresample";
    switch (audio) {
    case AudioTrack::None:
        break;
    case AudioTrack::Opus:
        line << " ! opusenc frame-size=10 ! valve name=stall1 ! rtpopuspay name=pay1 pt=97";
        break;
    case AudioTrack::Alaw:
        line << " ! audio/x-raw,rate=8000 ! alawenc ! valve name=stall1"
             << " ! rtppcmapay name=pay1 pt=8";
        break;
    case AudioTrack::Undecodable:
        // Bluetooth's SBC: an audio track that FFmpeg's RTP reader does not unpack.
        line << " ! sbcenc ! valve name=stall1 ! rtpsbcpay name=pay1 pt=97";
        break;
    }
    line << " )";
    return line.str();
}

struct ToneState {
    std::function<void(std::uint64_t)> onset;
    std::uint64_t samples = 0; // since the pipeline started
};

// Silences the first 100 ms of every second and reports when the tone comes back, as the
// capture clock (CLOCK_MONOTONIC, microseconds) of its first sample.
GstPadProbeReturn shapeTone(GstPad *, GstPadProbeInfo *info, gpointer data) {
    auto *state = static_cast<ToneState *>(data);
    const std::uint64_t now = framestamp::monotonicMicroseconds();
    GstBuffer *buffer = gst_buffer_make_writable(gst_pad_probe_info_get_buffer(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE))
        return GST_PAD_PROBE_OK;
    auto *samples = reinterpret_cast<std::int16_t *>(map.data);
    const std::size_t count = map.size / sizeof(std::int16_t);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t position = (state->samples + i) % toneRate;
        if (position < toneGapSamples)
            samples[i] = 0;
        else if (position == toneGapSamples && state->onset)
            // A live source pushes a buffer once its last sample is due.
            state->onset(now - (count - i) * 1000000u / toneRate);
    }
    state->samples += count;
    gst_buffer_unmap(buffer, &map);
    return GST_PAD_PROBE_OK;
}

void deleteToneState(gpointer data) {
    delete static_cast<ToneState *>(data);
}

void addToneShape(GstElement *pipeline, std::function<void(std::uint64_t)> onset) {
    GstElement *tone = gst_bin_get_by_name(GST_BIN(pipeline), "tone");
    if (!tone)
        return;
    auto *state = new ToneState{std::move(onset)};
    GstPad *pad = gst_element_get_static_pad(tone, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, shapeTone, state, deleteToneState);
    gst_object_unref(pad);
    gst_object_unref(tone);
}

struct StampState {
    GstVideoInfo info;
    std::uint64_t frames = 0;
};

GstPadProbeReturn stampFrame(GstPad *, GstPadProbeInfo *info, gpointer data) {
    auto *state = static_cast<StampState *>(data);
    // The picture's capture time: taken as it leaves the source, before encoding.
    const std::uint64_t captured = framestamp::monotonicMicroseconds();
    GstBuffer *buffer = gst_buffer_make_writable(gst_pad_probe_info_get_buffer(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstVideoFrame frame;
    if (gst_video_frame_map(&frame, &state->info, buffer, GST_MAP_WRITE)) {
        I420Picture picture{};
        for (int plane = 0; plane < 3; ++plane) {
            picture.planes[plane] = static_cast<std::uint8_t *>(frame.data[plane]);
            picture.strides[plane] = frame.info.stride[plane];
        }
        picture.width = GST_VIDEO_FRAME_WIDTH(&frame);
        picture.height = GST_VIDEO_FRAME_HEIGHT(&frame);
        framestamp::draw(picture,
                         framestamp::text(std::chrono::system_clock::now(), state->frames));
        framestamp::drawCode(picture, {captured, static_cast<std::uint32_t>(state->frames)});
        gst_video_frame_unmap(&frame);
    }
    ++state->frames;
    return GST_PAD_PROBE_OK;
}

void deleteStampState(gpointer data) {
    delete static_cast<StampState *>(data);
}

void addStamp(GstElement *pipeline, const VideoFormat &format) {
    GstElement *pattern = gst_bin_get_by_name(GST_BIN(pipeline), "pattern");
    if (!pattern)
        return;
    auto *state = new StampState;
    gst_video_info_set_format(&state->info, GST_VIDEO_FORMAT_I420, static_cast<guint>(format.width),
                              static_cast<guint>(format.height));
    GstPad *pad = gst_element_get_static_pad(pattern, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, stampFrame, state, deleteStampState);
    gst_object_unref(pad);
    gst_object_unref(pattern);
}

gboolean releaseObject(gpointer object) {
    g_object_unref(object);
    return G_SOURCE_REMOVE;
}

GstRTSPFilterResult removeClient(GstRTSPServer *, GstRTSPClient *, gpointer) {
    return GST_RTSP_FILTER_REMOVE;
}

GstRTSPFilterResult removeSession(GstRTSPSessionPool *, GstRTSPSession *, gpointer) {
    return GST_RTSP_FILTER_REMOVE;
}

} // namespace

bool RtspServer::initialize(std::string *error) {
    GError *failure = nullptr;
    if (gst_init_check(nullptr, nullptr, &failure))
        return true;
    *error = failure ? failure->message : "GStreamer did not start";
    g_clear_error(&failure);
    return false;
}

RtspServer::RtspServer(const std::string &address, int port, AudioTrack audio,
                       const VideoFormat &format, Callbacks callbacks)
    : m_audio(audio), m_callbacks(std::move(callbacks)), m_server(gst_rtsp_server_new()),
      m_factory(gst_rtsp_media_factory_new()), m_format(format) {
    gst_rtsp_server_set_address(m_server, address.c_str());
    gst_rtsp_server_set_service(m_server, std::to_string(port).c_str());
    g_signal_connect(m_server, "client-connected", G_CALLBACK(onClientConnected), this);
    // Clients on this loop rather than a pool thread: closing a client from
    // another thread than its own races with its connection watch.
    GstRTSPThreadPool *threads = gst_rtsp_server_get_thread_pool(m_server);
    gst_rtsp_thread_pool_set_max_threads(threads, 0);
    g_object_unref(threads);

    gst_rtsp_media_factory_set_launch(m_factory, launchLine(format, audio).c_str());
    // One pipeline, one encoder, however many clients watch.
    gst_rtsp_media_factory_set_shared(m_factory, TRUE);
    gst_rtsp_media_factory_set_latency(m_factory, 20);
    g_signal_connect(m_factory, "media-configure", G_CALLBACK(onMediaConfigure), this);

    GstRTSPMountPoints *mounts = gst_rtsp_server_get_mount_points(m_server);
    gst_rtsp_mount_points_add_factory(mounts, path,
                                      GST_RTSP_MEDIA_FACTORY(g_object_ref(m_factory)));
    g_object_unref(mounts);
}

RtspServer::~RtspServer() {
    close();
    {
        // Only a media that failed is left; it must not call back.
        const std::lock_guard lock(m_mutex);
        for (GstRTSPMedia *media : m_media) {
            g_signal_handlers_disconnect_by_data(media, this);
            g_object_unref(media);
        }
        m_media.clear();
    }
    g_signal_handlers_disconnect_by_data(m_factory, this);
    g_signal_handlers_disconnect_by_data(m_server, this);
    g_object_unref(m_factory);
    g_object_unref(m_server);
    // Joins the threads that ran the media.
    gst_rtsp_thread_pool_cleanup();
}

bool RtspServer::listen(std::string *error) {
    if (m_listener)
        return true;
    GError *failure = nullptr;
    m_listener = gst_rtsp_server_create_source(m_server, nullptr, &failure);
    if (!m_listener) {
        *error = failure ? failure->message : "cannot listen";
        g_clear_error(&failure);
        return false;
    }
    g_source_attach(m_listener, g_main_context_get_thread_default());
    return true;
}

void RtspServer::close() {
    if (m_listener) {
        g_source_destroy(m_listener);
        g_source_unref(m_listener);
        m_listener = nullptr;
    }
    dropClients();
}

int RtspServer::port() const {
    if (m_listener)
        return gst_rtsp_server_get_bound_port(m_server);
    gchar *service = gst_rtsp_server_get_service(m_server);
    const int port = std::atoi(service);
    g_free(service);
    return port;
}

void RtspServer::dropClients() {
    // Sessions first, then the media: once nothing streams, closing a client
    // cannot race with a send to it.
    GstRTSPSessionPool *pool = gst_rtsp_server_get_session_pool(m_server);
    gst_rtsp_session_pool_filter(pool, removeSession, nullptr);
    g_object_unref(pool);

    // A shared media stays prepared while anything still counts on it, and
    // each unprepare undoes one prepare; end it so that the next client gets
    // a fresh pipeline.
    std::vector<GstRTSPMedia *> media;
    {
        const std::lock_guard lock(m_mutex);
        for (GstRTSPMedia *one : m_media)
            media.push_back(GST_RTSP_MEDIA(g_object_ref(one)));
    }
    for (GstRTSPMedia *one : media) {
        for (int tries = 0; tries < 16; ++tries) {
            const GstRTSPMediaStatus status = gst_rtsp_media_get_status(one);
            if (status == GST_RTSP_MEDIA_STATUS_UNPREPARED || status == GST_RTSP_MEDIA_STATUS_ERROR)
                break;
            gst_rtsp_media_unprepare(one);
        }
        g_object_unref(one);
    }

    gst_rtsp_server_client_filter(m_server, removeClient, nullptr);
}

void RtspServer::setStalled(bool stalled) {
    std::vector<GstRTSPMedia *> media;
    {
        const std::lock_guard lock(m_mutex);
        m_stalled = stalled;
        for (GstRTSPMedia *one : m_media)
            media.push_back(GST_RTSP_MEDIA(g_object_ref(one)));
    }
    for (GstRTSPMedia *one : media) {
        applyStall(one);
        g_object_unref(one);
    }
}

void RtspServer::setFormat(const VideoFormat &format) {
    {
        const std::lock_guard lock(m_mutex);
        if (format == m_format)
            return;
        m_format = format;
    }
    gst_rtsp_media_factory_set_launch(m_factory, launchLine(format, m_audio).c_str());
    dropClients();
}

void RtspServer::applyStall(GstRTSPMedia *media) const {
    bool stalled;
    {
        const std::lock_guard lock(m_mutex);
        stalled = m_stalled;
    }
    GstElement *pipeline = gst_rtsp_media_get_element(media);
    for (const char *name : {"stall0", "stall1"}) {
        if (GstElement *valve = gst_bin_get_by_name(GST_BIN(pipeline), name)) {
            g_object_set(valve, "drop", stalled ? TRUE : FALSE, nullptr);
            gst_object_unref(valve);
        }
    }
    gst_object_unref(pipeline);
}

void RtspServer::onClientConnected(GstRTSPServer *, GstRTSPClient *client, RtspServer *self) {
    g_signal_connect(client, "closed", G_CALLBACK(onClientClosed), self);
    self->m_callbacks.clientConnected();
}

void RtspServer::onClientClosed(GstRTSPClient *client, RtspServer *self) {
    // A send that fails on a closing connection queues an idle close of the
    // client that holds no reference (gst-rtsp-server 1.22); keep the client
    // until the idle sources queued before this one have run.
    GSource *later = g_idle_source_new();
    g_source_set_priority(later, G_PRIORITY_LOW);
    g_source_set_callback(later, releaseObject, g_object_ref(client), nullptr);
    g_source_attach(later, g_main_context_get_thread_default());
    g_source_unref(later);
    self->m_callbacks.clientGone();
}

void RtspServer::onMediaConfigure(GstRTSPMediaFactory *, GstRTSPMedia *media, RtspServer *self) {
    VideoFormat format;
    {
        const std::lock_guard lock(self->m_mutex);
        format = self->m_format;
        self->m_media.push_back(GST_RTSP_MEDIA(g_object_ref(media)));
    }
    g_signal_connect(media, "unprepared", G_CALLBACK(onMediaUnprepared), self);
    GstElement *pipeline = gst_rtsp_media_get_element(media);
    addStamp(pipeline, format);
    addToneShape(pipeline, self->m_callbacks.toneOnset);
    gst_object_unref(pipeline);
    self->applyStall(media);
}

void RtspServer::onMediaUnprepared(GstRTSPMedia *media, RtspServer *self) {
    g_signal_handlers_disconnect_by_data(media, self);
    {
        const std::lock_guard lock(self->m_mutex);
        std::erase(self->m_media, media);
    }
    g_object_unref(media);
}
