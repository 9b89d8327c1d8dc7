#include "device/requestissuer.h"

#include "device/cloud/cloudhost.h"
#include "device/replyrouter.h"

#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

constexpr int transferTimeoutMs = 5000;

const QMap<int, QString> &endpointTable() {
    static const QMap<int, QString> table = {
        {0, QStringLiteral("/cgi-bin/hisnet/getbatterycapacity.cgi")},
        {1, QStringLiteral("/cgi-bin/hisnet/getcommparam.cgi?&-type=NORMRECMODE")},
        {2, QStringLiteral("/cgi-bin/hisnet/getdeviceattr.cgi")},
        {3, QStringLiteral(
                "/cgi-bin/hisnet/getworkmodeparam.cgi?&-workmode=NORM_REC&-type=MEDIAMODE")},
        {4,
         QStringLiteral(
             "/cgi-bin/hisnet/setworkmodeparam.cgi?&-workmode=NORM_REC&-type=MEDIAMODE&-value=")},
        {5, QStringLiteral("/cgi-bin/hisnet/sendclickkey.cgi?&-type=KEY_OK")},
        {6, QStringLiteral(
                "/cgi-bin/hisnet/setworkmodeparam.cgi?&-workmode=NORM_REC&-type=ROTATION&-value=")},
        {7,
         QStringLiteral("/cgi-bin/hisnet/getworkmodeparam.cgi?&-workmode=NORM_REC&-type=ROTATION")},
        {8, QStringLiteral("/cgi-bin/hisnet/getcamstate.cgi")},
        {9,
         QStringLiteral(
             "/cgi-bin/hisnet/setworkmodeparam.cgi?&-workmode=NORM_REC&-type=VIDEOMODE&-value=")},
        {10, QStringLiteral(
                 "/cgi-bin/hisnet/getworkmodeparam.cgi?&-workmode=NORM_REC&-type=VIDEOMODE")},
        {11, QStringLiteral("/cgi-bin/hisnet/client.cgi?&-operation=register&-ip=")},
        {12, QStringLiteral("/v1/stream/app/client/version/info/")},
        {13, QStringLiteral("/v1/stream/user/send/code")},
        {14, QStringLiteral("/v1/stream/user/check/code/login")},
        {15, QStringLiteral("/v1/stream/user/qrcode/get")},
        {16, QStringLiteral("/v1/stream/user/qrcode/status")},
        {17, QStringLiteral("/v1/stream/user/logout")},
        {18, QStringLiteral("/v1/stream/user/info")},
        {19, QStringLiteral("/v1/stream/user/refresh/token")},
    };
    return table;
}

} // namespace

RequestIssuer::RequestIssuer(ReplyRouter &router, Watch watch)
    : m_router(router), m_watch(std::move(watch)) {}

void RequestIssuer::setManager(QNetworkAccessManager *manager) {
    m_manager = manager;
}

QString RequestIssuer::path(int endpoint) {
    return endpointTable().value(endpoint);
}

void RequestIssuer::prepare(QNetworkRequest &request) {
    request.setTransferTimeout(transferTimeoutMs);
    request.setRawHeader("Cache-Control", "no-cache");
}

QNetworkReply *RequestIssuer::cameraGet(const QString &ip, int endpoint, const QString &value) {
    QNetworkRequest request{QUrl(QStringLiteral("http://") + ip + path(endpoint) + value)};
    prepare(request);
    return m_manager->get(request);
}

QNetworkReply *RequestIssuer::taggedCameraGet(const QString &ip, int endpoint, int tag,
                                              const QString &value) {
    QNetworkReply *reply = cameraGet(ip, endpoint, value);
    reply->setObjectName(ip);
    track(reply, tag);
    return reply;
}

QNetworkReply *RequestIssuer::cloudPost(int endpoint, const QByteArray &body,
                                        const QByteArray &authorization, int tag) {
    QNetworkRequest request{QUrl(cloudUrl(path(endpoint)))};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    prepare(request);
    QNetworkReply *reply = m_manager->post(request, body);
    track(reply, tag);
    return reply;
}

QNetworkReply *RequestIssuer::taggedGet(const QString &url, int tag) {
    QNetworkRequest request{QUrl(url)};
    prepare(request);
    QNetworkReply *reply = m_manager->get(request);
    track(reply, tag);
    return reply;
}

void RequestIssuer::track(QNetworkReply *reply, int tag) {
    m_watch(reply);
    m_router.track(reply, tag);
}
