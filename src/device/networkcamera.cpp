// The camera side of the engine: the configuration sequence, parameter
// queries, battery and work-mode polls, client registration and the camera
// events that confirm each configuration step.
#include "device/camerareply.h"
#include "device/network.h"
#include "log/logline.h"

#include <QHostAddress>
#include <QMetaEnum>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>

namespace {

constexpr int configTimeoutMs = 15000;
constexpr int pollPeriodPasses = 200;
// Camera events waiting to be applied; one is applied per pass, so a camera
// that floods records must not grow the queue without bound.
constexpr qsizetype maxQueuedEvents = 1000;

const QString statemngSetting = QStringLiteral("STATEMNG_SETTING");
const QString normRec = QStringLiteral("NORM_REC");

const char *boolText(bool value) {
    return value ? "true" : "false";
}

QString configLabel(int tag) {
    switch (tag) {
    case RequestConfigLiveQuery:
        return QStringLiteral(" LIVE query>>>");
    case RequestConfigLiveOff:
    case RequestConfigLiveOn:
        return QStringLiteral(" LIVE control>>>");
    case RequestConfigMediaMode:
        return QStringLiteral(" RES&FPS&HDR control>>>");
    case RequestConfigRotation:
        return QStringLiteral(" RATATION control>>>");
    default:
        return QStringLiteral(" PAL/NTSC control>>>");
    }
}

QString queryLabel(int tag) {
    switch (tag) {
    case RequestLiveQuery:
        return QStringLiteral(" LIVE query>>>");
    case RequestMediaModeQuery:
        return QStringLiteral(" RES&FPS&HDR query>>>");
    case RequestVideoModeQuery:
        return QStringLiteral(" PAL/NTSC query>>>");
    default:
        return QStringLiteral(" RATATION query>>>");
    }
}

// The configuration step whose control reply carries this tag; a reply that
// arrives after its camera event already moved the sequence on must not
// start the confirmation timer again.
quint32 stepAwaitingReply(int tag) {
    switch (tag) {
    case RequestConfigLiveOff:
        return 2;
    case RequestConfigMediaMode:
        return 3;
    case RequestConfigVideoMode:
        return 4;
    case RequestConfigRotation:
        return 5;
    case RequestConfigLiveOn:
        return 6;
    default:
        return 0;
    }
}

QString mediaModeValue(const QString &resFps, bool hdr) {
    if (resFps == QLatin1String("1080P30"))
        return hdr ? QStringLiteral("1080P30_HDR_SS") : QStringLiteral("1080P30_SS");
    if (resFps == QLatin1String("4K30") && hdr)
        return QStringLiteral("4K30_HDR");
    return resFps;
}

// The body of a camera reply, or nothing after logging why there is none:
// a transport failure or an empty reply.
std::optional<QString> replyBody(QNetworkReply *reply, const QString &ip, const QString &label) {
    if (reply->error() != QNetworkReply::NoError) {
        LOG_ERROR << "camera_" << ip << label << "SERVER reply error:" << reply->errorString();
        return std::nullopt;
    }
    if (reply->bytesAvailable() == 0) {
        LOG_ERROR << "camera_" << ip << label << "no data available";
        return std::nullopt;
    }
    return QString::fromUtf8(reply->readAll());
}

QString errorName(QNetworkReply::NetworkError error) {
    return QString::fromLatin1(
        QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
}

} // namespace

// ---- operations called on the main thread --------------------------------

void Network::setDeviceVideoResolution(int index, const QString &ip, const QString &resFps,
                                       const QString &palNtsc, bool rotation) {
    if (ip.isEmpty() || resFps.isEmpty() || palNtsc.isEmpty()) {
        LOG_ERROR << "setDeviceVideoResolution: param invalid!";
        LOG_ERROR << "index:" << index << " ip:" << ip << " res_fps:" << resFps
                  << " pal_ntsc:" << palNtsc << " ratation:" << boolText(rotation);
        return;
    }
    LOG_NOTE << "set device video >> "
             << "ip:" << ip << " res&fps:" << resFps << " pal/ntsc:" << palNtsc
             << " ratation:" << boolText(rotation);

    QMutexLocker lock(&m_videoLock);
    VideoParam_t *param = videoParamLocked(ip);
    if (param) {
        cancelConfigRepliesLocked(ip);
    } else {
        param = (m_videoParamMap[ip] = std::make_unique<VideoParam_t>()).get();
    }
    param->configStep = 1;
    param->resFps = resFps;
    param->palNtsc = palNtsc;
    param->rotation = rotation;
    param->pending = true;
    param->restartLive = true;
    param->stopTimer = true;
}

void Network::setDeviceHDR(const QString &ip, bool on) {
    if (ip.isEmpty()) {
        LOG_ERROR << "setDeviceHDR: ip is empty";
        return;
    }
    QMutexLocker lock(&m_videoLock);
    VideoParam_t *param = videoParamLocked(ip);
    if (!param) {
        LOG_ERROR << "setDeviceHDR: no find device from VideoParamMap";
        return;
    }
    if (param->resFps.isEmpty()) {
        param->retryCount = 0;
        param->queryState = 5;
        LOG_NOTE << "setDeviceHDR: the local video param is empty, query the param first!";
        return;
    }
    if (param->live) {
        LOG_ERROR << "setDeviceHDR: forbid config, the status of LIVE is on";
        return;
    }
    param->hdr = on;
    param->configStep = 1;
    param->pending = true;
    param->stopTimer = true;
    cancelConfigRepliesLocked(ip);
}

void Network::setDeviceLiveOn(const QString &ip) {
    if (ip.isEmpty()) {
        LOG_ERROR << "setDeviceLiveOn: ip is empty";
        return;
    }
    QMutexLocker lock(&m_videoLock);
    VideoParam_t *param = videoParamLocked(ip);
    if (!param)
        return;
    if (param->resFps.isEmpty()) {
        param->retryCount = 0;
        param->queryState = 5;
        LOG_NOTE << "setDeviceLiveOn: the local video param is empty, query the param first!";
        return;
    }
    if (!param->live && param->configStep == 0) {
        param->configStep = 6;
        param->pending = true;
    }
    param->restartLive = true;
}

void Network::addDeviceToHttpMap(const QString &mac, const QString &ip) {
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "addDeviceToHttpMap: param is empty";
        return;
    }
    QMutexLocker lock(&m_pollLock);
    m_httpMap.insert(mac, HttpDevice_t{mac, ip});
    LOG_NOTE << "add device to http queue>>>mac:" << mac << " ip:" << ip;
}

