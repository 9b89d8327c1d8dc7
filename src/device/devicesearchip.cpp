#include "device/devicesearchip.h"

#include "device/camerareply.h"
#include "device/lanproxyfactory.h"
#include "log/logline.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {
const QString attributePath = QStringLiteral("/cgi-bin/hisnet/getdeviceattr.cgi");
const QString modePath = QStringLiteral("/cgi-bin/hisnet/getcommparam.cgi?&-type=NORMRECMODE");

// Each probe holds a socket, that is a descriptor, until it ends (its
// connection is not kept): one subnet's worth at a time keeps a PC with many
// subnets well below the usual limit of 1024 descriptors a process, which the
// log and settings need too.
constexpr qsizetype maxProbesInFlight = SubnetSweep::hostsPerSubnet;
// Short enough that a whole subnet is done in about half a second; a camera
// on the LAN answers well within it.
constexpr int probeTimeoutMs = 500;
constexpr int modeTimeoutMs = 5000;
constexpr int passWaitMs = 100;
// The re-check runs on every 21st pass, about every two seconds.
constexpr int recheckPasses = 20;

// The IPv4 addresses of the interfaces that are up, running and can multicast,
// loopback aside.
QStringList usableIPv4Addresses() {
    QStringList addresses;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) || !interface.isValid())
            continue;
        LOG_NOTE << "name:" << interface.humanReadableName() << " flags:" << flags;
        const QNetworkInterface::InterfaceFlags usable = QNetworkInterface::IsUp |
                                                         QNetworkInterface::IsRunning |
                                                         QNetworkInterface::CanMulticast;
        if ((flags & usable) != usable)
            continue;
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const QString address = entry.ip().toString();
            addresses.append(address);
            LOG_NOTE << "valid IP: " << address;
        }
    }
    return addresses;
}

// A request fails so when its socket could not be created: the process or the
// system is out of descriptors (or of socket memory). Qt reports it as an
// unknown network error whose text comes from its socket engine, translated
// under that class's name.
bool lacksSocket(const QNetworkReply *reply) {
    if (reply->error() != QNetworkReply::UnknownNetworkError)
        return false;
    // Qt's own text in Qt's own catalogue (through variables, so that our translation files do
    // not take it up).
    const char *const contexts[] = {"QNativeSocketEngine", "QAbstractSocketEngine"};
    const char *const outOfResources = "Out of resources";
    const QString text = reply->errorString();
    return std::any_of(std::begin(contexts), std::end(contexts), [&](const char *context) {
        return text == QCoreApplication::translate(context, outOfResources);
    });
}
} // namespace

void SubnetSweep::restart(const QStringList &addresses) {
    m_addresses = addresses;
    m_subnet = 0;
    m_host = 0;
}

SubnetSweep::Batch SubnetSweep::takeNextHosts(qsizetype count) {
    Batch batch;
    while (batch.hosts.size() < count && !isDone()) {
        const QString &address = m_addresses.at(m_subnet);
        const QString prefix = address.left(address.lastIndexOf(u'.') + 1);
        if (m_host == 0)
            batch.startedSubnets << prefix;
        while (batch.hosts.size() < count && m_host < hostsPerSubnet)
            batch.hosts << prefix + QString::number(m_host++);
        if (m_host == hostsPerSubnet) {
            m_host = 0;
            ++m_subnet;
        }
    }
    return batch;
}

DeviceSearchIP *DeviceSearchIP::getInstance() {
    static DeviceSearchIP instance;
    return &instance;
}

DeviceSearchIP::DeviceSearchIP() : m_lock(new QMutex) {}

DeviceSearchIP::~DeviceSearchIP() {
    delete m_lock;
}

void DeviceSearchIP::setStop() {
    QMutexLocker lock(m_lock);
    m_stop = true;
}

bool DeviceSearchIP::stopRequested() {
    QMutexLocker lock(m_lock);
    return m_stop;
}

