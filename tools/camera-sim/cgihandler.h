// CgiHandler is the camera's CGI interface under /cgi-bin/hisnet/: it reads a
// request's "-name=value" parameters, queries or changes the camera state,
// and answers in the firmware's style ("var name=\"value\";" lines, "Success"
// for accepted commands). Setting changes and key presses are confirmed by an
// event pushed after the reply has gone out. Created and used on the main
// thread.
#pragma once

#include "cgiserver.h"

#include <QMap>
#include <QString>

class CameraState;
class EventPusher;

struct DeviceIdentity {
    QString uid;
    QString name;
    QString softVersion;
};

class CgiHandler {
public:
    CgiHandler(CameraState *state, EventPusher *events, DeviceIdentity identity);

    HttpReply handle(const HttpRequest &request);

    // Commands are refused (no "Success", nothing changes) while set.
    void setNoSuccess(bool on) { m_noSuccess = on; }

    // "?&-type=MEDIAMODE&-value=4K30" gives {type: MEDIAMODE, value: 4K30}.
    static QMap<QString, QString> parameters(const QByteArray &query);

private:
    HttpReply deviceAttributes() const;
    HttpReply batteryCapacity() const;
    HttpReply commParam(const QMap<QString, QString> &params) const;
    HttpReply camState() const;
    HttpReply getWorkModeParam(const QMap<QString, QString> &params) const;
    HttpReply setWorkModeParam(const QMap<QString, QString> &params);
    HttpReply clickKey(const QMap<QString, QString> &params);
    HttpReply client(const QMap<QString, QString> &params);

    HttpReply accepted(std::function<void()> afterWrite = {}) const;
    // The event confirming that arg1 now has payload, sent after the reply.
    std::function<void()> confirm(const QString &arg1, const QString &payload) const;

    CameraState *m_state;
    EventPusher *m_events;
    DeviceIdentity m_identity;
    bool m_noSuccess = false;
};
