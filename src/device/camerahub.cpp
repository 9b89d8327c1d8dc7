#include "device/camerahub.h"

#include "device/devicesearchip.h"
#include "device/mdns.h"
#include "device/network.h"
#include "log/logline.h"

#include <QThread>

namespace {
constexpr int rescanRetryMs = 100;
} // namespace

CameraHub::CameraHub(IniFile &settings, QObject *parent)
    : QObject(parent), m_devList(settings), m_network(Network::getInstance()),
      m_searchIp(DeviceSearchIP::getInstance()), m_mdnsThread(new QThread(this)), m_mdns(new mDNS) {
    m_mdnsThread->setObjectName(QStringLiteral("mdns"));
    m_mdns->moveToThread(m_mdnsThread);
    connect(m_mdnsThread, &QThread::finished, m_mdns, &QObject::deleteLater);
    connect(this, &CameraHub::sigStartThread, m_mdns, &mDNS::onRun);
    m_rescanRetry.setSingleShot(true);
    m_rescanRetry.setInterval(rescanRetryMs);
    connect(&m_rescanRetry, &QTimer::timeout, this, &CameraHub::rescan);
    // Wired before the worker's thread runs, so it never emits into a half-made hub.
    wire();
    m_mdnsThread->start(QThread::InheritPriority);
}

CameraHub::~CameraHub() {
    // The worker is deleted on its own thread as that thread finishes; cut its link to this
    // object first, so that its destruction there never reaches back into the hub.
    disconnect(this, nullptr, m_mdns, nullptr);
    m_mdns->stop();
    m_mdnsThread->quit();
    m_mdnsThread->wait();
}

void CameraHub::wire() {
    connect(m_mdns, &mDNS::sigMdnsAdd, &m_devList, &DevList::onAddDevice, Qt::QueuedConnection);
    connect(m_mdns, &mDNS::sigMdnsRemove, &m_devList, &DevList::onRemoveDevice,
            Qt::QueuedConnection);
    connect(m_mdns, &mDNS::sigMdnsSeen, &m_devList, &DevList::onDevicesSeen, Qt::QueuedConnection);
    connect(m_searchIp, &DeviceSearchIP::sigDeviceOnline, &m_devList, &DevList::onAddDevice,
            Qt::QueuedConnection);
    connect(m_searchIp, &DeviceSearchIP::sigDeviceOffline, &m_devList, &DevList::onRemoveDevice,
            Qt::QueuedConnection);
    connect(m_network, &Network::sigDeviceBatteryInfo, &m_devList, &DevList::onDeviceBatteryInfo,
            Qt::QueuedConnection);
    connect(m_network, &Network::sigDeviceAbnormal, &m_devList, &DevList::onDeviceAbnormal,
            Qt::QueuedConnection);
    connect(m_network, &Network::sigDeviceOffine, &m_devList, &DevList::onDeviceOffine,
            Qt::QueuedConnection);
    // The engine runs on its own thread, so these are queued too.
    connect(m_network, &Network::sigDeviceParamFeedback, &m_devList, &DevList::onVideoParamSync);
    connect(m_network, &Network::sigDeviceParamConfigFaild, &m_devList,
            &DevList::onVideoParamConfigFaild);
    connect(m_network, &Network::sigDeviceParamConfigFinish, &m_devList,
            &DevList::onVideoParamConfigFinish);
    connect(&m_devList, &DevList::sigHistoryDeviceOnline, this, &CameraHub::onHistoryDeviceOnline,
            Qt::QueuedConnection);
    connect(&m_devList, &DevList::sigHistoryDeviceOffline, this, &CameraHub::onHistoryDeviceOffline,
            Qt::QueuedConnection);
    connect(&m_devList, &DevList::sigNewDeviceEvicted, this, &CameraHub::onNewDeviceEvicted);
}

void CameraHub::start() {
    Q_ASSERT(QThread::currentThread() == thread());
    emit sigStartThread();
}

void CameraHub::stopDiscovery() {
    Q_ASSERT(QThread::currentThread() == thread());
    m_mdns->stop();
}

void CameraHub::rescan() {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_searchIp->startSearch())
        m_rescanRetry.start();
}

bool CameraHub::connectCamera(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onConnectDevice: param is empty";
        return false;
    }
    if (!m_devList.connectFromNewList(mac)) {
        LOG_ERROR << "connect device faild";
        return false;
    }
    m_network->addDeviceToHttpMap(mac, m_devList.getDevMeta(mac).ip);
    // Look for it at once, so a camera heard only by mDNS is confirmed quickly.
    m_mdns->removeEntry(mac);
    m_mdns->queryNow();
    return true;
}

bool CameraHub::switchCamera(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onConnectDevice: param is empty";
        return false;
    }
    if (!m_devList.switchFromNewList(mac)) {
        LOG_ERROR << "switch device faild";
        m_devList.removeDeviceFromList(mac);
        return false;
    }
    m_network->addDeviceToHttpMap(mac, m_devList.getDevMeta(mac).ip);
    m_mdns->removeEntry(mac);
    m_mdns->queryNow();
    return true;
}

void CameraHub::forgetCamera(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty())
        return;
    m_network->removeDeviceFromHttpMap(mac);
    m_mdns->removeEntry(mac);
}

bool CameraHub::reconnectCamera(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onReconnect: param is empty";
        return false;
    }
    if (!m_devList.reconnectDevice(mac)) {
        LOG_ERROR << "device reconnect faild! mac:" << mac;
        return false;
    }
    m_network->addDeviceToHttpMap(mac, m_devList.getDevMeta(mac).ip);
    return true;
}

bool CameraHub::removeCamera(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onRemoveDevice: param is empty";
        return false;
    }
    const DeviceBaseInfo_t dev = m_devList.getDevMeta(mac);
    // A camera still reachable comes straight back as a new camera.
    m_searchIp->reportOnline(mac, dev.ip);
    if (!m_devList.removeDeviceFromList(mac))
        return false;
    if (dev.isHistory || dev.connectState != Disconnected) {
        m_network->removeDeviceFromHttpMap(mac);
        m_mdns->removeEntry(mac);
    }
    return true;
}

bool CameraHub::pairCamera(CamID_e id, const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    return m_devList.setCamPair(id, mac);
}

bool CameraHub::unpairCamera(CamID_e id, const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    return m_devList.cancelCamPair(id, mac);
}

void CameraHub::onHistoryDeviceOnline(DeviceBaseInfo_t dev) {
    if (dev.mac.isEmpty()) {
        LOG_ERROR << "onHistoryDeviceOnline: param invalid";
        return;
    }
    m_network->addDeviceToHttpMap(dev.mac, dev.ip);
}

void CameraHub::onNewDeviceEvicted(const QString &mac, const QString &ip) {
    // As when it leaves discovery: while it still answers, it may be reported again.
    m_mdns->removeEntry(mac);
    m_searchIp->markOffline(mac, ip);
}

void CameraHub::onHistoryDeviceOffline(DeviceBaseInfo_t dev) {
    if (dev.mac.isEmpty()) {
        LOG_ERROR << "onHistoryDeviceOffline:param invalid";
        return;
    }
    m_mdns->removeEntry(dev.mac);
    m_searchIp->markOffline(dev.mac, dev.ip);
}
