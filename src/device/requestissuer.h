// RequestIssuer: sends the engine's HTTP requests. It holds the endpoint
// table, gives every request the transfer time-out and the no-cache header,
// and tags replies for the reply router before they return to the event loop.
// The network access manager comes from outside (the engine's worker makes it,
// tests hand in one that answers without a network).
//
// Threads: made with the engine on the main thread; setManager() and every
// request run on the engine's worker thread, where the manager lives. No locks
// of its own; the router guards the tags.
#pragma once

#include <functional>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class ReplyRouter;

class RequestIssuer {
public:
    // Keys of the endpoint table.
    enum Endpoint_e {
        EndpointBattery = 0,
        EndpointWorkMode = 1,
        EndpointDeviceAttr = 2,
        EndpointGetMediaMode = 3,
        EndpointSetMediaMode = 4,
        EndpointKeyOk = 5,
        EndpointSetRotation = 6,
        EndpointGetRotation = 7,
        EndpointCamState = 8,
        EndpointSetVideoMode = 9,
        EndpointGetVideoMode = 10,
        EndpointClientRegister = 11,
        EndpointVersionInfo = 12,
        EndpointSendCode = 13,
        EndpointCodeLogin = 14,
        EndpointGetQRcode = 15,
        EndpointQRcodeStatus = 16,
        EndpointLogout = 17,
        EndpointUserInfo = 18,
        EndpointRefreshToken = 19,
    };
    // Connects a reply's finished signal to whoever routes it.
    using Watch = std::function<void(QNetworkReply *reply)>;

    RequestIssuer(ReplyRouter &router, Watch watch);

    void setManager(QNetworkAccessManager *manager);
    QNetworkAccessManager *manager() const { return m_manager; }

    static QString path(int endpoint);
    static void prepare(QNetworkRequest &request);

    // GET "http://" + ip + path + value; the caller handles the reply itself.
    QNetworkReply *cameraGet(const QString &ip, int endpoint, const QString &value = {});
    // The same, with the reply routed by tag.
    QNetworkReply *taggedCameraGet(const QString &ip, int endpoint, int tag,
                                   const QString &value = {});
    // POST to the cloud service: a JSON body (or none) and, when given, the
    // bare token as "Authorization"; the reply is routed by tag.
    QNetworkReply *cloudPost(int endpoint, const QByteArray &body,
                             const QByteArray &authorization, int tag);
    // GET of a full URL (version query, installer), routed by tag.
    QNetworkReply *taggedGet(const QString &url, int tag);
    // Routes a reply by tag.
    void track(QNetworkReply *reply, int tag);

private:
    ReplyRouter &m_router;
    Watch m_watch;
    QNetworkAccessManager *m_manager = nullptr;
};
