// The engine: thread, loop, endpoint table, generic requests and reply routing.
// The camera operations and handlers are in networkcamera.cpp.
#include "device/network.h"

#include "device/devicesearchip.h"
#include "device/lanproxyfactory.h"
#include "log/logline.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

namespace {
constexpr int transferTimeoutMs = 5000;
constexpr int passWaitMs = 10;

void prepare(QNetworkRequest &request) {
    request.setTransferTimeout(transferTimeoutMs);
    request.setRawHeader("Cache-Control", "no-cache");
}
} // namespace

Network *Network::getInstance() {
    static Network instance;
    return &instance;
}

Network::Network()
    : m_waitLoop(new QEventLoop(this)),
      m_router([this](QNetworkReply *reply, int tag) { dispatch(reply, tag); }) {
    qRegisterMetaType<VideoParamType_e>();
    qRegisterMetaType<DeviceListenTCP::FeedbackInfo_t>();
    m_version = QStringLiteral("%1.%2.%3").arg(1).arg(0).arg(34);

    m_endpoints = {
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

    m_searchIp = DeviceSearchIP::getInstance();
    m_searchThread = new QThread;
    m_searchThread->setObjectName(QStringLiteral("lan-scan"));
    m_searchIp->moveToThread(m_searchThread);
    connect(this, &Network::sigStartThread, m_searchIp, &DeviceSearchIP::onRun);
    m_searchThread->start(QThread::InheritPriority);
    emit sigStartThread();
}

Network::~Network() {
    m_searchIp->setStop();
    m_searchThread->quit();
    m_searchThread->wait();
    delete m_searchThread;
}

void Network::stopThreads() {
    m_searchIp->setStop();
    QMutexLocker lock(&m_runLock);
    m_quit = true;
}

bool Network::quitRequested() {
    QMutexLocker lock(&m_runLock);
    return m_quit;
}

void Network::waitMs(int ms) {
    QTimer::singleShot(ms, m_waitLoop, &QEventLoop::quit);
    m_waitLoop->exec();
}

void Network::onRun() {
    m_manager = new QNetworkAccessManager(this);
    m_manager->setProxyFactory(new LanProxyFactory);
    m_listener = new DeviceListenTCP(this);
    connect(m_listener, &DeviceListenTCP::sigFeedbackInfo, this, &Network::onFeedbackInfo,
            Qt::QueuedConnection);
    qInfo().noquote() << "the server source: production";

    for (;;) {
        runDownloadStep();
        runConfigStep();
        processFeedbackInfo();
        pollDeviceStatus();
        registerListenIp();
        runQueryStep();
        runCloudStep();
        if (quitRequested())
            return;
        waitMs(passWaitMs);
    }
}

// The installer download arrives with the update service.
void Network::runDownloadStep() {}

// The cloud account requests arrive with the cloud client.
void Network::runCloudStep() {}

void Network::httpGet(const QString &url, int tag) {
    if (url.isEmpty() || tag >= RequestDiscarded) {
        LOG_ERROR << "http get: param invalid!";
        return;
    }
    QNetworkRequest request{QUrl(url)};
    prepare(request);
    QNetworkReply *reply = m_manager->get(request);
    connect(reply, &QNetworkReply::finished, this, &Network::onReplyMap);
    m_router.track(reply, tag);
}

void Network::httpPost(QNetworkRequest request, const QByteArray &body, int tag) {
    if (tag > RequestRotationQuery) {
        LOG_ERROR << "http post:param invalid!";
        return;
    }
    prepare(request);
    QNetworkReply *reply = m_manager->post(request, body);
    connect(reply, &QNetworkReply::finished, this, &Network::onReplyMap);
    m_router.track(reply, tag);
}

// Camera requests are plain GETs of "http://" + ip + path (+ value). The
// caller tags or records the reply before returning to the event loop.
QNetworkReply *Network::sendCameraGet(const QString &ip, int endpoint, const QString &value) {
    QNetworkRequest request{
        QUrl(QStringLiteral("http://") + ip + m_endpoints.value(endpoint) + value)};
    prepare(request);
    return m_manager->get(request);
}

void Network::onReplyMap() {
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (reply)
        m_router.route(reply);
}

void Network::dispatch(QNetworkReply *reply, int tag) {
    switch (tag) {
    case RequestConfigLiveQuery:
    case RequestConfigLiveOff:
    case RequestConfigMediaMode:
    case RequestConfigRotation:
    case RequestConfigLiveOn:
    case RequestConfigVideoMode:
        onConfigReply(reply, tag);
        break;
    case RequestClientRegister:
        onRegisterReply(reply);
        break;
    case RequestLiveQuery:
    case RequestMediaModeQuery:
    case RequestVideoModeQuery:
    case RequestRotationQuery:
        onQueryReply(reply, tag);
        break;
    default: // cloud replies are handled by the cloud client; 211 is discarded
        break;
    }
}
