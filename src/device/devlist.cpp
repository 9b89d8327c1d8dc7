#include "device/devlist.h"

#include "device/inifile.h"
#include "log/logline.h"

#include <QThread>

namespace {

constexpr int evictionLinesPerSecond = 3;

const QString commonGroup = QStringLiteral("common");
const QString pairGroup = QStringLiteral("VirtualCamera");

// device.ini keys of a history camera: "/" + camera key + suffix.
QString deviceKey(const QString &mac, const char *suffix) {
    return QLatin1Char('/') + mac + QLatin1String(suffix);
}

QString pairKey(int id) {
    return QLatin1Char('/') + pairGroup + QStringLiteral("/cam") + QString::number(id);
}

int pairIndex(CamID_e id) {
    return static_cast<int>(id) - firstCamID;
}

// A camera's key names its device.ini group, and it comes from the network.
// A key naming the token or the pairing group would write into it and remove
// it with the camera; the settings layer splits keys at '/' (and '\\'), so such
// a key writes into other groups and returns after a restart as a camera
// without an address. Windows compares INI group names regardless of case.
// The format escapes every other character.
bool isStorableKey(const QString &mac) {
    return mac.compare(commonGroup, Qt::CaseInsensitive) != 0 &&
           mac.compare(pairGroup, Qt::CaseInsensitive) != 0 && !mac.contains(u'/') &&
           !mac.contains(u'\\');
}

} // namespace

DevList::DevList(IniFile &settings, QObject *parent) : QObject(parent), m_settings(settings) {
    // The records and parameter kinds travel in queued signals.
    qRegisterMetaType<VideoCfg_t>("VideoCfg_t");
    qRegisterMetaType<DeviceBaseInfo_t>("DeviceBaseInfo_t");
    qRegisterMetaType<VideoParamType_e>("VideoParamType_e");

    const QStringList groups = m_settings.deviceGroups();
    for (const QString &group : groups) {
        if (group == commonGroup || group == pairGroup)
            continue;
        DeviceBaseInfo_t dev;
        dev.mac = group;
        dev.ip = m_settings.deviceValue(deviceKey(group, "/ip"));
        dev.name = m_settings.deviceValue(deviceKey(group, "/name"));
        if (dev.name.isEmpty())
            dev.name = group; // a hand-edited file; the key is the default name
        dev.isHistory = true;
        m_devices.emplace(group, dev);
    }
    for (int id = firstCamID; id <= lastCamID; ++id) {
        m_pairMac[id - firstCamID] = m_settings.deviceValue(pairKey(id));
        m_pairLive[id - firstCamID] = 0;
    }
    recount();
    LOG_NOTE << "The device.ini information is synchronized";
}

DevList::~DevList() = default;

DeviceBaseInfo_t *DevList::find(const QString &mac) {
    const auto it = m_devices.find(mac);
    return it == m_devices.end() ? nullptr : &it->second;
}

DeviceBaseInfo_t *DevList::findByIp(const QString &ip) {
    // One camera may be listed under two keys with the same address, and an
    // offline camera keeps an address that DHCP may have given to another:
    // the engine's reports belong to the record it is actually polling.
    DeviceBaseInfo_t *online = nullptr;
    DeviceBaseInfo_t *any = nullptr;
    for (auto &[mac, dev] : m_devices) {
        if (dev.ip != ip)
            continue;
        if (dev.isOnline && dev.connectState != Disconnected)
            return &dev;
        if (dev.isOnline && !online)
            online = &dev;
        if (!any)
            any = &dev;
    }
    return online ? online : any;
}

void DevList::erase(const QString &mac) {
    m_devices.erase(mac);
}

void DevList::recount() {
    quint16 historyOnline = 0;
    quint16 historyOffline = 0;
    quint16 newDevices = 0;
    for (const auto &[mac, dev] : m_devices) {
        // A new camera the user connects counts as history from then on.
        if (!dev.isHistory && dev.connectState == Disconnected)
            ++newDevices;
        else if (dev.isOnline)
            ++historyOnline;
        else
            ++historyOffline;
    }
    m_historyOnline = historyOnline;
    m_historyOffline = historyOffline;
    m_newDevices = newDevices;
}

void DevList::restorePairs(const DeviceBaseInfo_t &dev) {
    for (int id = firstCamID; id <= lastCamID; ++id) {
        if (m_settings.deviceValue(pairKey(id)) != dev.mac)
            continue;
        m_pairMac[id - firstCamID] = dev.mac;
        m_pairLive[id - firstCamID] = 1;
        m_settings.setVCamera(id, dev.ip);
    }
}