void Network::removeDeviceFromHttpMap(const QString &mac) {
    if (mac.isEmpty()) {
        LOG_ERROR << "removeDeviceFromHttpMap: param is empty";
        return;
    }
    QMutexLocker lock(&m_pollLock);
    const auto it = m_httpMap.constFind(mac);
    if (it != m_httpMap.constEnd()) {
        quitTcpListen(mac, it->ip);
        m_httpMap.erase(it);
    }
    LOG_NOTE << "remove device from http queue>>>mac:" << mac;
}

void Network::removeVideoParam(const QString &ip) {
    if (ip.isEmpty()) {
        LOG_ERROR << "ip is empty";
        return;
    }
    QMutexLocker lock(&m_videoLock);
    deleteVideoParamLocked(ip);
}

void Network::clearAllDevices() {
    {
        QMutexLocker lock(&m_pollLock);
        m_httpMap.clear();
        for (QString &mac : m_batteryReplies)
            mac.clear();
        for (QString &mac : m_modeReplies)
            mac.clear();
    }
    {
        QMutexLocker lock(&m_registerLock);
        m_registerSet.clear();
    }
    {
        QMutexLocker lock(&m_videoLock);
        while (!m_videoParamMap.empty())
            deleteVideoParamLocked(m_videoParamMap.begin()->first);
        for (QString &ip : m_replyOwner)
            ip.clear();
        m_feedbackQueue.clear();
    }
    m_router.retagAll(RequestDiscarded);
}

// ---- listener membership (worker thread) ----------------------------------

void Network::joinTcpListen(const QString &mac, const QString &ip) {
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "param is invalid";
        return;
    }
    {
        QMutexLocker lock(&m_registerLock);
        if (!m_registerSet.contains(ip)) {
            m_registerSet.insert(ip, RegisterToDo);
            LOG_NOTE << "join tcp listen, ip:" << ip;
        }
    }
    QMutexLocker lock(&m_videoLock);
    if (!videoParamLocked(ip)) {
        m_videoParamMap[ip] = std::make_unique<VideoParam_t>();
        m_videoParamMap[ip]->queryState = 5;
        LOG_NOTE << "add VideoParamMap, ip:" << ip;
    }
}

