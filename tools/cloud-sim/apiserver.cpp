#include "apiserver.h"

#include "accounts.h"
#include "console.h"
#include "options.h"
#include "qrcodes.h"
#include "requestlog.h"
#include "tokens.h"
#include "updates.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

const QString userPath = QStringLiteral("/v1/stream/user/");

QByteArray methodName(QHttpServerRequest::Method method) {
    const char *key = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return key ? QByteArray(key).toUpper() : QByteArray("UNKNOWN");
}

void log(const QHttpServerRequest &request) {
    QString path = request.url().path();
    if (request.url().hasQuery())
        path += u'?' + request.url().query(QUrl::FullyEncoded);
    logRequest(methodName(request.method()), path, request.value("Authorization"), request.body());
}

// The JSON object a request carries. why receives the reason it is not one.
bool jsonBody(const QHttpServerRequest &request, QJsonObject *object, QString *why) {
    if (!request.value("Content-Type").toLower().startsWith("application/json")) {
        *why = QStringLiteral("Content-Type must be application/json");
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &error);
    if (!document.isObject()) {
        *why = error.error != QJsonParseError::NoError
                   ? QStringLiteral("body is not JSON: ") + error.errorString()
                   : QStringLiteral("body is not a JSON object");
        return false;
    }
    *object = document.object();
    return true;
}

// A present key of the right JSON type; why names what is wrong.
bool stringField(const QJsonObject &object, const QString &key, QString *value, QString *why) {
    const QJsonValue field = object.value(key);
    if (!field.isString()) {
        *why = field.isUndefined() ? QStringLiteral("missing key \"%1\"").arg(key)
                                   : QStringLiteral("\"%1\" must be a string").arg(key);
        return false;
    }
    *value = field.toString();
    return true;
}

bool intField(const QJsonObject &object, const QString &key, int *value, QString *why) {
    const QJsonValue field = object.value(key);
    const double number = field.toDouble();
    if (!field.isDouble() || std::trunc(number) != number) {
        *why = field.isUndefined() ? QStringLiteral("missing key \"%1\"").arg(key)
                                   : QStringLiteral("\"%1\" must be an integer").arg(key);
        return false;
    }
    *value = int(number);
    return true;
}

// Account requests carry the token bare, without a scheme.
QString token(const QHttpServerRequest &request) {
    return QString::fromLatin1(request.value("Authorization"));
}

} // namespace

ApiServer::ApiServer(Accounts *accounts, Tokens *tokens, QrCodes *qrCodes, Updates *updates,
                     QObject *parent)
    : QObject(parent), m_accounts(accounts), m_tokens(tokens), m_qrCodes(qrCodes),
      m_updates(updates) {
    post(userPath + QStringLiteral("send/code"), [this](const auto &r) { return sendCode(r); });
    post(userPath + QStringLiteral("check/code/login"),
         [this](const auto &r) { return codeLogin(r); });
    post(userPath + QStringLiteral("qrcode/get"), [this](const auto &r) { return qrGet(r); });
    post(userPath + QStringLiteral("qrcode/status"), [this](const auto &r) { return qrStatus(r); });
    post(userPath + QStringLiteral("info"), [this](const auto &r) { return userInfo(r); });
    post(userPath + QStringLiteral("refresh/token"),
         [this](const auto &r) { return refreshToken(r); });
    post(userPath + QStringLiteral("logout"), [this](const auto &r) { return logout(r); });
    m_server.route(QStringLiteral("/v1/stream/app/client/version/info/<arg>"),
                   [this](const QString &version, const QHttpServerRequest &request,
                          QHttpServerResponder &&responder) {
                       versionInfo(version, request, std::move(responder));
                   });
    m_server.setMissingHandler(
        [](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            log(request);
            send(responder, httpError(404, QStringLiteral("not found")));
        });
}

quint16 ApiServer::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

bool ApiServer::forceNext(const QString &endpoint, int code) {
    if (endpoint != QLatin1String("login") && endpoint != QLatin1String("qrget") &&
        endpoint != QLatin1String("qrstatus"))
        return false;
    m_forced.insert(endpoint, code);
    return true;
}

int ApiServer::takeForced(const QString &endpoint) {
    return m_forced.take(endpoint);
}

ApiServer::Reply ApiServer::forcedReply(int forced) {
    if (forced == forcedSilence)
        return {0, {}};
    if (forced == forcedHttp500)
        return httpError(500, QStringLiteral("internal error"));
    return failure(forced);
}