void DevList::withdrawPairs(const QString &mac) {
    if (mac.isEmpty())
        return;
    for (int id = firstCamID; id <= lastCamID; ++id) {
        if (m_pairMac[id - firstCamID] != mac)
            continue;
        m_pairLive[id - firstCamID] = 0;
        m_settings.setVCamera(id, QString());
    }
}

QList<DeviceBaseInfo_t> DevList::getDeviceList() const {
    Q_ASSERT(QThread::currentThread() == thread());
    QList<DeviceBaseInfo_t> list;
    list.reserve(static_cast<qsizetype>(m_devices.size()));
    for (const auto &[mac, dev] : m_devices)
        list.append(dev);
    return list;
}

void DevList::onAddDevice(const QString &mac, const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty() || ip.isEmpty()) {
        LOG_ERROR << "onAddDevice: mac or ip is empty!";
        return;
    }
    if (!isStorableKey(mac)) {
        LOG_ERROR << "onAddDevice: camera key refused:" << mac << " ip:" << ip;
        return;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        if (m_newDevices >= maxNewCameras)
            evictUnseenLongest();
        DeviceBaseInfo_t fresh;
        fresh.mac = mac;
        fresh.name = mac;
        fresh.ip = ip;
        fresh.isOnline = true;
        fresh.seen = ++m_seenCount;
        m_devices.emplace(mac, fresh);
        recount();
        LOG_NOTE << "mdns found new device:" << mac << " ip:" << ip;
        emit sigNewDeviceOnline(fresh);
        return;
    }
    dev->seen = ++m_seenCount;
    if (dev->isOnline || !dev->isHistory)
        return;

    dev->ip = ip;
    m_settings.setDeviceValue(deviceKey(mac, "/ip"), ip);
    dev->isOnline = true;
    dev->connectState = Connecting;
    recount();
    LOG_NOTE << "mdns found history device:" << mac << " name:" << dev->name;
    emit sigHistoryDeviceOnline(*dev);
}

void DevList::onRemoveDevice(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onRemoveDevice: mac is empty!";
        return;
    }
    const DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "no find device: " << mac;
        return;
    }
    // Once connected, only the engine decides that a camera is lost.
    if (!dev->isOnline || dev->isHistory || dev->connectState != Disconnected)
        return;

    const QString key = mac;
    LOG_NOTE << "new device quit mdns!  mac:" << key << " name:" << dev->name;
    withdrawPairs(key);
    erase(key);
    recount();
    emit sigNewDeviceOffline(key);
}

void DevList::onDevicesSeen(const QStringList &macs) {
    Q_ASSERT(QThread::currentThread() == thread());
    for (const QString &mac : macs) {
        if (DeviceBaseInfo_t *dev = find(mac))
            dev->seen = ++m_seenCount;
    }
}

void DevList::evictUnseenLongest() {
    const DeviceBaseInfo_t *oldest = nullptr;
    for (const auto &[mac, dev] : m_devices) {
        // The same test recount() counts new cameras by.
        if (dev.isHistory || dev.connectState != Disconnected)
            continue;
        if (!oldest || dev.seen < oldest->seen)
            oldest = &dev;
    }
    if (!oldest)
        return;
    const DeviceBaseInfo_t gone = *oldest;
    logEviction(gone);
    withdrawPairs(gone.mac);
    erase(gone.mac);
    recount();
    emit sigNewDeviceOffline(gone.mac);
    emit sigNewDeviceEvicted(gone.mac, gone.ip);
}

void DevList::logEviction(const DeviceBaseInfo_t &dev) {
    if (!m_evictionSecond.isValid() || m_evictionSecond.elapsed() >= 1000) {
        m_evictionSecond.start();
        m_evictionLines = 0;
    }
    if (m_evictionLines >= evictionLinesPerSecond) {
        ++m_evictionsUnlogged;
        return;
    }
    ++m_evictionLines;
    QDebug line = LOG_NOTE << "more than" << maxNewCameras
                           << "new devices: removed the one unseen the longest, mac:" << dev.mac
                           << " ip:" << dev.ip;
    if (m_evictionsUnlogged > 0)
        line << " (and" << m_evictionsUnlogged << "more since the last such line)";
    m_evictionsUnlogged = 0;
}

void DevList::onDeviceAbnormal(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onDeviceAbnormal: param is empty";
        return;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev || dev->connectState == Abnormal)
        return;
    dev->connectState = Abnormal;
    // The next battery report republishes the address.
    dev->isLinked = false;
    withdrawPairs(mac);
    recount();
    emit sigUpdateDevice(*dev);
}