void Network::quitTcpListen(const QString &mac, const QString &ip) {
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "param is invalid";
        return;
    }
    {
        QMutexLocker lock(&m_registerLock);
        if (m_registerSet.remove(ip) > 0)
            LOG_NOTE << "quit tcp listen, ip:" << ip;
    }
    QMutexLocker lock(&m_videoLock);
    if (videoParamLocked(ip)) {
        deleteVideoParamLocked(ip);
        LOG_NOTE << "remove VideoParamMap, ip:" << ip;
    }
}

// ---- helpers under the video lock ----------------------------------------

Network::VideoParam_t *Network::videoParamLocked(const QString &ip) {
    const auto it = m_videoParamMap.find(ip);
    return it == m_videoParamMap.end() ? nullptr : it->second.get();
}

void Network::cancelConfigRepliesLocked(const QString &ip) {
    for (QString &owner : m_replyOwner) {
        if (owner == ip)
            owner.clear();
    }
}

void Network::stopConfigTimerLocked(VideoParam_t &param) {
    if (param.configTimer)
        param.configTimer->stop();
}

void Network::startConfigTimerLocked(const QString &ip, VideoParam_t &param) {
    if (!param.configTimer) {
        param.configTimer = new QTimer(this);
        param.configTimer->setSingleShot(true);
        param.configTimer->setInterval(configTimeoutMs);
        param.configTimer->setObjectName(ip);
        connect(param.configTimer, &QTimer::timeout, this, &Network::onTimeoutVideoConfig);
    }
    param.configTimer->start();
}

// Records may be dropped from the main thread; their timer belongs to the
// worker thread, so it is stopped there (deleteLater) and its time-out is
// ignored once its record is gone.
void Network::deleteVideoParamLocked(const QString &ip) {
    const auto it = m_videoParamMap.find(ip);
    if (it == m_videoParamMap.end())
        return;
    if (QTimer *timer = it->second->configTimer) {
        if (timer->thread() == QThread::currentThread())
            timer->stop();
        timer->deleteLater();
    }
    m_videoParamMap.erase(it);
    cancelConfigRepliesLocked(ip);
}

// ---- worker loop steps ----------------------------------------------------

void Network::runConfigStep() {
    QMutexLocker lock(&m_videoLock);
    for (auto &[ip, param] : m_videoParamMap) {
        if (param->stopTimer) {
            stopConfigTimerLocked(*param);
            param->stopTimer = false;
        }
        if (!param->pending)
            continue;
        QNetworkReply *reply = nullptr;
        int tag = 0;
        switch (param->configStep) {
        case 1:
            reply = sendCameraGet(ip, EndpointCamState);
            tag = RequestConfigLiveQuery;
            break;
        case 2:
            reply = sendCameraGet(ip, EndpointKeyOk);
            tag = RequestConfigLiveOff;
            break;
        case 3:
            reply =
                sendCameraGet(ip, EndpointSetMediaMode, mediaModeValue(param->resFps, param->hdr));
            tag = RequestConfigMediaMode;
            break;
        case 4:
            reply = sendCameraGet(ip, EndpointSetVideoMode, param->palNtsc);
            tag = RequestConfigVideoMode;
            break;
        case 5:
            reply = sendCameraGet(ip, EndpointSetRotation,
                                  param->rotation ? QStringLiteral("ON") : QStringLiteral("OFF"));
            tag = RequestConfigRotation;
            break;
        case 6:
            reply = sendCameraGet(ip, EndpointKeyOk);
            tag = RequestConfigLiveOn;
            break;
        case 7:
            emit sigDeviceParamConfigFaild(ip);
            param->configStep = 0;
            break;
        default:
            break;
        }
        if (reply) {
            connect(reply, &QNetworkReply::finished, this, &Network::onReplyMap);
            m_replyOwner.insert(reply, ip);
            m_router.track(reply, tag);
        }
        param->pending = false;
    }
}

