// Network: KestraLive's HTTP engine for the cloud and the cameras. One object
// for the process, living on a worker thread of its own whose loop (onRun)
// issues pending requests, applies one queued camera event per pass, polls
// the connected cameras and registers the PC with them; replies, timers and
// camera events are delivered in the 10 ms wait between passes.
//
// Threads:
// - created on the main thread by getInstance(); then moved to the worker
//   thread, where onRun, every reply handler, every timer and the event
//   listener run;
// - the camera operations (setDeviceVideoResolution, setDeviceHDR,
//   setDeviceLiveOn, addDeviceToHttpMap, removeDeviceFromHttpMap,
//   removeVideoParam, clearAllDevices) are called on the main thread and only
//   record what is to be done under a lock; the worker sends the requests.
// Locks, always taken in this order: m_pollLock (m_httpMap, m_batteryReplies,
// m_modeReplies), m_videoLock (m_videoParamMap, m_replyOwner,
// m_feedbackQueue), then the router's lock (reply tags). m_registerLock
// (m_registerSet) may be taken under the poll lock; only the router's lock is
// taken under it. m_runLock guards m_quit. The router's lock and m_runLock are
// never held while another is taken.
#pragma once

#include "device/deviceliscentcp.h"
#include "device/replyrouter.h"

#include <map>
#include <memory>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>

class DeviceSearchIP;
class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QThread;
class QTimer;

// The tag of a request; selects the handler of its reply.
enum RequestType_e {
    RequestSendCode = 0,
    RequestCodeLogin = 1,
    RequestGetQRcode = 2,
    RequestQRcodeStatus = 3,
    RequestLogout = 4,
    RequestUserInfo = 5,
    RequestRefreshToken = 6,
    RequestVersionInfo = 7,
    RequestDownload = 8,
    RequestConfigLiveQuery = 200,
    RequestConfigLiveOff = 201,
    RequestConfigMediaMode = 202,
    RequestConfigRotation = 203,
    RequestConfigLiveOn = 204,
    RequestConfigVideoMode = 205,
    RequestClientRegister = 206,
    RequestLiveQuery = 207,
    RequestMediaModeQuery = 208,
    RequestVideoModeQuery = 209,
    RequestRotationQuery = 210,
    RequestDiscarded = 211,
};

// Kind of a camera parameter report.
enum VideoParamType_e {
    VideoParamHDR = 0,
    VideoParamPalNtsc = 1,
    VideoParamResFps = 2,
    VideoParamRotation = 3,
    VideoParamLive = 4,
};

class Network : public QObject {
    Q_OBJECT
public:
    // Camera endpoint keys of the endpoint table.
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
    };

    static Network *getInstance();
    ~Network() override;

    QString versionString() const { return m_version; }

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

public slots:
    void onRun();
    void onReplyMap();
    void onReplyGetPowerStatus();
    void onReplyGetCameraMode();
    void onFeedbackInfo(DeviceListenTCP::FeedbackInfo_t feedbackInfo);
    void onTimeoutVideoConfig();

private:
    // One camera's configuration sequence and last known parameters.
    struct VideoParam_t {
        quint32 configStep = 0;
        quint32 queryState = 0;
        quint8 retryCount = 0;
        QTimer *configTimer = nullptr; // worker thread; made on first use
        bool stopTimer = false;        // the main thread restarted the sequence
        QString resFps;
        QString palNtsc;
        bool live = false;
        bool rotation = false;
        bool hdr = true;
        bool pending = false;
        bool restartLive = true;
    };
    // One polled camera.
    struct HttpDevice_t {
        QString mac;
        QString ip;
        bool isCharge = false;
        qint16 battery = -1;
    };
    enum RegisterState { RegisterToDo = 0, RegisterInFlight = 1, RegisterDone = 2 };

    Network();
    bool quitRequested();
    void waitMs(int ms);
    QNetworkReply *sendCameraGet(const QString &ip, int endpoint, const QString &value = {});
    void dispatch(QNetworkReply *reply, int tag);

    // Worker loop steps.
    void runDownloadStep();
    void runConfigStep();
    void processFeedbackInfo();
    void pollDeviceStatus();
    void registerListenIp();
    void runQueryStep();
    void runCloudStep();

    // Reply handlers.
    void onConfigReply(QNetworkReply *reply, int tag);
    void onQueryReply(QNetworkReply *reply, int tag);
    void onRegisterReply(QNetworkReply *reply);

    // Helpers that expect m_videoLock held.
    VideoParam_t *videoParamLocked(const QString &ip);
    void cancelConfigRepliesLocked(const QString &ip);
    void stopConfigTimerLocked(VideoParam_t &param);
    void startConfigTimerLocked(const QString &ip, VideoParam_t &param);
    void deleteVideoParamLocked(const QString &ip);
    void applyFeedbackLocked(const DeviceListenTCP::FeedbackInfo_t &info, VideoParam_t &param);

    // Helpers that expect m_pollLock held.
    void cancelPollRepliesLocked(QMap<QNetworkReply *, QString> &replies, const QString &mac);
    void dropPolledDeviceLocked(const QString &mac);

    QEventLoop *m_waitLoop = nullptr;
    ReplyRouter m_router;
    DeviceSearchIP *m_searchIp = nullptr;
    QThread *m_searchThread = nullptr;
    QMutex m_runLock;
    bool m_quit = false;
    QMutex m_videoLock;
    std::map<QString, std::unique_ptr<VideoParam_t>> m_videoParamMap;
    QMap<QNetworkReply *, QString> m_replyOwner;
    QList<DeviceListenTCP::FeedbackInfo_t> m_feedbackQueue;
    QNetworkAccessManager *m_manager = nullptr;
    QMap<int, QString> m_endpoints;
    QString m_version;
    QMutex m_pollLock;
    QMap<QString, HttpDevice_t> m_httpMap;
    QMap<QNetworkReply *, QString> m_batteryReplies;
    QMap<QNetworkReply *, QString> m_modeReplies;
    DeviceListenTCP *m_listener = nullptr;
    QMutex m_registerLock;
    QMap<QString, int> m_registerSet;
    int m_pollCountdown = 0;
    int m_registerCountdown = 0;
};

Q_DECLARE_METATYPE(VideoParamType_e)