void DevList::onDeviceOffine(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onDeviceOffine: param is empty";
        return;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "no mac was found in the devlice map! mac:" << mac;
        return;
    }
    if (!dev->isOnline)
        return;

    if (dev->isHistory) {
        dev->isCharge = false;
        dev->isOnline = false;
        dev->isLinked = false;
        dev->connectState = Disconnected;
        withdrawPairs(mac);
        recount();
        LOG_NOTE << "history device offline>>> mac:" << mac << " name:" << dev->name;
        emit sigHistoryDeviceOffline(*dev);
        return;
    }

    const QString key = mac;
    LOG_NOTE << "new device connect faild: device offline!  mac:" << key;
    withdrawPairs(key);
    erase(key);
    recount();
    emit sigNewDeviceOffline(key);
}

void DevList::onDeviceBatteryInfo(const QString &mac, bool isCharge, short battery) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "onDeviceBatteryInfo: param is empty";
        return;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "no mac was found in the devlice map! mac:" << mac;
        return;
    }

    dev->connectState = Connected;
    if (!dev->isHistory) {
        m_settings.setDeviceValue(deviceKey(mac, "/ip"), dev->ip);
        m_settings.setDeviceValue(deviceKey(mac, "/name"), dev->name);
        LOG_NOTE << "new device connect success>> mac:" << mac << " ip:" << dev->ip;
        dev->isLinked = true;
    } else if (!dev->isLinked) {
        restorePairs(*dev);
        LOG_NOTE << "history device online>> mac:" << mac << " name:" << dev->name
                 << " ip:" << dev->ip;
        dev->isLinked = true;
    }
    dev->isHistory = true;

    if (dev->isCharge != isCharge)
        LOG_NOTE << "update info>>"
                 << "battery:" << battery << "  charge:" << (isCharge ? "true" : "false");
    dev->isCharge = isCharge;
    dev->battery = battery;
    recount();
    emit sigUpdateDevice(*dev);
}

void DevList::onVideoParamSync(const QString &ip, VideoParamType_e type, const QString &value) {
    Q_ASSERT(QThread::currentThread() == thread());
    const int kind = static_cast<int>(type);
    if (ip.isEmpty() || value.isEmpty() || kind < VideoParamHDR || kind > VideoParamLive) {
        LOG_ERROR << "param is invalid! ip:" << ip << " type:" << kind << " value:" << value;
        return;
    }
    DeviceBaseInfo_t *dev = findByIp(ip);
    if (!dev) {
        LOG_ERROR << "onVideoParamSync: no find device from devList!  mac:" << ip;
        return;
    }

    VideoCfg_t &cfg = dev->videoCfg;
    switch (type) {
    case VideoParamHDR:
        LOG_NOTE << "onVideoParamSync>> ip:" << ip << " HDR: " << value;
        cfg.hdr = value == QLatin1String("1");
        emit sigVideoParamUpdateHDR(dev->mac, cfg.hdr);
        break;
    case VideoParamPalNtsc:
        LOG_NOTE << "onVideoParamSync>> ip:" << ip << " PAL/NTSC: " << value;
        cfg.palNtsc = value;
        cfg.palNtscCurrent = value;
        break;
    case VideoParamResFps:
        LOG_NOTE << "onVideoParamSync>> ip:" << ip << " RES&FPS: " << value;
        cfg.resFps = value;
        cfg.resFpsCurrent = value;
        break;
    case VideoParamRotation:
        LOG_NOTE << "onVideoParamSync>> ip:" << ip << " RATATION: " << value;
        cfg.rotation = value == QLatin1String("ON");
        cfg.rotationCurrent = cfg.rotation;
        break;
    case VideoParamLive:
        LOG_NOTE << "onVideoParamSync>> ip:" << ip << " LIVE: " << value;
        emit sigVideoParamUpdateLiveStatus(dev->mac, value == QLatin1String("1"));
        break;
    }
}

DeviceBaseInfo_t *DevList::configResultTarget(const QString &ip) {
    if (ip.isEmpty()) {
        LOG_ERROR << "the IP is empty!";
        return nullptr;
    }
    DeviceBaseInfo_t *dev = findByIp(ip);
    if (!dev)
        LOG_ERROR << "onVideoParamSync: no find device from devList!  mac:" << ip;
    return dev;
}