void Network::runQueryStep() {
    QMutexLocker lock(&m_videoLock);
    const auto query = [this](const QString &ip, int endpoint, int tag) {
        QNetworkReply *reply = sendCameraGet(ip, endpoint);
        reply->setObjectName(ip);
        connect(reply, &QNetworkReply::finished, this, &Network::onReplyMap);
        m_router.track(reply, tag);
    };
    for (auto &[ip, param] : m_videoParamMap) {
        switch (param->queryState) {
        case 1:
            query(ip, EndpointCamState, RequestLiveQuery);
            param->queryState = 0;
            break;
        case 2:
            query(ip, EndpointGetMediaMode, RequestMediaModeQuery);
            param->queryState = 0;
            break;
        case 3:
            query(ip, EndpointGetRotation, RequestRotationQuery);
            param->queryState = 0;
            break;
        case 4:
            query(ip, EndpointGetVideoMode, RequestVideoModeQuery);
            param->queryState = 0;
            break;
        case 5:
            query(ip, EndpointCamState, RequestLiveQuery);
            query(ip, EndpointGetMediaMode, RequestMediaModeQuery);
            query(ip, EndpointGetVideoMode, RequestVideoModeQuery);
            query(ip, EndpointGetRotation, RequestRotationQuery);
            param->queryState = 0;
            break;
        case 6:
            ++param->retryCount;
            param->queryState = param->retryCount > 2 ? 0 : 5;
            break;
        default:
            break;
        }
    }
}

void Network::pollDeviceStatus() {
    if (m_pollCountdown > 0) {
        --m_pollCountdown;
        return;
    }
    m_pollCountdown = pollPeriodPasses;
    QMutexLocker lock(&m_pollLock);
    for (const HttpDevice_t &device : std::as_const(m_httpMap)) {
        QNetworkReply *battery = sendCameraGet(device.ip, EndpointBattery);
        connect(battery, &QNetworkReply::finished, this, &Network::onReplyGetPowerStatus);
        m_batteryReplies.insert(battery, device.mac);
        QNetworkReply *mode = sendCameraGet(device.ip, EndpointWorkMode);
        connect(mode, &QNetworkReply::finished, this, &Network::onReplyGetCameraMode);
        m_modeReplies.insert(mode, device.mac);
    }
}

void Network::registerListenIp() {
    if (m_registerCountdown > 0) {
        --m_registerCountdown;
        return;
    }
    m_registerCountdown = pollPeriodPasses;
    QMutexLocker lock(&m_registerLock);
    for (auto it = m_registerSet.begin(); it != m_registerSet.end(); ++it) {
        if (it.value() != RegisterToDo)
            continue;
        const QString &ip = it.key();
        const QString local = findLocalIPinSameNetSegment(ip);
        if (local.isEmpty()) {
            LOG_ERROR << "the localHost connot be found with an IP address in the same network "
                         "segment!";
            LOG_ERROR << "current device ip: " << ip;
            continue;
        }
        QNetworkReply *reply = sendCameraGet(ip, EndpointClientRegister, local);
        reply->setObjectName(ip);
        connect(reply, &QNetworkReply::finished, this, &Network::onReplyMap);
        m_router.track(reply, RequestClientRegister);
        it.value() = RegisterInFlight;
    }
}

void Network::onFeedbackInfo(DeviceListenTCP::FeedbackInfo_t feedbackInfo) {
    if (!feedbackInfo.isValid)
        return;
    QMutexLocker lock(&m_videoLock);
    if (m_feedbackQueue.size() >= maxQueuedEvents) {
        LOG_ERROR << "cameraIP:" << feedbackInfo.ip
                  << "event queue full, event dropped:" << feedbackInfo.rawData;
        return;
    }
    m_feedbackQueue.append(feedbackInfo);
}

void Network::processFeedbackInfo() {
    QMutexLocker lock(&m_videoLock);
    if (m_feedbackQueue.isEmpty())
        return;
    const DeviceListenTCP::FeedbackInfo_t info = m_feedbackQueue.takeFirst();
    if (info.ip.isEmpty()) {
        LOG_ERROR << "the feedbackInfo.ip is empty!";
        return;
    }
    if (info.eventId != statemngSetting || info.arg2 != normRec)
        return;
    if (VideoParam_t *param = videoParamLocked(info.ip))
        applyFeedbackLocked(info, *param);
}

