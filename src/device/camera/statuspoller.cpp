#include "device/camera/statuspoller.h"

#include "device/camera/camerarecords.h"
#include "device/camerareply.h"
#include "device/localaddress.h"
#include "device/networktypes.h"
#include "device/requestissuer.h"
#include "device/threadcheck.h"
#include "log/logline.h"

#include <QNetworkReply>

namespace {

constexpr int pollPeriodPasses = 200;

// Counts a pass down; true on every 201st pass, which starts the count again.
bool periodDue(int &countdown) {
    if (countdown > 0) {
        --countdown;
        return false;
    }
    countdown = pollPeriodPasses;
    return true;
}

} // namespace

StatusPoller::StatusPoller(CameraRecords &records, RequestIssuer &issuer, QObject *parent)
    : QObject(parent), m_records(records), m_issuer(issuer) {}

// ---- main thread ------------------------------------------------------------

void StatusPoller::add(const QString &mac, const QString &ip) {
    Q_ASSERT(onMainThread());
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "addDeviceToHttpMap: param is empty";
        return;
    }
    QMutexLocker lock(&m_lock);
    m_devices.insert(mac, HttpDevice_t{mac, ip});
    LOG_NOTE << "add device to http queue>>>mac:" << mac << " ip:" << ip;
}

void StatusPoller::remove(const QString &mac) {
    Q_ASSERT(onMainThread());
    if (mac.isEmpty()) {
        LOG_ERROR << "removeDeviceFromHttpMap: param is empty";
        return;
    }
    QStringList ended;
    {
        QMutexLocker lock(&m_lock);
        const auto it = m_devices.constFind(mac);
        if (it != m_devices.constEnd()) {
            ended = quitLocked(it->ip);
            m_devices.erase(it);
        }
        LOG_NOTE << "remove device from http queue>>>mac:" << mac;
    }
    for (const QString &ip : std::as_const(ended))
        emit sigDeviceParamConfigFaild(ip);
}

// The registry goes with everything it knew, so nothing is reported.
void StatusPoller::clear() {
    Q_ASSERT(onMainThread());
    QMutexLocker lock(&m_lock);
    m_devices.clear();
    for (QString &mac : m_batteryReplies)
        mac.clear();
    for (QString &mac : m_modeReplies)
        mac.clear();
    m_registerSet.clear();
}

// ---- listener membership ------------------------------------------------------

void StatusPoller::join(const QString &mac, const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "param is invalid";
        return;
    }
    QMutexLocker lock(&m_lock);
    joinLocked(ip);
}

void StatusPoller::quit(const QString &mac, const QString &ip) {
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "param is invalid";
        return;
    }
    QStringList ended;
    {
        QMutexLocker lock(&m_lock);
        ended = quitLocked(ip);
    }
    for (const QString &endedIp : std::as_const(ended))
        emit sigDeviceParamConfigFaild(endedIp);
}

bool StatusPoller::isJoined(const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    QMutexLocker lock(&m_lock);
    return m_registerSet.contains(ip);
}

void StatusPoller::joinLocked(const QString &ip) {
    if (!m_registerSet.contains(ip)) {
        m_registerSet.insert(ip, Registration::ToDo);
        LOG_NOTE << "join tcp listen, ip:" << ip;
    }
    QMutexLocker lock(&m_records.lock());
    bool created = false;
    m_records.ensureLocked(ip, CameraRecord::Query::All, &created);
    if (created)
        LOG_NOTE << "add VideoParamMap, ip:" << ip;
}

QStringList StatusPoller::quitLocked(const QString &ip) {
    if (m_registerSet.remove(ip) > 0)
        LOG_NOTE << "quit tcp listen, ip:" << ip;
    QMutexLocker lock(&m_records.lock());
    if (!m_records.findLocked(ip))
        return {};
    const bool configuring = m_records.removeLocked(ip);
    LOG_NOTE << "remove VideoParamMap, ip:" << ip;
    return configuring ? QStringList{ip} : QStringList{};
}

void StatusPoller::cancelRepliesLocked(QMap<QNetworkReply *, QString> &replies,
                                       const QString &mac) {
    for (QString &owner : replies) {
        if (owner == mac)
            owner.clear();
    }
}

// ---- worker loop steps --------------------------------------------------------

void StatusPoller::pollStep() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!periodDue(m_pollCountdown))
        return;
    QMutexLocker lock(&m_lock);
    for (const HttpDevice_t &device : std::as_const(m_devices)) {
        QNetworkReply *battery = m_issuer.cameraGet(device.ip, RequestIssuer::EndpointBattery);
        connect(battery, &QNetworkReply::finished, this, &StatusPoller::onReplyGetPowerStatus);
        m_batteryReplies.insert(battery, device.mac);
        QNetworkReply *mode = m_issuer.cameraGet(device.ip, RequestIssuer::EndpointWorkMode);
        connect(mode, &QNetworkReply::finished, this, &StatusPoller::onReplyGetCameraMode);
        m_modeReplies.insert(mode, device.mac);
    }
}

