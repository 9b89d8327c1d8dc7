// CameraHub: the camera side of the main controller, without any window. It
// creates the device registry and the mDNS worker with its thread, takes the
// process-wide LAN scanner and HTTP engine, wires their signals the way the
// tray window relies on, and carries out the camera actions a user starts
// (connect, reconnect, remove, pair, unpair, rescan). The tray window owns one
// and adds the cards; kestra-headless uses one on its own.
//
// Threads: created, used and destroyed on the GUI thread. The mDNS worker runs
// on the hub's "mdns" thread, the scanner and the engine on theirs; every
// signal from them arrives here queued, so the registry is only touched on the
// GUI thread. No locks of its own.
#pragma once

#include "device/devlist.h"
#include "vcam/slots.h"

#include <QObject>
#include <QTimer>

class DeviceSearchIP;
class IniFile;
class Network;
class QThread;
class mDNS;

class CameraHub : public QObject {
    Q_OBJECT
public:
    explicit CameraHub(IniFile &settings, QObject *parent = nullptr);
    ~CameraHub() override;

    // Starts mDNS discovery; the scanner and the engine run already.
    void start();
    // Ends the mDNS loop (sign-out, mode switch, quit); the hub stays usable.
    void stopDiscovery();

    DevList &devList() { return m_devList; }

    // Scans the local subnets. A request refused because the scanner's thread
    // is not ready yet (right at start) is asked again every 100 ms.
    void rescan();
    bool connectCamera(const QString &mac);
    // Single mode: makes `mac` the one camera; the previous one must be forgotten first.
    bool switchCamera(const QString &mac);
    // The engine stops polling the camera and mDNS forgets it; the registry keeps it.
    void forgetCamera(const QString &mac);
    bool reconnectCamera(const QString &mac);
    bool removeCamera(const QString &mac);
    bool pairCamera(CamID_e id, const QString &mac);
    bool unpairCamera(CamID_e id, const QString &mac);

signals:
    void sigStartThread();

private slots:
    void onHistoryDeviceOnline(DeviceBaseInfo_t dev);
    void onHistoryDeviceOffline(DeviceBaseInfo_t dev);
    void onNewDeviceEvicted(const QString &mac, const QString &ip);

private:
    void wire();

    DevList m_devList;
    Network *m_network;
    DeviceSearchIP *m_searchIp;
    QThread *m_mdnsThread;
    mDNS *m_mdns; // lives on m_mdnsThread, deleted when it finishes
    QTimer m_rescanRetry;
};
