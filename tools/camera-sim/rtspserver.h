// RtspServer is the camera's RTSP face, built on gst-rtsp-server: one live
// H.264 test picture (and, when asked, an audio track) shared by every
// client at /livestream/11, plus the switches tests use to break it.
//
// The picture is videotestsrc's SMPTE colour bars, chosen because a receiver
// holding only decoded pictures can still recognise it. At the middle height
// of the top two thirds (y = height / 3) seven bars of equal width run left
// to right: white, yellow, cyan, green, magenta, red, blue, at full strength
// (RGB 255,255,255 / 255,255,0 / 0,255,255 / 0,255,0 / 255,0,255 / 255,0,0 /
// 0,0,255) in BT.709 colours; sample each bar at its middle,
// x = (2k + 1) * width / 14. The clock and frame counter (framestamp.h) stay
// in the top twentieth of the left half, clear of those samples.
//
// Created, used and destroyed on the GLib loop thread (GlibThread), which
// also runs the RTSP clients; the callbacks are called there. setStalled alone
// may be called from any thread, since that thread may be held by a client
// waiting for a stalled stream. Each media has a thread of its own that may
// report the media's end: m_mutex guards m_media, m_stalled and m_format.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

typedef struct _GSource GSource;
typedef struct _GstRTSPClient GstRTSPClient;
typedef struct _GstRTSPMedia GstRTSPMedia;
typedef struct _GstRTSPMediaFactory GstRTSPMediaFactory;
typedef struct _GstRTSPServer GstRTSPServer;

// What the camera sends: picture size and frame rate.
struct VideoFormat {
    int width = 1920;
    int height = 1080;
    int fps = 30;

    bool operator==(const VideoFormat &) const = default;
};

// The audio track beside the picture: the test tone as Opus (48 kHz), as G.711 A-law (8 kHz,
// as many cameras send it), or as SBC, which FFmpeg's RTP reader does not unpack.
enum class AudioTrack { None, Opus, Alaw, Undecodable };

class RtspServer {
public:
    struct Callbacks {
        std::function<void()> clientConnected;
        std::function<void()> clientGone;
        // With audio: the capture time (CLOCK_MONOTONIC, microseconds) at which the test tone
        // resumes after its once-a-second gap; called on a streaming thread.
        std::function<void(std::uint64_t)> toneOnset;
    };

    static constexpr const char *path = "/livestream/11";

    // Initialises GStreamer; false with the reason when it cannot.
    static bool initialize(std::string *error);

    // port 0: any free port, kept for later listen() calls.
    RtspServer(const std::string &address, int port, AudioTrack audio, const VideoFormat &format,
               Callbacks callbacks);
    ~RtspServer();
    RtspServer(const RtspServer &) = delete;
    RtspServer &operator=(const RtspServer &) = delete;

    // Opens the listening socket (again); true also when already listening.
    bool listen(std::string *error);
    // Closes the listening socket and every client connection.
    void close();
    // The bound port while listening, else the port listen() will use.
    int port() const;

    // Closes every client connection and ends the media; the server keeps
    // listening.
    void dropClients();
    // Stalled: connections stay open but the pipeline sends nothing.
    void setStalled(bool stalled);
    // New clients get the new format; current ones are dropped.
    void setFormat(const VideoFormat &format);

private:
    static void onClientConnected(GstRTSPServer *, GstRTSPClient *client, RtspServer *self);
    static void onClientClosed(GstRTSPClient *, RtspServer *self);
    static void onMediaConfigure(GstRTSPMediaFactory *, GstRTSPMedia *media, RtspServer *self);
    static void onMediaUnprepared(GstRTSPMedia *media, RtspServer *self);
    void applyStall(GstRTSPMedia *media) const;

    AudioTrack m_audio;
    Callbacks m_callbacks;
    GstRTSPServer *m_server;
    GstRTSPMediaFactory *m_factory;
    GSource *m_listener = nullptr; // null while not listening

    mutable std::mutex m_mutex;
    std::vector<GstRTSPMedia *> m_media; // prepared media, one reference each
    bool m_stalled = false;
    VideoFormat m_format;
};
