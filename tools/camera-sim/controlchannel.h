// ControlChannel lets a test or script steer the camera while it runs: one
// command per stdin line, answered on stdout with "ok <command>" or
// "error <reason>". Commands switch faults on and off, change what the camera
// reports, and push events as if the camera had acted by itself. End of input
// ends the program, so a driver that dies takes its camera with it. Created
// and used on the main thread.
#pragma once

#include "stdinlines.h"

#include <QObject>
#include <QString>
#include <QStringList>

class CameraState;
class CgiHandler;
class CgiServer;
class EventPusher;
class MdnsResponder;
class RtspStreamer;

class ControlChannel : public QObject {
    Q_OBJECT
public:
    // rtsp is null when the camera serves no RTSP stream (--no-rtsp).
    ControlChannel(CameraState *state, CgiServer *server, CgiHandler *handler, EventPusher *events,
                   MdnsResponder *mdns, RtspStreamer *rtsp, QObject *parent = nullptr);

    // Starts reading stdin.
    void start();

    // The commands with their arguments, one a line: answered to "help", shown by --help.
    static QString commandList();

signals:
    void quitRequested();

private:
    void execute(const QString &line);
    // Each returns an empty text on success, else the reason for "error".
    QString run(const QStringList &words);
    QString runRtsp(const QStringList &words);

    CameraState *m_state;
    CgiServer *m_server;
    CgiHandler *m_handler;
    EventPusher *m_events;
    MdnsResponder *m_mdns;
    RtspStreamer *m_rtsp;
    StdinLines m_input;
};
