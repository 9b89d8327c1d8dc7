// RtspStreamer runs the camera's RTSP server (RtspServer) on its own GLib loop
// thread, named "rtsp", and drives it from the main thread: start and stop,
// the test faults, and a picture that follows the camera's media mode and
// rotation. Each call returns once the server has acted. Reports on stdout
// "rtsp ready port=<n> path=/livestream/11", "rtsp stopped", and
// "rtsp client connected" / "rtsp client gone" for each client.
// Created, called and destroyed on the main thread. m_server is created,
// used and destroyed only on the loop thread (through GlibThread::call); the
// loop thread reaches back only through queued calls on this object.
#pragma once

#include "glibthread.h"
#include "rtspserver.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

class CameraState;

class RtspStreamer : public QObject {
    Q_OBJECT
public:
    // port 0: any free port, kept across stop and start.
    RtspStreamer(const CameraState *state, const QHostAddress &address, quint16 port,
                 AudioTrack audio, QObject *parent = nullptr);
    ~RtspStreamer() override;

    // Listens (again); false with the reason when the port cannot be bound.
    bool start(QString *error);
    // Closes the listening socket and every client connection.
    void stop();
    void setStalled(bool stalled);
    // Closes every client connection; the server keeps listening.
    void dropClients();

    // 1080P30* 1920x1080@30, 1080P60 1920x1080@60, 4K30* 3840x2160@30;
    // rotation "ON" turns the picture to portrait.
    static VideoFormat formatFor(const QString &mediaMode, const QString &rotation);

private:
    void followCamera();

    const CameraState *m_state;
    GlibThread m_thread{"rtsp"};
    std::unique_ptr<RtspServer> m_server;
    QString m_initError;
};