void DeviceSearchIP::waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void DeviceSearchIP::onRun() {
    Q_ASSERT(QThread::currentThread() == thread());
    {
        QMutexLocker lock(m_lock);
        m_manager = new QNetworkAccessManager(this);
        m_manager->setProxyFactory(new LanProxyFactory);
    }
    int recheckCountdown = recheckPasses;
    for (;;) {
        scanStep();
        if (recheckCountdown > 0) {
            --recheckCountdown;
        } else {
            recheckCountdown = recheckPasses;
            recheckStep();
        }
        if (stopRequested())
            break;
        // Replies are delivered during the wait.
        waitMs(passWaitMs);
    }
    // The access manager and its pending replies live on this thread: they go as it finishes.
    QMutexLocker lock(m_lock);
    m_scanReplies.clear();
    m_modeReplies.clear();
    m_attributeReplies.clear();
    m_manager->deleteLater();
    m_manager = nullptr;
}

bool DeviceSearchIP::startSearch() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    QMutexLocker lock(m_lock);
    if (!m_manager) {
        LOG_ERROR << "faild to start device ip search, network manage is nullptr";
        return false;
    }
    if (m_searching)
        return true;
    m_found = false;
    m_searching = true;
    m_sweep.restart(usableIPv4Addresses());
    m_scanReplies.clear();
    m_probesWithoutSocket = 0;
    m_noSocketReason.clear();
    // Every scan reports each camera it finds online again.
    m_onlineDevices.clear();
    m_candidateDevices.clear();
    return true;
}

void DeviceSearchIP::resetSearch() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    QMutexLocker lock(m_lock);
    m_searching = false;
    m_finished = false;
    m_found = false;
}

void DeviceSearchIP::reportOnline(const QString &uID, const QString &ip) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (uID.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "param is valid! uID:" << uID << " ip:" << ip;
        return;
    }
    QString storedUID;
    {
        QMutexLocker lock(m_lock);
        const auto it = m_onlineDevices.constFind(ip);
        if (it == m_onlineDevices.cend())
            return;
        storedUID = it.value();
    }
    emit sigDeviceOnline(storedUID, ip);
}

void DeviceSearchIP::markOffline(const QString &uID, const QString &ip) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (uID.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "param is valid! uID:" << uID << " ip:" << ip;
        return;
    }
    QMutexLocker lock(m_lock);
    if (m_onlineDevices.contains(ip))
        m_candidateDevices.insert(ip, m_onlineDevices.take(ip));
}

QNetworkReply *DeviceSearchIP::getLocked(const QString &ip, const QString &path, int timeoutMs,
                                         bool keepConnection) {
    if (ip.isEmpty() || path.isEmpty()) {
        LOG_ERROR << "http get error: param invalid!";
        return nullptr;
    }
    QNetworkRequest request(QUrl(QStringLiteral("http://") + ip + path));
    request.setTransferTimeout(timeoutMs);
    request.setRawHeader("Cache-Control", "no-cache");
    // Otherwise the access manager keeps every host's connection, answered,
    // refused or timed out, socket and all, for two minutes.
    if (!keepConnection)
        request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    return m_manager->get(request);
}

QNetworkReply *DeviceSearchIP::checkModeLocked(const QString &ip, int timeoutMs) {
    QNetworkReply *reply = getLocked(ip, modePath, timeoutMs);
    if (!reply)
        return nullptr;
    connect(reply, &QNetworkReply::finished, this, &DeviceSearchIP::onGetCameraModeReply);
    m_modeReplies.insert(reply, ip);
    return reply;
}

void DeviceSearchIP::scanStep() {
    bool found = false;
    int probesWithoutSocket = 0;
    QString noSocketReason;
    {
        QMutexLocker lock(m_lock);
        if (!m_searching)
            return;
        // Every probe still in flight counts, an abandoned scan's too: each
        // holds a socket.
        const qsizetype room = maxProbesInFlight - m_attributeReplies.size();
        if (room > 0) {
            const SubnetSweep::Batch batch = m_sweep.takeNextHosts(room);
            for (const QString &prefix : batch.startedSubnets)
                LOG_NOTE << "ipPrefix: " << prefix;
            for (const QString &ip : batch.hosts) {
                QNetworkReply *reply = getLocked(ip, attributePath, probeTimeoutMs, false);
                if (!reply)
                    continue;
                connect(reply, &QNetworkReply::finished, this,
                        &DeviceSearchIP::onGetDeviceInfoReply);
                m_attributeReplies.insert(reply, ip);
                m_scanReplies.insert(reply);
            }
        }
        // The scan stays open until the last probe and mode check answered.
        if (!m_sweep.isDone() || !m_scanReplies.isEmpty())
            return;
        m_searching = false;
        m_finished = true;
        found = m_found;
        probesWithoutSocket = m_probesWithoutSocket;
        noSocketReason = m_noSocketReason;
    }
    // Such a scan may well have missed cameras.
    if (probesWithoutSocket > 0) {
        LOG_ERROR << QStringLiteral("scan: %1 probes could not open a socket (%2): the process "
                                    "is out of file descriptors")
                         .arg(probesWithoutSocket)
                         .arg(noSocketReason);
    }
    emit sigFinish(found);
    LOG_NOTE << "device search ip finish!";
}

