#include "rtspstreamer.h"

#include "camerastate.h"
#include "console.h"

RtspStreamer::RtspStreamer(const CameraState *state, const QHostAddress &address, quint16 port,
                           AudioTrack audio, QObject *parent)
    : QObject(parent), m_state(state) {
    const std::string host = address.toString().toStdString();
    const VideoFormat format = formatFor(state->mediaMode(), state->rotation());
    // The loop thread reports through queued calls: stdout is the main
    // thread's, and a call still queued when this object goes is dropped.
    RtspServer::Callbacks callbacks{
        [this] {
            QMetaObject::invokeMethod(
                this, [] { console::out(QStringLiteral("rtsp client connected")); },
                Qt::QueuedConnection);
        },
        [this] {
            QMetaObject::invokeMethod(
                this, [] { console::out(QStringLiteral("rtsp client gone")); },
                Qt::QueuedConnection);
        },
        [this](std::uint64_t captured) {
            QMetaObject::invokeMethod(
                this,
                [captured] { console::out(QStringLiteral("audio tone us=%1").arg(captured)); },
                Qt::QueuedConnection);
        }};
    std::string error;
    m_thread.call([&] {
        if (RtspServer::initialize(&error))
            m_server = std::make_unique<RtspServer>(host, port, audio, format, callbacks);
    });
    m_initError = QString::fromStdString(error);

    connect(state, &CameraState::mediaModeChanged, this, &RtspStreamer::followCamera);
    connect(state, &CameraState::rotationChanged, this, &RtspStreamer::followCamera);
}

RtspStreamer::~RtspStreamer() {
    m_thread.call([this] { m_server.reset(); });
}

bool RtspStreamer::start(QString *error) {
    if (!m_server) {
        *error = QStringLiteral("GStreamer: ") + m_initError;
        return false;
    }
    bool listening = false;
    std::string failure;
    int port = 0;
    m_thread.call([&] {
        listening = m_server->listen(&failure);
        port = m_server->port();
    });
    if (!listening) {
        *error = QStringLiteral("cannot listen on port %1: %2")
                     .arg(port)
                     .arg(QString::fromStdString(failure));
        return false;
    }
    console::out(QStringLiteral("rtsp ready port=%1 path=%2").arg(port).arg(RtspServer::path));
    return true;
}

void RtspStreamer::stop() {
    if (m_server)
        m_thread.call([this] { m_server->close(); });
    console::out(QStringLiteral("rtsp stopped"));
}

void RtspStreamer::setStalled(bool stalled) {
    // Not through the loop thread: a client that joined a stalled stream holds that thread in
    // its media's preparation until pictures flow again, which only this call allows.
    if (m_server)
        m_server->setStalled(stalled);
}

void RtspStreamer::dropClients() {
    if (m_server)
        m_thread.call([this] { m_server->dropClients(); });
}

VideoFormat RtspStreamer::formatFor(const QString &mediaMode, const QString &rotation) {
    VideoFormat format;
    if (mediaMode.startsWith(QLatin1String("4K"))) {
        format.width = 3840;
        format.height = 2160;
    }
    if (mediaMode.startsWith(QLatin1String("1080P60")))
        format.fps = 60;
    if (rotation == QLatin1String("ON"))
        std::swap(format.width, format.height);
    return format;
}

void RtspStreamer::followCamera() {
    const VideoFormat format = formatFor(m_state->mediaMode(), m_state->rotation());
    if (m_server)
        m_thread.call([this, format] { m_server->setFormat(format); });
}
