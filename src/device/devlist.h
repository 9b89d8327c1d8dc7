// DevList: the program's list of cameras. It merges what discovery reports
// (mDNS and the LAN scan) with what the HTTP engine learns while polling
// (battery, errors, time-outs, parameter feedback), keeps one record per
// camera key, remembers the cameras the user has connected (history cameras)
// in device.ini, and tells the tray window through signals when a camera
// shows up, connects, changes or disappears.
//
// It also holds the pairing of the four virtual cameras with cameras: the
// pairing itself is kept in device.ini ("VirtualCamera/camN"); the address of
// a paired camera is published in VConfig.ini for the filter only while that
// camera is online, and withdrawn (an empty value) when it is lost.
//
// Camera keys come from the network and name device.ini groups, so
// onAddDevice refuses (and logs) a key that would name or reach another group.
//
// Anyone on the LAN can announce cameras, so at most maxNewCameras cameras
// never connected are listed at once. A new one beyond that pushes out the new
// camera discovery has not reported the longest (sigNewDeviceOffline as when
// it leaves discovery, and sigNewDeviceEvicted so discovery forgets it and may
// report it again). Discovery reports a camera when it appears
// (onAddDevice) and while it keeps answering (onDevicesSeen); history,
// connecting and connected cameras are never pushed out.
//
// Threads: created, used and destroyed on the GUI thread (asserted). The
// discovery workers and the engine reach it only through queued connections,
// so every slot runs on the GUI thread and nothing here is locked.
#pragma once

#include "device/network.h"
#include "vcam/slots.h"

#include <map>
#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

class IniFile;

// Where a camera's configuration stands; the values are the documented numbers.
enum ConfigState_e : int {
    ConfigIdle = 0,
    ConfigRunning = 1,
    ConfigSucceeded = 2, // the last one
    ConfigFailed = 3,    // the last one
};

struct VideoCfg_t {
    ConfigState_e configState = ConfigIdle;
    QString resFps;        // requested: "1080P30", "1080P60", "4K30"
    QString resFpsCurrent; // as the camera last confirmed
    QString palNtsc;       // requested: "PAL" or "NTSC"
    QString palNtscCurrent;
    // Whether the camera streams live, as the settings page reads it. Live
    // reports go straight to the pairing dialog (sigVideoParamUpdateLiveStatus)
    // and never through the record, so the registry leaves this false.
    bool liveStatus = false;
    bool rotation = false; // requested
    bool rotationCurrent = false;
    bool hdr = true;
};

// How far the program has got with a camera; the values are the documented numbers.
enum ConnectState_e : int {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    Abnormal = 3,
};

struct DeviceBaseInfo_t {
    QString mac;  // camera key: mDNS instance label or the scan's uID
    QString name; // display name, defaults to the key
    QString ip;   // last known IPv4 address
    VideoCfg_t videoCfg;
    ConnectState_e connectState = Disconnected;
    short battery = 0;
    bool isCharge = false;
    bool isHistory = false; // connected once, stored in device.ini
    bool isOnline = false;  // a discovery path currently sees it
    bool isLinked = false;  // the first battery report since coming online was applied
    quint64 seen = 0;       // when discovery last named it, as the registry counts reports
};

Q_DECLARE_METATYPE(VideoCfg_t)
Q_DECLARE_METATYPE(DeviceBaseInfo_t)

class DevList : public QObject {
    Q_OBJECT
public:
    using enum ConnectState_e;
    using enum ConfigState_e;

    static constexpr int maxNewCameras = 256;

    // Loads the history cameras and the pairing from device.ini.
    explicit DevList(IniFile &settings, QObject *parent = nullptr);
    ~DevList() override;

    bool connectFromNewList(const QString &mac);
    bool switchFromNewList(const QString &mac);
    bool reconnectDevice(const QString &mac);
    bool modifyDeviceName(const QString &mac, const QString &name);
    bool removeDeviceFromList(const QString &mac);
    DeviceBaseInfo_t getDevMeta(const QString &mac) const;
    // Every record, in key order.
    QList<DeviceBaseInfo_t> getDeviceList() const;
    // True when the camera must be set to the mode derived from a virtual
    // camera's resolution code and frame rate; the derived values are then the
    // record's requested ones.
    bool videoParamIsChange(const QString &mac, int res, int fps);
    void setWorkMode(int mode);
    void setLanguageMode(int language);

