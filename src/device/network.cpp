#include "device/network.h"
#include "device/programversion.h"

#include "device/camera/configrunner.h"
#include "device/camera/eventapplier.h"
#include "device/camera/paramquery.h"
#include "device/camera/statuspoller.h"
#include "device/cloud/accountdesk.h"
#include "device/cloud/cloudhost.h"
#include "device/cloud/versionupdater.h"
#include "device/devicesearchip.h"
#include "device/lanproxyfactory.h"
#include "device/localaddress.h"
#include "device/threadcheck.h"
#include "log/logline.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

namespace {

constexpr int passWaitMs = 10;

Network::AccessManagerFactory &accessManagerFactory() {
    static Network::AccessManagerFactory factory;
    return factory;
}

} // namespace

Network *Network::getInstance() {
    static Network instance;
    return &instance;
}

void Network::setAccessManagerFactory(AccessManagerFactory factory) {
    accessManagerFactory() = std::move(factory);
}

Network::Network()
    : m_waitLoop(new QEventLoop(this)), m_version(QString::fromLatin1(programVersion)),
      m_router([this](QNetworkReply *reply, int tag) { dispatch(reply, tag); }),
      m_issuer(m_router,
               [this](QNetworkReply *reply) {
                   connect(reply, &QNetworkReply::finished, this, &Network::onReplyMap);
               }),
      m_config(new ConfigRunner(m_records, m_issuer, this)),
      m_query(new ParamQuery(m_records, m_issuer, this)),
      m_events(new EventApplier(m_records, this)),
      m_poller(new StatusPoller(m_records, m_issuer, this)),
      m_account(new AccountDesk(m_issuer, this)),
      m_updater(new VersionUpdater(m_issuer, m_version, this)) {
    qRegisterMetaType<VideoParamType_e>();
    qRegisterMetaType<DeviceListenTCP::FeedbackInfo_t>();
    wireParts();

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

// The parts report through the engine's own signals, on the thread they emit on.
void Network::wireParts() {
    connect(m_config, &ConfigRunner::sigDeviceParamConfigFaild, this,
            &Network::sigDeviceParamConfigFaild, Qt::DirectConnection);
    connect(m_query, &ParamQuery::sigDeviceParamFeedback, this, &Network::sigDeviceParamFeedback,
            Qt::DirectConnection);
    connect(m_events, &EventApplier::sigDeviceParamFeedback, this, &Network::sigDeviceParamFeedback,
            Qt::DirectConnection);
    connect(m_events, &EventApplier::sigDeviceParamConfigFinish, this,
            &Network::sigDeviceParamConfigFinish, Qt::DirectConnection);
    connect(m_poller, &StatusPoller::sigDeviceBatteryInfo, this, &Network::sigDeviceBatteryInfo,
            Qt::DirectConnection);
    connect(m_poller, &StatusPoller::sigDeviceOffine, this, &Network::sigDeviceOffine,
            Qt::DirectConnection);
    connect(m_poller, &StatusPoller::sigDeviceAbnormal, this, &Network::sigDeviceAbnormal,
            Qt::DirectConnection);
    connect(m_poller, &StatusPoller::sigDeviceParamConfigFaild, this,
            &Network::sigDeviceParamConfigFaild, Qt::DirectConnection);

    connect(m_account, &AccountDesk::sigRequestVerifyCode, this, &Network::sigRequestVerifyCode,
            Qt::DirectConnection);
    connect(m_account, &AccountDesk::sigVerifyCodeLogin, this, &Network::sigVerifyCodeLogin,
            Qt::DirectConnection);
    connect(m_account, &AccountDesk::sigGetQRcode, this, &Network::sigGetQRcode,
            Qt::DirectConnection);
    connect(m_account, &AccountDesk::sigGetQRcodeStatus, this, &Network::sigGetQRcodeStatus,
            Qt::DirectConnection);
    connect(m_account, &AccountDesk::sigGetUserInfo, this, &Network::sigGetUserInfo,
            Qt::DirectConnection);
    connect(m_account, &AccountDesk::sigRefreshToken, this, &Network::sigRefreshToken,
            Qt::DirectConnection);

    connect(m_updater, &VersionUpdater::sigVersionQueryFaild, this, &Network::sigVersionQueryFaild,
            Qt::DirectConnection);
    connect(m_updater, &VersionUpdater::sigVersionUpdateHint, this, &Network::sigVersionUpdateHint,
            Qt::DirectConnection);
    connect(m_updater, &VersionUpdater::sigVersionIsNewst, this, &Network::sigVersionIsNewst,
            Qt::DirectConnection);
    connect(m_updater, &VersionUpdater::sigDownloadProgress, this, &Network::sigDownloadProgress,
            Qt::DirectConnection);
    connect(m_updater, &VersionUpdater::sigDownloadCompleted, this, &Network::sigDownloadCompleted,
            Qt::DirectConnection);
    connect(m_updater, &VersionUpdater::sigDownloadFaild, this, &Network::sigDownloadFaild,
            Qt::DirectConnection);
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
    Q_ASSERT(QThread::currentThread() == thread());
    QNetworkAccessManager *manager = nullptr;
    if (const AccessManagerFactory &factory = accessManagerFactory()) {
        manager = factory();
    } else {
        manager = new QNetworkAccessManager;
        manager->setProxyFactory(new LanProxyFactory);
    }
    manager->setParent(this);
    m_issuer.setManager(manager);
    m_listener = new DeviceListenTCP(this);
    m_listener->setCameraCheck([this](const QString &ip) { return m_poller->isJoined(ip); });
    connect(m_listener, &DeviceListenTCP::sigFeedbackInfo, this, &Network::onFeedbackInfo,
            Qt::QueuedConnection);
    LOG_NOTE << "the server source: production";
    LOG_NOTE << "cloud service host: " + cloudHost();

    for (;;) {
        m_updater->runStep();
        m_config->runStep();
        m_events->applyNext();
        m_poller->pollStep();
        m_poller->registerStep();
        m_query->runStep();
        m_account->sendStep();
        if (quitRequested())
            break;
        waitMs(passWaitMs);
    }
    // The access manager with its pending replies and the event listener live on this thread;
    // they go as it finishes, never from the thread that later destroys the engine.
    m_issuer.setManager(nullptr);
    m_router.forgetAll();
    manager->deleteLater();
    m_listener->deleteLater();
    m_listener = nullptr;
}

void Network::httpGet(const QString &url, int tag) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (url.isEmpty() || tag >= RequestDiscarded) {
        LOG_ERROR << "http get: param invalid!";
        return;
    }
    QNetworkRequest request{QUrl(url)};
    RequestIssuer::prepare(request);
    m_issuer.track(m_issuer.manager()->get(request), tag);
}