void DeviceSearchIP::recheckStep() {
    QMutexLocker lock(m_lock);
    if (m_searching)
        return;
    for (auto it = m_onlineDevices.cbegin(); it != m_onlineDevices.cend(); ++it)
        checkModeLocked(it.key(), modeTimeoutMs);
    for (auto it = m_candidateDevices.cbegin(); it != m_candidateDevices.cend(); ++it)
        checkModeLocked(it.key(), modeTimeoutMs);
}

void DeviceSearchIP::onGetDeviceInfoReply() {
    Q_ASSERT(QThread::currentThread() == thread());
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    {
        QMutexLocker lock(m_lock);
        const bool ofScan = m_scanReplies.remove(reply);
        if (ofScan && lacksSocket(reply)) {
            ++m_probesWithoutSocket;
            m_noSocketReason = reply->errorString();
        }
        const auto it = m_attributeReplies.constFind(reply);
        if (reply->error() == QNetworkReply::NoError && it != m_attributeReplies.cend()) {
            const QString ip = it.value();
            const QString body = QString::fromUtf8(reply->readAll());
            // The first quoted value is the camera's identity; a reply without
            // "softversion" comes from some other web server.
            const QStringList pieces = body.contains(QStringLiteral("softversion"))
                                           ? body.split(QStringLiteral("=\""))
                                           : QStringList();
            if (pieces.size() > 1) {
                const QString uID =
                    QStringLiteral("Torvi_") + pieces.at(1).section(QLatin1Char('"'), 0, 0);
                m_candidateDevices.insert(ip, uID);
                QNetworkReply *check = checkModeLocked(ip, modeTimeoutMs);
                if (check && ofScan)
                    m_scanReplies.insert(check);
            }
        }
        m_attributeReplies.remove(reply);
    }
    reply->deleteLater();
}

void DeviceSearchIP::onGetCameraModeReply() {
    Q_ASSERT(QThread::currentThread() == thread());
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    QString uID;
    QString ip;
    bool online = false;
    bool offline = false;
    {
        QMutexLocker lock(m_lock);
        m_scanReplies.remove(reply);
        ip = m_modeReplies.value(reply);
        if (reply->error() != QNetworkReply::NoError) {
            if (m_onlineDevices.contains(ip)) {
                // A time-out is what a switched-off camera gives; not worth an error.
                if (reply->error() != QNetworkReply::OperationCanceledError) {
                    LOG_ERROR << "device reply error! ip:" << ip << " err:" << reply->errorString()
                              << " errCode:" << CameraReply::errorName(reply->error());
                    LOG_ERROR << "HttpStatusCode:"
                              << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                }
                uID = m_onlineDevices.take(ip);
                m_candidateDevices.insert(ip, uID);
                offline = true;
            }
        } else if (!CameraReply::isWirelessMode(QString::fromUtf8(reply->readAll()))) {
            // The camera left its wireless streaming mode.
            if (m_onlineDevices.contains(ip)) {
                uID = m_onlineDevices.take(ip);
                m_candidateDevices.insert(ip, uID);
                offline = true;
            }
        } else if (m_candidateDevices.contains(ip)) {
            uID = m_candidateDevices.take(ip);
            m_onlineDevices.insert(ip, uID);
            online = true;
            // Each scan starts with no candidates, so while one runs every
            // candidate is a camera it found, whichever check confirms it.
            if (m_searching) {
                m_found = true;
                LOG_NOTE << "find new device, uID: " << uID << " ip:" << ip;
            }
        }
        m_modeReplies.remove(reply);
    }
    if (offline)
        emit sigDeviceOffline(uID);
    if (online)
        emit sigDeviceOnline(uID, ip);
    reply->deleteLater();
}