    // Pairing. Ids outside 1..4 and unknown cameras are refused (false).
    bool setVCameraIP(CamID_e id, const QString &ip);
    // Reloads the stored camera key of a virtual camera; liveFlag is 1 while
    // its address is published.
    bool getCamPair(CamID_e id, QString &mac, quint32 &liveFlag);
    bool setCamPair(CamID_e id, const QString &mac);
    // Unbinds only if mac is the camera bound to id, so the two halves of a
    // move may arrive in either order.
    bool cancelCamPair(CamID_e id, const QString &mac);
    // Zero-based slots bound to the camera, ascending.
    QList<int> getCamPairIndex(const QString &mac) const;

    // Connected or connecting cameras count as history cameras.
    quint16 historyOnlineCount() const { return m_historyOnline; }
    quint16 historyOfflineCount() const { return m_historyOffline; }
    quint16 newDeviceCount() const { return m_newDevices; }

signals:
    void sigNewDeviceOnline(DeviceBaseInfo_t dev);
    void sigHistoryDeviceOnline(DeviceBaseInfo_t dev);
    void sigNewDeviceOffline(QString mac);
    // Follows sigNewDeviceOffline when the camera was pushed out by newer ones;
    // discovery still sees it.
    void sigNewDeviceEvicted(QString mac, QString ip);
    void sigHistoryDeviceOffline(DeviceBaseInfo_t dev);
    void sigUpdateDevice(DeviceBaseInfo_t dev);
    void sigVideoParamUpdateHDR(QString mac, bool status);
    void sigVideoParamUpdateLiveStatus(QString mac, bool status);

public slots:
    void onAddDevice(const QString &mac, const QString &ip);
    void onRemoveDevice(const QString &mac);
    // Known cameras discovery heard from again; unknown keys are ignored.
    void onDevicesSeen(const QStringList &macs);
    void onDeviceAbnormal(const QString &mac);
    void onDeviceOffine(const QString &mac);
    void onDeviceBatteryInfo(const QString &mac, bool isCharge, short battery);
    void onVideoParamSync(const QString &ip, VideoParamType_e type, const QString &value);
    void onVideoParamConfigFaild(const QString &ip);
    void onVideoParamConfigFinish(const QString &ip);

private:
    DeviceBaseInfo_t *find(const QString &mac);
    DeviceBaseInfo_t *findByIp(const QString &ip);
    // Pairing arguments, each logged when rejected.
    bool checkCamID(CamID_e id) const;
    const DeviceBaseInfo_t *pairingCamera(CamID_e id, const QString &mac);
    // The record a configuration result is about, or null after logging why not.
    DeviceBaseInfo_t *configResultTarget(const QString &ip);
    // Drops a record; its pairings and published addresses are the caller's.
    void erase(const QString &mac);
    // Publishes the camera's address for every virtual camera device.ini pairs
    // with it.
    void restorePairs(const DeviceBaseInfo_t &dev);
    // Empties the address of every virtual camera paired with the camera; the
    // pairing itself stays.
    void withdrawPairs(const QString &mac);
    // Brings the three counters in line with the records after a change.
    void recount();
    // Makes room for one more new camera by pushing out the one unseen the longest.
    void evictUnseenLongest();
    void logEviction(const DeviceBaseInfo_t &dev);

    IniFile &m_settings;
    QString m_pairMac[camIDCount];    // index = CamID_e - 1
    quint32 m_pairLive[camIDCount]{}; // 1 while the address is published
    std::map<QString, DeviceBaseInfo_t> m_devices;
    quint16 m_historyOnline = 0;
    quint16 m_historyOffline = 0;
    quint16 m_newDevices = 0;
    quint64 m_seenCount = 0;
    // Eviction lines: a few a second, the rest summed up in the next one.
    QElapsedTimer m_evictionSecond;
    int m_evictionLines = 0;
    qint64 m_evictionsUnlogged = 0;
};