QString ApiServer::message(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("success");
    case 1:
        return QStringLiteral("qr code not found");
    case 2001:
        return QStringLiteral("too many login attempts, try again later");
    case 2005:
        return QStringLiteral("account not registered");
    case 2009:
        return QStringLiteral("check code error or expired");
    case 2017:
        return QStringLiteral("requests too frequent");
    default:
        return QStringLiteral("error");
    }
}

ApiServer::Reply ApiServer::success(const QJsonObject &data) {
    return {200,
            {{QStringLiteral("code"), 0},
             {QStringLiteral("msg"), message(0)},
             {QStringLiteral("data"), data}}};
}

ApiServer::Reply ApiServer::failure(int code) {
    return {200,
            {{QStringLiteral("code"), code},
             {QStringLiteral("msg"), message(code)},
             {QStringLiteral("data"), QJsonObject()}}};
}

ApiServer::Reply ApiServer::httpError(int status, const QString &msg) {
    return {status, {{QStringLiteral("code"), status}, {QStringLiteral("msg"), msg}}};
}

void ApiServer::send(QHttpServerResponder &responder, const Reply &reply) {
    responder.write(QJsonDocument(reply.body).toJson(QJsonDocument::Compact), "application/json",
                    QHttpServerResponder::StatusCode(reply.status));
}

void ApiServer::post(const QString &path, Handler handler) {
    m_server.route(path, [handler = std::move(handler)](const QHttpServerRequest &request,
                                                        QHttpServerResponder &&responder) {
        log(request);
        if (request.method() != QHttpServerRequest::Method::Post) {
            send(responder, httpError(405, QStringLiteral("method not allowed")));
            return;
        }
        // Silence: the responder goes without writing, the connection stays
        // open until the client gives up.
        const Reply reply = handler(request);
        if (reply.status != 0)
            send(responder, reply);
    });
}

ApiServer::Reply ApiServer::sendCode(const QHttpServerRequest &request) {
    QJsonObject body;
    QString why, account;
    int type = 0, platform = 0;
    if (!jsonBody(request, &body, &why) || !intField(body, QStringLiteral("type"), &type, &why) ||
        !stringField(body, QStringLiteral("account"), &account, &why) ||
        !intField(body, QStringLiteral("platform_type"), &platform, &why))
        return httpError(400, why);
    if (type != 3)
        return httpError(400, QStringLiteral("\"type\" must be 3"));
    if (platform != 1 && platform != 2)
        return httpError(400, QStringLiteral("\"platform_type\" must be 1 or 2"));
    if (platform == 1 && !isPhoneAccount(account))
        return httpError(400, QStringLiteral("phone number must have 11 digits"));
    if (platform == 2 && !isEmailAccount(account))
        return httpError(400, QStringLiteral("e-mail address must contain @"));

    console::out(QStringLiteral("code %1 %2").arg(account, m_accounts->issueCode(account)));
    return success();
}

QJsonObject ApiServer::signedIn(const QString &account) {
    const TokenPair pair = m_tokens->issue(account);
    return {{QStringLiteral("token"), pair.access},
            {QStringLiteral("refresh_token"), pair.refresh},
            {QStringLiteral("user_info"), m_accounts->userInfo(account)}};
}

ApiServer::Reply ApiServer::codeLogin(const QHttpServerRequest &request) {
    QJsonObject body;
    QString why, account, code, appId, appType;
    int type = 0;
    if (!jsonBody(request, &body, &why) || !intField(body, QStringLiteral("type"), &type, &why) ||
        !stringField(body, QStringLiteral("account"), &account, &why) ||
        !stringField(body, QStringLiteral("check_code"), &code, &why) ||
        !stringField(body, QStringLiteral("app_id"), &appId, &why) ||
        !stringField(body, QStringLiteral("app_type"), &appType, &why))
        return httpError(400, why);
    if (type != 3 && type != 4)
        return httpError(400, QStringLiteral("\"type\" must be 3 (e-mail) or 4 (phone)"));
    if ((type == 4 && !isPhoneAccount(account)) || (type == 3 && !isEmailAccount(account)))
        return httpError(400, QStringLiteral("\"account\" does not fit \"type\""));
    if (appId != QLatin1String("kestra_pc") || appType != QLatin1String("pc"))
        return httpError(400, QStringLiteral("unknown application"));

    if (const int forced = takeForced(QStringLiteral("login")))
        return forcedReply(forced);
    if (m_accounts->countAttempt(account))
        return failure(2001);
    if (!m_accounts->isRegistered(account))
        return failure(2005);
    if (!m_accounts->consumeCode(account, code))
        return failure(2009);
    return success(signedIn(account));
}