void Network::applyFeedbackLocked(const DeviceListenTCP::FeedbackInfo_t &info,
                                  VideoParam_t &param) {
    const QString &ip = info.ip;
    const QString prefix = QStringLiteral("camera_") + ip;
    const bool success = info.result == QLatin1String("SUCCESS");
    const auto failed = [&](const char *label) {
        LOG_ERROR << prefix << label << "error!  rawData:" << info.rawData;
    };

    if (info.arg1 == QLatin1String("ADDRTSPSTREAM")) {
        if (!success)
            return failed(" LIVE feedback>>>");
        emit sigDeviceParamFeedback(ip, VideoParamLive, info.payload);
        if (info.payload != QLatin1String("0")) {
            param.live = true;
            LOG_NOTE << prefix << " LIVE feedback>>>"
                     << "ON";
            if (param.configStep == 6) {
                stopConfigTimerLocked(param);
                param.configStep = 0;
                emit sigDeviceParamConfigFinish(ip);
            }
        } else {
            param.live = false;
            LOG_NOTE << prefix << " LIVE feedback>>>"
                     << "OFF";
            if (param.configStep == 2) {
                stopConfigTimerLocked(param);
                param.configStep = 4;
                param.pending = true;
                LOG_NOTE << "start device param settings...";
            }
        }
    } else if (info.arg1 == QLatin1String("VIDEOMODE")) {
        if (!success)
            return failed(" PAL/NTSC feedback>>>");
        if (param.configStep == 4) {
            stopConfigTimerLocked(param);
            param.configStep = 3;
            param.pending = true;
            LOG_NOTE << prefix << " PAL/NTSC feedback>>>" << info.payload;
        }
        param.palNtsc = info.payload;
        emit sigDeviceParamFeedback(ip, VideoParamPalNtsc, info.payload);
    } else if (info.arg1 == QLatin1String("MEDIAMODE")) {
        if (!success)
            return failed(" RES&FPS&HDR feedback>>>");
        if (param.configStep == 3) {
            stopConfigTimerLocked(param);
            param.configStep = 5;
            param.pending = true;
            LOG_NOTE << prefix << " RES&FPS&HDR feedback>>>" << info.payload;
        }
        param.hdr = info.payload.contains(QLatin1String("HDR"));
        emit sigDeviceParamFeedback(ip, VideoParamHDR,
                                    param.hdr ? QStringLiteral("1") : QStringLiteral("0"));
        param.resFps = CameraReply::resFpsOf(info.payload);
        emit sigDeviceParamFeedback(ip, VideoParamResFps, param.resFps);
    } else if (info.arg1 == QLatin1String("ROTATION")) {
        if (!success)
            return failed(" RATATION feedback>>>");
        if (param.configStep == 5) {
            stopConfigTimerLocked(param);
            if (param.restartLive) {
                param.configStep = 6;
                param.pending = true;
            } else {
                param.configStep = 0;
            }
            LOG_NOTE << prefix << " RATATION feedback>>>" << info.payload;
        }
        param.rotation = info.payload.contains(QLatin1String("ON"));
        emit sigDeviceParamFeedback(ip, VideoParamRotation, info.payload);
    } else if (info.arg1 == QLatin1String("PRESET")) {
        if (!success)
            return failed(" SCENE feedback>>>");
        param.hdr = info.payload != QLatin1String("indoor");
        emit sigDeviceParamFeedback(ip, VideoParamHDR,
                                    param.hdr ? QStringLiteral("1") : QStringLiteral("0"));
        LOG_ERROR << prefix << " SCENE feedback>>>" << info.payload
                  << " HDR:" << (param.hdr ? "ON" : "OFF");
    }
}

// ---- reply handlers (worker thread) ----------------------------------------

