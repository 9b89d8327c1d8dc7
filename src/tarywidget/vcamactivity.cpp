#include "tarywidget/vcamactivity.h"

#include "device/devlist.h"
#include "device/network.h"
#include "log/logline.h"
#include "vcam/messages.h"

VcamActivity::VcamActivity(DevList &devices, Network &network,
                           std::function<bool(quint8)> takeActivated, QObject *parent)
    : QObject(parent), m_devices(devices), m_network(network),
      m_takeActivated(std::move(takeActivated)) {}

bool VcamActivity::handle(quint32 message, quint64 wParam, qint64 lParam) {
    if (!isVCamMessage(message))
        return false;
    LOG_NOTE << "window message" << vcamMessageName(message) << "camera:" << wParam
             << "value:" << lParam;
    if (wParam < quint64(firstCamID) || wParam > quint64(lastCamID))
        return true;
    const auto id = static_cast<CamID_e>(wParam);
    Report &report = m_reports[id - firstCamID];
    switch (message) {
    case WM_VCAM_ACTIVE:
        // A stopped stream reports its format again when it restarts.
        if (lParam == 0)
            report = Report{};
        emit updateVirtualCamStatus(id, lParam != 0);
        return true;
    case WM_VCAM_RESOLUTION:
        report.resolution = lParam;
        report.hasResolution = true;
        break;
    default:
        report.frameRate = lParam;
        report.hasFrameRate = true;
        break;
    }
    if (report.hasResolution && report.hasFrameRate) {
        applyReport(id, report);
        report.hasResolution = false;
        report.hasFrameRate = false;
    }
    return true;
}

void VcamActivity::clear() {
    m_reports.fill(Report{});
}

void VcamActivity::applyReport(CamID_e id, Report &report) {
    QString mac;
    quint32 liveFlag = 0;
    if (!m_devices.getCamPair(id, mac, liveFlag) || mac.isEmpty())
        return;
    const int resolution = static_cast<int>(report.resolution);
    const int frameRate = static_cast<int>(report.frameRate);
    if (m_devices.videoParamIsChange(mac, resolution, frameRate)) {
        LOG_NOTE << "vCamera config>> id:" << id << " res:" << resolution << " fps:" << frameRate
                 << " [1:1080P 2:~1080P 3:4K 4:~4K]";
        const DeviceBaseInfo_t dev = m_devices.getDevMeta(mac);
        if (dev.ip.isEmpty()) {
            LOG_ERROR << "set video resolution faild, the IP is empty!";
            return;
        }
        m_network.setDeviceVideoResolution(id - firstCamID, dev.ip, dev.videoCfg.resFps,
                                           dev.videoCfg.palNtsc, dev.videoCfg.rotation);
        return;
    }
    if (!m_takeActivated(static_cast<quint8>(id - firstCamID)))
        return;
    // Only a camera that is seen and connected can be asked to stream.
    const DeviceBaseInfo_t dev = m_devices.getDevMeta(mac);
    if (dev.isOnline && dev.connectState == DevList::Connected && !dev.ip.isEmpty())
        m_network.setDeviceLiveOn(dev.ip);
}