void StatusPoller::registerStep() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!periodDue(m_registerCountdown))
        return;
    QMutexLocker lock(&m_lock);
    for (auto it = m_registerSet.begin(); it != m_registerSet.end(); ++it) {
        if (it.value() != Registration::ToDo)
            continue;
        const QString &ip = it.key();
        const QString local = localAddressInSubnetOf(ip);
        if (local.isEmpty()) {
            LOG_ERROR << "the localHost connot be found with an IP address in the same network "
                         "segment!";
            LOG_ERROR << "current device ip: " << ip;
            continue;
        }
        m_issuer.taggedCameraGet(ip, RequestIssuer::EndpointClientRegister, RequestClientRegister,
                                 local);
        it.value() = Registration::InFlight;
    }
}

// ---- replies --------------------------------------------------------------------

void StatusPoller::onRegisterReply(QNetworkReply *reply) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString ip = reply->objectName();
    const QString label = QStringLiteral("set listen ip>>");
    QMutexLocker lock(&m_lock);
    const auto it = m_registerSet.find(ip);
    if (it == m_registerSet.end())
        return; // the camera left the listener meanwhile
    const std::optional<QString> body = CameraReply::bodyOf(reply, ip, label);
    if (!body || !CameraReply::isSuccess(*body)) {
        if (body)
            LOG_ERROR << "camera_" << ip << label << "url:" << reply->url().toString()
                      << " data:" << *body;
        it.value() = Registration::ToDo; // the next period tries again
        return;
    }
    it.value() = Registration::Done;
    LOG_NOTE << label << "success!  ip:" << ip;
}

void StatusPoller::onReplyGetPowerStatus() {
    Q_ASSERT(QThread::currentThread() == thread());
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    QString mac;
    QStringList ended;
    bool offline = false;
    bool abnormal = false;
    std::optional<HttpDevice_t> report;
    {
        QMutexLocker lock(&m_lock);
        mac = m_batteryReplies.take(reply);
        const auto device = m_devices.find(mac);
        if (mac.isEmpty() || device == m_devices.end())
            return;
        const QString ip = device->ip;

        if (reply->error() != QNetworkReply::NoError) {
            LOG_ERROR << "device reply error>>>mac:" << mac << " err:" << reply->errorString()
                      << " errCode:" << CameraReply::errorName(reply->error());
            LOG_ERROR << "HttpStatusCode:"
                      << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            cancelRepliesLocked(m_batteryReplies, mac);
            ended = quitLocked(ip);
            if (reply->error() == QNetworkReply::OperationCanceledError) {
                offline = true;
                m_devices.erase(device);
            } else {
                abnormal = true;
            }
        } else if (const std::optional<CameraReply::Battery> battery =
                       CameraReply::battery(QString::fromUtf8(reply->readAll()));
                   !battery) {
            ended = quitLocked(ip);
            m_devices.erase(device);
            offline = true;
            LOG_NOTE << "The device information to be queried is incorrect, offline";
        } else {
            if (battery->ac <= 0) {
                report = HttpDevice_t{mac, ip, false, 0};
            } else if (battery->capacity > 100 || battery->capacity < 0) {
                LOG_ERROR << "battery capacity error! capacity: " << battery->capacity
                          << " charge:" << boolText(battery->charge > 0) << " ac:"
                          << "true";
            } else {
                device->isCharge = battery->charge > 0;
                device->battery = static_cast<qint16>(battery->capacity);
                report = *device;
            }
            joinLocked(ip);
        }
    }
    for (const QString &ip : std::as_const(ended))
        emit sigDeviceParamConfigFaild(ip);
    if (offline)
        emit sigDeviceOffine(mac);
    if (abnormal)
        emit sigDeviceAbnormal(mac);
    if (report)
        emit sigDeviceBatteryInfo(mac, report->isCharge, report->battery);
}

void StatusPoller::onReplyGetCameraMode() {
    Q_ASSERT(QThread::currentThread() == thread());
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    QString mac;
    QStringList ended;
    {
        QMutexLocker lock(&m_lock);
        mac = m_modeReplies.take(reply);
        const auto device = m_devices.find(mac);
        if (mac.isEmpty() || device == m_devices.end())
            return;
        if (reply->error() != QNetworkReply::NoError) {
            // Whether the camera is lost is for the battery poll to decide.
            cancelRepliesLocked(m_modeReplies, mac);
            return;
        }
        if (CameraReply::isWirelessMode(QString::fromUtf8(reply->readAll())))
            return;
        ended = quitLocked(device->ip);
        m_devices.erase(device);
        cancelRepliesLocked(m_modeReplies, mac);
    }
    for (const QString &ip : std::as_const(ended))
        emit sigDeviceParamConfigFaild(ip);
    emit sigDeviceOffine(mac);
}