void DevList::onVideoParamConfigFaild(const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    DeviceBaseInfo_t *dev = configResultTarget(ip);
    if (!dev)
        return;
    VideoCfg_t &cfg = dev->videoCfg;
    cfg.configState = ConfigFailed;
    cfg.resFps = cfg.resFpsCurrent;
    cfg.palNtsc = cfg.palNtscCurrent;
    cfg.rotation = cfg.rotationCurrent;
    LOG_NOTE << "the device config param faild,  mac:" << dev->mac << " ip:" << ip;
}

void DevList::onVideoParamConfigFinish(const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    DeviceBaseInfo_t *dev = configResultTarget(ip);
    if (!dev)
        return;
    VideoCfg_t &cfg = dev->videoCfg;
    cfg.configState = ConfigSucceeded;
    cfg.resFpsCurrent = cfg.resFps;
    cfg.palNtscCurrent = cfg.palNtsc;
    cfg.rotationCurrent = cfg.rotation;
    LOG_NOTE << "the device config param success,  mac:" << dev->mac << " ip:" << ip;
}

bool DevList::connectFromNewList(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "connectFromNewList: param is empty";
        return false;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "the Mac was not found in the device map" << mac;
        return false;
    }
    dev->connectState = Connecting;
    recount();
    return true;
}

bool DevList::switchFromNewList(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "switchFromNewList: param is empty";
        return false;
    }
    if (!find(mac)) {
        LOG_ERROR << "the Mac was not found in the device map" << mac;
        return false;
    }
    // Single-camera mode keeps one camera: drop every other connected or
    // remembered one. The camera switched to is spared even if it is one of
    // them, since it is connected right after.
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        const DeviceBaseInfo_t &dev = it->second;
        if (it->first != mac && (dev.connectState != Disconnected || dev.isHistory))
            it = m_devices.erase(it);
        else
            ++it;
    }
    m_settings.removeVCameraList();
    // Nothing is published any more; the pairing itself stays in device.ini.
    for (quint32 &live : m_pairLive)
        live = 0;

    find(mac)->connectState = Connecting;
    recount();
    return true;
}

bool DevList::reconnectDevice(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "reconnectDevice: param is empty";
        return false;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "the Mac was not found in the device map" << mac;
        return false;
    }
    dev->connectState = Connecting;
    recount();
    return true;
}

bool DevList::modifyDeviceName(const QString &mac, const QString &name) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty() || name.isEmpty()) {
        LOG_ERROR << "modifyDeviceName: param is empty" << mac << name;
        return false;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev)
        return false;
    dev->name = name;
    // A camera never connected has no group in device.ini; a "/name" key
    // alone would bring it back as a history camera without an address. Its
    // first battery report stores the name.
    if (dev->isHistory)
        m_settings.setDeviceValue(deviceKey(mac, "/name"), name);
    return true;
}

bool DevList::removeDeviceFromList(const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "removeDeviceFromList: param is empty";
        return false;
    }
    const DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "the Mac was not found in the device map" << mac;
        return false;
    }
    const QString key = mac;
    LOG_NOTE << "remove device from devlice map! mac:" << key << " name:" << dev->name;
    erase(key);
    m_settings.removeDeviceKey(QLatin1Char('/') + key);

    for (int id = firstCamID; id <= lastCamID; ++id) {
        if (m_pairMac[id - firstCamID] != key)
            continue;
        m_pairMac[id - firstCamID].clear();
        m_pairLive[id - firstCamID] = 0;
        m_settings.setVCamera(id, QString());
    }
    for (int id = firstCamID; id <= lastCamID; ++id) {
        if (m_settings.deviceValue(pairKey(id)) == key)
            m_settings.setDeviceValue(pairKey(id), QString());
    }
    recount();
    return true;
}

DeviceBaseInfo_t DevList::getDevMeta(const QString &mac) const {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty()) {
        LOG_ERROR << "getDevMeta: param is empty";
        return {};
    }
    const auto it = m_devices.find(mac);
    if (it == m_devices.end()) {
        LOG_NOTE << "get device meta info faild, no find device";
        return {};
    }
    return it->second;
}