void Network::httpPost(QNetworkRequest request, const QByteArray &body, int tag) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (tag > RequestRotationQuery) {
        LOG_ERROR << "http post:param invalid!";
        return;
    }
    RequestIssuer::prepare(request);
    m_issuer.track(m_issuer.manager()->post(request, body), tag);
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
        m_config->onReply(reply, tag);
        break;
    case RequestClientRegister:
        m_poller->onRegisterReply(reply);
        break;
    case RequestLiveQuery:
    case RequestMediaModeQuery:
    case RequestVideoModeQuery:
    case RequestRotationQuery:
        m_query->onReply(reply, tag);
        break;
    case RequestSendCode:
    case RequestCodeLogin:
    case RequestGetQRcode:
    case RequestQRcodeStatus:
    case RequestLogout:
    case RequestUserInfo:
    case RequestRefreshToken:
        m_account->onReply(reply, tag);
        break;
    case RequestVersionInfo:
        m_updater->onVersionReply(reply);
        break;
    case RequestDownload:
        m_updater->onDownloadReply(reply);
        break;
    default: // RequestDiscarded
        break;
    }
}

void Network::onFeedbackInfo(DeviceListenTCP::FeedbackInfo_t feedbackInfo) {
    m_events->enqueue(feedbackInfo);
}

// ---- account and version operations -------------------------------------------

void Network::accountRequstVerifyCode(const QString &account) {
    m_account->accountRequstVerifyCode(account);
}

bool Network::accountVerifyCodeLogin(const QString &code) {
    return m_account->accountVerifyCodeLogin(code);
}

void Network::accountGetQRcode() {
    m_account->accountGetQRcode();
}

void Network::accountGetQRcodeStatus(const QString &qrCode) {
    m_account->accountGetQRcodeStatus(qrCode);
}

void Network::accountGetUserInfo(const QString &token) {
    m_account->accountGetUserInfo(token);
}

void Network::accountRefreshToken(const QString &refreshToken) {
    m_account->accountRefreshToken(refreshToken);
}

void Network::accountQuitLogin(const QString &token) {
    m_account->accountQuitLogin(token);
}

void Network::requestVersion() {
    m_updater->requestVersion();
}

void Network::startDownloadApplication(const QString &savePath) {
    m_updater->startDownloadApplication(savePath);
}

quint16 Network::versionAnswerFlagAndRetries() const {
    return m_updater->answerFlagAndRetries();
}

QString Network::latestVersion() const {
    return m_updater->latestVersion();
}

// ---- camera operations --------------------------------------------------------

void Network::setDeviceVideoResolution(int index, const QString &ip, const QString &resFps,
                                       const QString &palNtsc, bool rotation) {
    m_config->setVideoResolution(index, ip, resFps, palNtsc, rotation);
}

void Network::setDeviceHDR(const QString &ip, bool on) {
    m_config->setHdr(ip, on);
}

void Network::setDeviceLiveOn(const QString &ip) {
    m_config->setLiveOn(ip);
}

void Network::addDeviceToHttpMap(const QString &mac, const QString &ip) {
    m_poller->add(mac, ip);
}

void Network::removeDeviceFromHttpMap(const QString &mac) {
    m_poller->remove(mac);
}

void Network::removeVideoParam(const QString &ip) {
    Q_ASSERT(onMainThread());
    if (ip.isEmpty()) {
        LOG_ERROR << "ip is empty";
        return;
    }
    bool configuring = false;
    {
        QMutexLocker lock(&m_records.lock());
        configuring = m_records.removeLocked(ip);
    }
    if (configuring)
        emit sigDeviceParamConfigFaild(ip);
}

// Everything goes at once (the work mode changes and the registry with it):
// nothing is reported and no reply in flight reaches a handler.
void Network::clearAllDevices() {
    Q_ASSERT(onMainThread());
    m_poller->clear();
    {
        QMutexLocker lock(&m_records.lock());
        m_records.clearLocked();
    }
    m_events->clear();
    m_router.retagCameraReplies(RequestDiscarded);
}

void Network::joinTcpListen(const QString &mac, const QString &ip) {
    m_poller->join(mac, ip);
}

void Network::quitTcpListen(const QString &mac, const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_poller->quit(mac, ip);
}

QString Network::findLocalIPinSameNetSegment(const QString &devIP) {
    return localAddressInSubnetOf(devIP);
}