void Network::onConfigReply(QNetworkReply *reply, int tag) {
    QMutexLocker lock(&m_videoLock);
    const QString ip = m_replyOwner.take(reply);
    const QString label = configLabel(tag);
    VideoParam_t *param = ip.isEmpty() ? nullptr : videoParamLocked(ip);
    if (!param) {
        LOG_NOTE << "camera_" << ip << label << "cancel";
        return;
    }
    const auto fail = [&] {
        param->configStep = 7;
        param->pending = true;
    };
    const std::optional<QString> received = replyBody(reply, ip, label);
    if (!received)
        return fail();
    const QString &body = *received;

    if (tag == RequestConfigLiveQuery) {
        const std::optional<bool> living = CameraReply::isLiving(body);
        if (!living) {
            LOG_ERROR << "camera_" << ip << label << "data error--" << body;
            return fail();
        }
        param->live = *living;
        if (param->live) {
            if (param->configStep == 1)
                param->configStep = 2;
            LOG_NOTE << "camera_" << ip << label << "ON";
        } else {
            if (param->configStep == 1)
                param->configStep = 4;
            LOG_NOTE << "camera_" << ip << label << "OFF, start param settings...";
        }
        param->pending = true;
        return;
    }

    if (!CameraReply::isSuccess(body)) {
        LOG_ERROR << "camera_" << ip << label << "faild--" << body;
        return fail();
    }
    if (param->configStep == stepAwaitingReply(tag))
        startConfigTimerLocked(ip, *param);
    if (tag == RequestConfigLiveOn)
        LOG_NOTE << "camera_" << ip << label << "turn on";
    else if (tag == RequestConfigLiveOff)
        LOG_NOTE << "camera_" << ip << label << "turn off, wait to the LIVE off...";
}

void Network::onTimeoutVideoConfig() {
    auto *timer = qobject_cast<QTimer *>(sender());
    if (!timer)
        return;
    const QString ip = timer->objectName();
    quint32 step = 0;
    {
        QMutexLocker lock(&m_videoLock);
        VideoParam_t *param = videoParamLocked(ip);
        if (!param || param->configTimer != timer)
            return;
        param->configStep = 7;
        param->pending = true;
        cancelConfigRepliesLocked(ip);
        step = param->configStep;
    }
    LOG_ERROR << "cameraIP:" << ip << "video param config faild!  step:" << step;
}

void Network::onQueryReply(QNetworkReply *reply, int tag) {
    const QString ip = reply->objectName();
    const QString label = queryLabel(tag);
    QMutexLocker lock(&m_videoLock);
    VideoParam_t *param = videoParamLocked(ip);
    if (!param) {
        LOG_NOTE << "camera_" << ip << label << "cancel";
        return;
    }
    const auto fail = [&] {
        if (tag == RequestLiveQuery || param->queryState != 5)
            param->queryState = 6;
    };
    const std::optional<QString> received = replyBody(reply, ip, label);
    if (!received)
        return fail();
    const QString &body = *received;

    if (tag == RequestLiveQuery) {
        const std::optional<bool> living = CameraReply::isLiving(body);
        if (!living) {
            LOG_ERROR << "camera_" << ip << label << "data error--" << body;
            return fail();
        }
        param->live = *living;
        emit sigDeviceParamFeedback(ip, VideoParamLive,
                                    param->live ? QStringLiteral("1") : QStringLiteral("0"));
        return;
    }

    const std::optional<QString> value = CameraReply::workModeValue(body);
    if (!value) {
        LOG_ERROR << "camera_" << ip << label << "data error!  rawData:" << body;
        return fail();
    }
    if (tag == RequestMediaModeQuery) {
        param->hdr = value->contains(QLatin1String("HDR"));
        param->resFps = CameraReply::resFpsOf(*value);
        emit sigDeviceParamFeedback(ip, VideoParamHDR,
                                    param->hdr ? QStringLiteral("1") : QStringLiteral("0"));
        emit sigDeviceParamFeedback(ip, VideoParamResFps, param->resFps);
        LOG_NOTE << "camera_" << ip << label << param->resFps
                 << " HDR: " << (param->hdr ? "ON" : "OFF");
    } else if (tag == RequestVideoModeQuery) {
        param->palNtsc =
            value->contains(QLatin1String("PAL")) ? QStringLiteral("PAL") : QStringLiteral("NTSC");
        emit sigDeviceParamFeedback(ip, VideoParamPalNtsc, param->palNtsc);
    } else {
        param->rotation = value->contains(QLatin1String("ON"));
        emit sigDeviceParamFeedback(ip, VideoParamRotation,
                                    param->rotation ? QStringLiteral("ON") : QStringLiteral("OFF"));
    }
}

void Network::onRegisterReply(QNetworkReply *reply) {
    const QString ip = reply->objectName();
    const QString label = QStringLiteral("set listen ip>>");
    QMutexLocker lock(&m_registerLock);
    const auto it = m_registerSet.find(ip);
    if (it == m_registerSet.end())
        return; // the camera left the listener meanwhile
    const std::optional<QString> body = replyBody(reply, ip, label);
    if (!body || !CameraReply::isSuccess(*body)) {
        if (body)
            LOG_ERROR << "camera_" << ip << label << "url:" << reply->url().toString()
                      << " data:" << *body;
        it.value() = RegisterToDo; // the next period tries again
        return;
    }
    it.value() = RegisterDone;
    LOG_NOTE << label << "success!  ip:" << ip;
}