bool DevList::videoParamIsChange(const QString &mac, int res, int fps) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mac.isEmpty() || res > 4) {
        LOG_ERROR << "videoParamIsChange: param invalid! mac:" << mac << " res:" << res
                  << " fps:" << fps;
        return false;
    }
    DeviceBaseInfo_t *dev = find(mac);
    if (!dev) {
        LOG_ERROR << "videoParamIsChange:no find the device, in the devList";
        return false;
    }
    if (!dev->isOnline || dev->connectState != Connected) {
        LOG_ERROR << "videoParamIsChange: the device offline or disconnected";
        return false;
    }
    VideoCfg_t &cfg = dev->videoCfg;
    if (cfg.configState == ConfigRunning)
        return false;

    const int frameRate = (fps == 30 || fps == 25) ? 30 : 60;
    const QString standard =
        (fps == 50 || fps == 25) ? QStringLiteral("PAL") : QStringLiteral("NTSC");

    bool rotation = false;
    QString resFps;
    switch (res) {
    case 1:
    case 2:
        rotation = res == 1;
        resFps = QStringLiteral("1080P") + QString::number(frameRate);
        break;
    case 3:
    case 4:
        rotation = res == 3;
        if (frameRate != 30) {
            LOG_ERROR << "4K video not support fps:" << frameRate;
            return false;
        }
        resFps = QStringLiteral("4K30");
        break;
    default:
        // No mode can be derived from an unknown code; leave the camera as is.
        LOG_NOTE << "video RES error, type:" << res;
        return false;
    }

    if (resFps == cfg.resFps && standard == cfg.palNtsc && rotation == cfg.rotation)
        return false;
    cfg.resFps = resFps;
    cfg.palNtsc = standard;
    cfg.rotation = rotation;
    cfg.configState = ConfigRunning;
    return true;
}

void DevList::setWorkMode(int mode) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (mode != 0 && mode != 1) {
        LOG_ERROR << "setWorkMode: param invalid  " << mode;
        return;
    }
    m_settings.setWorkModeSwitch(true);
    m_settings.setWorkMode(mode);
}

void DevList::setLanguageMode(int language) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (language < 0 || language > 7) {
        LOG_ERROR << "setLanguageMode: param invalid  " << language;
        return;
    }
    m_settings.setLanguage(language);
}

bool DevList::checkCamID(CamID_e id) const {
    if (isValidCamID(id))
        return true;
    LOG_ERROR << "virtual camera id error:" << static_cast<int>(id);
    return false;
}

const DeviceBaseInfo_t *DevList::pairingCamera(CamID_e id, const QString &mac) {
    if (!checkCamID(id))
        return nullptr;
    const DeviceBaseInfo_t *dev = find(mac);
    if (!dev)
        LOG_ERROR << "mac is error" << mac;
    return dev;
}

bool DevList::setVCameraIP(CamID_e id, const QString &ip) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!checkCamID(id))
        return false;
    if (ip.isEmpty()) {
        LOG_ERROR << "IP is empty";
        return false;
    }
    m_settings.setVCamera(id, ip);
    return true;
}

bool DevList::getCamPair(CamID_e id, QString &mac, quint32 &liveFlag) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!checkCamID(id))
        return false;
    mac = m_settings.deviceValue(pairKey(id));
    m_pairMac[pairIndex(id)] = mac;
    liveFlag = m_pairLive[pairIndex(id)];
    return true;
}

bool DevList::setCamPair(CamID_e id, const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    const DeviceBaseInfo_t *dev = pairingCamera(id, mac);
    if (!dev)
        return false;
    const int index = pairIndex(id);
    m_pairMac[index] = mac;
    // An offline camera's last address is stale: the slot stays empty (which
    // also withdraws a previous camera's address) until the camera is back.
    m_pairLive[index] = dev->isOnline ? 1 : 0;
    m_settings.setVCamera(id, dev->isOnline ? dev->ip : QString());
    m_settings.setDeviceValue(pairKey(id), mac);
    LOG_NOTE << "set camera pair>>>id:" << static_cast<int>(id) << " mac:" << mac;
    return true;
}

bool DevList::cancelCamPair(CamID_e id, const QString &mac) {
    Q_ASSERT(QThread::currentThread() == thread());
    const DeviceBaseInfo_t *dev = pairingCamera(id, mac);
    if (!dev)
        return false;
    const int index = pairIndex(id);
    // The other half of a move may already have bound another camera here.
    if (m_pairMac[index] != mac)
        return true;
    m_pairMac[index].clear();
    m_pairLive[index] = 0;
    if (m_settings.getVCamera(id) == dev->ip)
        m_settings.setVCamera(id, QString());
    m_settings.setDeviceValue(pairKey(id), m_pairMac[index]);
    LOG_NOTE << "cancel camera pair>>>id:" << static_cast<int>(id);
    return true;
}

QList<int> DevList::getCamPairIndex(const QString &mac) const {
    Q_ASSERT(QThread::currentThread() == thread());
    QList<int> indices;
    if (mac.isEmpty()) {
        LOG_ERROR << "getCamPairIndex: param is empty!";
        return indices;
    }
    for (int index = 0; index < camIDCount; ++index) {
        if (m_pairMac[index] == mac)
            indices.append(index);
    }
    return indices;
}
