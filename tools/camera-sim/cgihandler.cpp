#include "cgihandler.h"

#include "camerastate.h"
#include "console.h"
#include "eventpusher.h"

#include <QHostAddress>

namespace {

const QByteArray cgiRoot = "/cgi-bin/hisnet/";

QByteArray var(const char *name, const QString &value) {
    return QByteArray("var ") + name + "=\"" + value.toUtf8() + "\";\r\n";
}

HttpReply ok(const QByteArray &body) {
    return {200, body, {}};
}

// A request the firmware understood but refused: any body without "Success".
HttpReply refused(const QByteArray &reason) {
    return {200, "Error: " + reason + "\r\n", {}};
}

HttpReply notFound() {
    return {404, "Not Found", {}};
}

} // namespace

CgiHandler::CgiHandler(CameraState *state, EventPusher *events, DeviceIdentity identity)
    : m_state(state), m_events(events), m_identity(std::move(identity)) {}

QMap<QString, QString> CgiHandler::parameters(const QByteArray &query) {
    QMap<QString, QString> params;
    for (const QByteArray &piece : query.split('&')) {
        if (piece.isEmpty())
            continue;
        const qsizetype eq = piece.indexOf('=');
        QByteArray name = eq < 0 ? piece : piece.left(eq);
        if (name.startsWith('-'))
            name.remove(0, 1);
        const QByteArray value = eq < 0 ? QByteArray() : piece.mid(eq + 1);
        params.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return params;
}

HttpReply CgiHandler::handle(const HttpRequest &request) {
    if (!request.path.startsWith(cgiRoot))
        return notFound();
    const QByteArray script = request.path.mid(cgiRoot.size());
    const QMap<QString, QString> params = parameters(request.query);

    if (script == "getdeviceattr.cgi")
        return deviceAttributes();
    if (script == "getbatterycapacity.cgi")
        return batteryCapacity();
    if (script == "getcommparam.cgi")
        return commParam(params);
    if (script == "getcamstate.cgi")
        return camState();
    if (script == "getworkmodeparam.cgi")
        return getWorkModeParam(params);
    if (script == "setworkmodeparam.cgi")
        return setWorkModeParam(params);
    if (script == "sendclickkey.cgi")
        return clickKey(params);
    if (script == "client.cgi")
        return client(params);
    return notFound();
}

HttpReply CgiHandler::deviceAttributes() const {
    // A LAN scan takes the first quoted value as the camera's identity and
    // only believes a reply that carries "softversion".
    return ok(var("uid", m_identity.uid) + var("name", m_identity.name) +
              var("softversion", m_identity.softVersion));
}

HttpReply CgiHandler::batteryCapacity() const {
    const Battery battery = m_state->battery();
    return ok(var("capacity", QString::number(battery.capacity)) +
              var("charge", battery.charging ? QStringLiteral("1") : QStringLiteral("0")) +
              var("ac", battery.ac ? QStringLiteral("1") : QStringLiteral("0")));
}

HttpReply CgiHandler::commParam(const QMap<QString, QString> &params) const {
    if (params.value(QStringLiteral("type")) != QLatin1String("NORMRECMODE"))
        return refused("unknown type");
    return ok(var("value", m_state->workMode()));
}

HttpReply CgiHandler::camState() const {
    return ok(var("living", m_state->live() ? QStringLiteral("true") : QStringLiteral("false")));
}

HttpReply CgiHandler::getWorkModeParam(const QMap<QString, QString> &params) const {
    if (params.value(QStringLiteral("workmode")) != QLatin1String("NORM_REC"))
        return refused("unknown workmode");
    const QString type = params.value(QStringLiteral("type"));
    if (type == QLatin1String("MEDIAMODE"))
        return ok(var("value", m_state->mediaMode()));
    if (type == QLatin1String("VIDEOMODE"))
        return ok(var("value", m_state->videoMode()));
    if (type == QLatin1String("ROTATION"))
        return ok(var("value", m_state->rotation()));
    return refused("unknown type");
}

HttpReply CgiHandler::setWorkModeParam(const QMap<QString, QString> &params) {
    if (m_noSuccess)
        return refused("busy");
    if (params.value(QStringLiteral("workmode")) != QLatin1String("NORM_REC"))
        return refused("unknown workmode");
    const QString type = params.value(QStringLiteral("type"));
    const QString value = params.value(QStringLiteral("value"));
    bool stored = false;
    if (type == QLatin1String("MEDIAMODE"))
        stored = m_state->setMediaMode(value);
    else if (type == QLatin1String("VIDEOMODE"))
        stored = m_state->setVideoMode(value);
    else if (type == QLatin1String("ROTATION"))
        stored = m_state->setRotation(value);
    else
        return refused("unknown type");
    if (!stored)
        return refused("invalid setting");
    // Setting a value the camera already has is confirmed all the same.
    return accepted(confirm(type, value));
}

HttpReply CgiHandler::clickKey(const QMap<QString, QString> &params) {
    if (m_noSuccess)
        return refused("busy");
    if (params.value(QStringLiteral("type")) != QLatin1String("KEY_OK"))
        return refused("unknown key");
    m_state->setLive(!m_state->live());
    return accepted(confirm(QStringLiteral("ADDRTSPSTREAM"),
                            m_state->live() ? QStringLiteral("1") : QStringLiteral("0")));
}

HttpReply CgiHandler::client(const QMap<QString, QString> &params) {
    if (m_noSuccess)
        return refused("busy");
    if (params.value(QStringLiteral("operation")) != QLatin1String("register"))
        return refused("unknown operation");
    const QString ip = params.value(QStringLiteral("ip"));
    const QHostAddress pc(ip);
    if (pc.protocol() != QAbstractSocket::IPv4Protocol)
        return refused("bad ip");
    EventPusher *events = m_events;
    return accepted([events, pc, ip] {
        console::out(QStringLiteral("registered ") + ip);
        events->registerPc(pc);
    });
}

HttpReply CgiHandler::accepted(std::function<void()> afterWrite) const {
    return {200, "Success\r\n", std::move(afterWrite)};
}

std::function<void()> CgiHandler::confirm(const QString &arg1, const QString &payload) const {
    EventPusher *events = m_events;
    return [events, arg1, payload] {
        events->push({arg1, payload});
    };
}