void Network::onReplyGetPowerStatus() {
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    QMutexLocker lock(&m_pollLock);
    const QString mac = m_batteryReplies.take(reply);
    reply->deleteLater();
    const auto device = m_httpMap.constFind(mac);
    if (mac.isEmpty() || device == m_httpMap.constEnd())
        return;
    const QString ip = device->ip;

    if (reply->error() != QNetworkReply::NoError) {
        LOG_ERROR << "device reply error>>>mac:" << mac << " err:" << reply->errorString()
                  << " errCode:" << errorName(reply->error());
        LOG_ERROR << "HttpStatusCode:"
                  << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        cancelPollRepliesLocked(m_batteryReplies, mac);
        if (reply->error() == QNetworkReply::OperationCanceledError) {
            emit sigDeviceOffine(mac);
            quitTcpListen(mac, ip);
            m_httpMap.remove(mac);
        } else {
            emit sigDeviceAbnormal(mac);
            quitTcpListen(mac, ip);
        }
        return;
    }
    const std::optional<CameraReply::Battery> battery =
        CameraReply::battery(QString::fromUtf8(reply->readAll()));
    if (!battery) {
        emit sigDeviceOffine(mac);
        quitTcpListen(mac, ip);
        m_httpMap.remove(mac);
        LOG_NOTE << "The device information to be queried is incorrect, offline";
        return;
    }
    if (battery->ac > 0) {
        if (battery->capacity > 100 || battery->capacity < 0) {
            LOG_ERROR << "battery capacity error! capacity: " << battery->capacity
                      << " charge:" << boolText(battery->charge > 0) << " ac:"
                      << "true";
        } else {
            HttpDevice_t &entry = m_httpMap[mac];
            entry.isCharge = battery->charge > 0;
            entry.battery = static_cast<qint16>(battery->capacity);
            emit sigDeviceBatteryInfo(mac, entry.isCharge, entry.battery);
        }
    } else {
        emit sigDeviceBatteryInfo(mac, false, 0);
    }
    joinTcpListen(mac, ip);
}

void Network::onReplyGetCameraMode() {
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    QMutexLocker lock(&m_pollLock);
    const QString mac = m_modeReplies.take(reply);
    reply->deleteLater();
    const auto device = m_httpMap.constFind(mac);
    if (mac.isEmpty() || device == m_httpMap.constEnd())
        return;
    if (reply->error() != QNetworkReply::NoError) {
        // Whether the camera is lost is for the battery poll to decide.
        cancelPollRepliesLocked(m_modeReplies, mac);
        return;
    }
    if (CameraReply::isWirelessMode(QString::fromUtf8(reply->readAll())))
        return;
    const QString ip = device->ip;
    emit sigDeviceOffine(mac);
    quitTcpListen(mac, ip);
    m_httpMap.remove(mac);
    cancelPollRepliesLocked(m_modeReplies, mac);
}

void Network::cancelPollRepliesLocked(QMap<QNetworkReply *, QString> &replies, const QString &mac) {
    for (QString &owner : replies) {
        if (owner == mac)
            owner.clear();
    }
}

QString Network::findLocalIPinSameNetSegment(const QString &devIP) {
    if (devIP.isEmpty()) {
        LOG_ERROR << "findLocalIPinSameNetSegment: param is empty!";
        return {};
    }
    QStringList local;
    const auto required =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanMulticast;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        if (!interface.isValid() || (interface.flags() & required) != required ||
            interface.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                local << entry.ip().toString();
        }
    }
    LOG_NOTE << "LocalHost ListIP:";
    for (const QString &address : std::as_const(local))
        LOG_NOTE << address;

    const QString devNet = devIP.section(QLatin1Char('.'), 0, 2);
    for (const QString &address : std::as_const(local)) {
        if (address.section(QLatin1Char('.'), 0, 2) == devNet) {
            LOG_NOTE << "devIP: " << devIP;
            LOG_NOTE << "the hostIP: " << address;
            return address;
        }
    }
    return {};
}
