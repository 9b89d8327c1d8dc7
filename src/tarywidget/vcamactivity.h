// VcamActivity: what the main window does with the virtual cameras' window
// messages. An activity report is passed on to the pairing dialog (through
// updateVirtualCamStatus); once both the resolution and the frame rate of a
// virtual camera have been reported, the camera paired with it is asked to
// change its video mode when the application wants another one, or else, for
// a virtual camera that has just become active, to make sure it streams live.
//
// Owned by the main window; created, used and destroyed on the GUI thread.
#pragma once

#include "vcam/slots.h"

#include <array>
#include <functional>
#include <QObject>

class DevList;
class Network;

class VcamActivity : public QObject {
    Q_OBJECT
public:
    // takeActivated(index 0-3): whether the virtual camera became active since it was last asked.
    VcamActivity(DevList &devices, Network &network, std::function<bool(quint8)> takeActivated,
                 QObject *parent = nullptr);

    // True for the three virtual-camera messages (they are then handled, even when their
    // virtual camera number is out of range and they are ignored).
    bool handle(quint32 message, quint64 wParam, qint64 lParam);
    // Forgets every half-received report.
    void clear();

signals:
    void updateVirtualCamStatus(CamID_e id, bool status);

private:
    struct Report {
        qint64 resolution = 0;
        qint64 frameRate = 0;
        bool hasResolution = false;
        bool hasFrameRate = false;
    };

    void applyReport(CamID_e id, Report &report);

    DevList &m_devices;
    Network &m_network;
    std::function<bool(quint8)> m_takeActivated;
    std::array<Report, camIDCount> m_reports;
};
