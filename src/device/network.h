// Network: KestraLive's HTTP engine for the cloud and the cameras, and the one
// face its callers see. One object for the process, living on a worker thread
// of its own whose loop (onRun) issues pending requests, applies one queued
// camera event per pass, polls the connected cameras and registers the PC with
// them; replies and camera events are delivered in the 10 ms wait between
// passes. The work is done by its parts, which it owns and wires:
// - RequestIssuer sends requests (endpoint table, time-out, header, tags),
//   ReplyRouter hands each reply to the part its tag names;
// - ConfigRunner runs the cameras' configuration sequences;
// - ParamQuery asks cameras for their current parameters;
// - EventApplier applies the events cameras push;
// - StatusPoller polls battery and work mode and registers the PC;
// - CameraRecords holds what those know about each camera;
// - AccountDesk sends the account requests of the sign-in window and hands
//   back the replies, VersionUpdater runs the version check and the
//   installer download (both on the cloud service, see cloudhost.h).
//
// Threads:
// - created on the main thread by getInstance(); then moved with its parts to
//   the worker thread, where onRun, every reply handler and the event
//   listener run;
// - the account and version operations may be called on any thread; they
//   only record the request, which the worker sends on its next pass (at most
//   one account and one version or download request per pass);
// - the camera operations (setDeviceVideoResolution, setDeviceHDR,
//   setDeviceLiveOn, addDeviceToHttpMap, removeDeviceFromHttpMap,
//   removeVideoParam, clearAllDevices) are called on the main thread and only
//   record what is to be done; the worker sends the requests.
// Locks, each owned by one part: the account desk's and the version
// updater's locks are never held while another is taken. Of the others, and taken in this order: the poller's lock,
// the records' lock, then the router's lock. The event queue's lock and
// m_runLock (m_quit) are never held while another is taken. Every signal is
// emitted after the lock that guarded its state is released.
#pragma once

#include "device/camera/camerarecords.h"
#include "device/deviceliscentcp.h"
#include "device/networktypes.h"
#include "device/replyrouter.h"
#include "device/requestissuer.h"

#include <functional>
#include <QMutex>
#include <QObject>
#include <QString>

class AccountDesk;
class ConfigRunner;
class DeviceSearchIP;
class EventApplier;
class ParamQuery;
class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QThread;
class StatusPoller;
class VersionUpdater;

class Network : public QObject {
    Q_OBJECT
public:
    using Endpoint_e = RequestIssuer::Endpoint_e;
    // Makes the worker's access manager, on the worker thread. Tests hand in
    // one that answers without a network; call before the worker starts.
    using AccessManagerFactory = std::function<QNetworkAccessManager *()>;

    static Network *getInstance();
    ~Network() override;

    static void setAccessManagerFactory(AccessManagerFactory factory);

    QString versionString() const { return m_version; }

    // Account requests (any thread).
    void accountRequstVerifyCode(const QString &account);
    bool accountVerifyCodeLogin(const QString &code);
    void accountGetQRcode();
    void accountGetQRcodeStatus(const QString &qrCode);
    void accountGetUserInfo(const QString &token);
    void accountRefreshToken(const QString &refreshToken);
    void accountQuitLogin(const QString &token);

    // Version check and installer download (any thread).
    void requestVersion();
    void startDownloadApplication(const QString &savePath);
    // The answer-received flag (low byte) and the retry count (high byte).
    quint16 versionAnswerFlagAndRetries() const;
    QString latestVersion() const;

    // Ends onRun and the scan loop after their current pass. Any thread.
    void stopThreads();

    // Generic requests (worker thread).
    void httpGet(const QString &url, int tag);
    void httpPost(QNetworkRequest request, const QByteArray &body, int tag);

    // Camera operations (main thread).
    void setDeviceVideoResolution(int index, const QString &ip, const QString &resFps,
                                  const QString &palNtsc, bool rotation);
    void setDeviceHDR(const QString &ip, bool on);
    void setDeviceLiveOn(const QString &ip);
    void addDeviceToHttpMap(const QString &mac, const QString &ip);
    void removeDeviceFromHttpMap(const QString &mac);
    void removeVideoParam(const QString &ip);
    void clearAllDevices();

    // Worker thread.
    void joinTcpListen(const QString &mac, const QString &ip);
    void quitTcpListen(const QString &mac, const QString &ip);

    // The PC's own IPv4 address in the camera's /24, or "".
    static QString findLocalIPinSameNetSegment(const QString &devIP);

signals:
    void sigDeviceBatteryInfo(QString mac, bool isCharge, short battery);
    void sigDeviceOffine(QString mac);
    void sigDeviceAbnormal(QString mac);
    void sigStartThread();
    void sigDeviceParamFeedback(QString ip, VideoParamType_e type, QString value);
    void sigDeviceParamConfigFaild(QString ip);
    void sigDeviceParamConfigFinish(QString ip);

    void sigRequestVerifyCode(int status, QByteArray byteArray);
    void sigVerifyCodeLogin(int status, QByteArray byteArray);
    void sigGetQRcode(int status, QByteArray byteArray);
    void sigGetQRcodeStatus(int status, QByteArray byteArray);
    void sigGetUserInfo(int status, QByteArray byteArray);
    void sigRefreshToken(int status, QByteArray byteArray);
    void sigVersionQueryFaild();
    void sigVersionUpdateHint(QString defaultFileName, bool isStartupHint, bool isForceUpdate);
    void sigVersionIsNewst(bool isStartupHint);
    void sigDownloadProgress(schar value);
    void sigDownloadCompleted(bool isForce);
    void sigDownloadFaild(bool isForce);

public slots:
    void onRun();
    void onReplyMap();
    void onFeedbackInfo(DeviceListenTCP::FeedbackInfo_t feedbackInfo);

private:
    Network();
    bool quitRequested();
    void waitMs(int ms);
    void dispatch(QNetworkReply *reply, int tag);
    void wireParts();

    QEventLoop *m_waitLoop = nullptr;
    const QString m_version;
    ReplyRouter m_router;
    RequestIssuer m_issuer;
    CameraRecords m_records;
    ConfigRunner *m_config; // child
    ParamQuery *m_query;    // child
    EventApplier *m_events; // child
    StatusPoller *m_poller; // child
    AccountDesk *m_account;     // child
    VersionUpdater *m_updater;  // child
    DeviceSearchIP *m_searchIp = nullptr;
    QThread *m_searchThread = nullptr;
    QMutex m_runLock;
    bool m_quit = false;
    DeviceListenTCP *m_listener = nullptr;
};