ApiServer::Reply ApiServer::qrGet(const QHttpServerRequest &request) {
    QJsonObject body;
    QString why, mac;
    if (!jsonBody(request, &body, &why) || !stringField(body, QStringLiteral("mac"), &mac, &why))
        return httpError(400, why);
    if (mac.isEmpty())
        return httpError(400, QStringLiteral("\"mac\" is empty"));

    if (const int forced = takeForced(QStringLiteral("qrget")))
        return forcedReply(forced);
    if (m_qrCodes->countGet(mac))
        return failure(2017);
    const QrCodes::Session &session = m_qrCodes->create(mac);
    const QByteArray png = QrCodes::picture(QrCodes::content(session.id));
    console::out(QStringLiteral("qrcode ") + session.id);
    return success({{QStringLiteral("qr_code"), session.id},
                    {QStringLiteral("qr_code_img"), QStringLiteral("data:image/png;base64,") +
                                                        QString::fromLatin1(png.toBase64())},
                    {QStringLiteral("qr_code_expire"), m_qrCodes->ttlSec()}});
}

ApiServer::Reply ApiServer::qrStatus(const QHttpServerRequest &request) {
    QJsonObject body;
    QString why, id, mac;
    if (!jsonBody(request, &body, &why) ||
        !stringField(body, QStringLiteral("qr_code"), &id, &why) ||
        !stringField(body, QStringLiteral("mac"), &mac, &why))
        return httpError(400, why);

    if (const int forced = takeForced(QStringLiteral("qrstatus")))
        return forcedReply(forced);
    // The program names itself by hardware address when it asks for a code
    // and by host name when it polls, so the two are not compared.
    const QrCodes::Session *session = m_qrCodes->find(id);
    if (!session)
        return failure(1);
    QJsonObject data{{QStringLiteral("status"), int(session->status)}};
    if (session->status == QrCodes::Confirmed)
        data.insert(
            QStringLiteral("user_data"),
            QJsonObject{{QStringLiteral("token"), session->tokens.access},
                        {QStringLiteral("refresh_token"), session->tokens.refresh},
                        {QStringLiteral("user_info"), m_accounts->userInfo(session->account)}});
    return success(data);
}

ApiServer::Reply ApiServer::userInfo(const QHttpServerRequest &request) {
    QString account;
    const TokenCheck check = m_tokens->checkAccess(token(request), &account);
    if (check != TokenCheck::Valid)
        return httpError(401, Tokens::reason(check));
    return success({{QStringLiteral("user_info"), m_accounts->userInfo(account)}});
}

ApiServer::Reply ApiServer::refreshToken(const QHttpServerRequest &request) {
    TokenPair fresh;
    const TokenCheck check = m_tokens->refresh(token(request), &fresh);
    if (check != TokenCheck::Valid)
        return httpError(401, Tokens::reason(check));
    return success({{QStringLiteral("token"), fresh.access},
                    {QStringLiteral("refresh_token"), fresh.refresh}});
}

ApiServer::Reply ApiServer::logout(const QHttpServerRequest &request) {
    const TokenCheck check = m_tokens->revokeAccess(token(request));
    if (check != TokenCheck::Valid)
        return httpError(401, Tokens::reason(check));
    return success();
}

void ApiServer::versionInfo(const QString &version, const QHttpServerRequest &request,
                            QHttpServerResponder &&responder) {
    log(request);
    if (request.method() != QHttpServerRequest::Method::Get) {
        send(responder, httpError(405, QStringLiteral("method not allowed")));
        return;
    }
    if (!Updates::isVersion(version)) {
        send(responder, httpError(400, QStringLiteral("bad version \"%1\"").arg(version)));
        return;
    }
    const Updates::VersionReply answer = m_updates->versionReply(version);
    // Silence: the responder goes without writing, the connection stays open
    // until the client gives up.
    if (answer.silent)
        return;
    const Reply reply{answer.httpStatus, answer.body};
    if (answer.delayMs <= 0) {
        send(responder, reply);
        return;
    }
    // The responder keeps a plain pointer to the socket, so a client that
    // has gone in the meantime gets nothing.
    auto kept = std::make_shared<QHttpServerResponder>(std::move(responder));
    const QPointer<QTcpSocket> socket = kept->socket();
    QTimer::singleShot(answer.delayMs, this, [kept, socket, reply] {
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            send(*kept, reply);
    });
}
