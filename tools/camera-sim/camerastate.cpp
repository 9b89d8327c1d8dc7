#include "camerastate.h"

CameraState::CameraState(QObject *parent) : QObject(parent) {}

const QStringList &CameraState::mediaModes() {
    static const QStringList modes{QStringLiteral("1080P30_HDR_SS"), QStringLiteral("1080P30_SS"),
                                   QStringLiteral("4K30_HDR"), QStringLiteral("4K30"),
                                   QStringLiteral("1080P60")};
    return modes;
}

bool CameraState::isMediaMode(const QString &mode) {
    return mediaModes().contains(mode);
}

bool CameraState::isVideoMode(const QString &mode) {
    return mode == QLatin1String("PAL") || mode == QLatin1String("NTSC");
}

bool CameraState::isRotation(const QString &rotation) {
    return rotation == QLatin1String("ON") || rotation == QLatin1String("OFF");
}

bool CameraState::isWorkMode(const QString &mode) {
    return mode == QLatin1String("wireless") || mode == QLatin1String("normal");
}

void CameraState::setLive(bool live) {
    if (m_live == live)
        return;
    m_live = live;
    emit liveChanged(live);
}

bool CameraState::setMediaMode(const QString &mode) {
    if (!isMediaMode(mode))
        return false;
    if (m_mediaMode != mode) {
        m_mediaMode = mode;
        emit mediaModeChanged(mode);
    }
    return true;
}

bool CameraState::setVideoMode(const QString &mode) {
    if (!isVideoMode(mode))
        return false;
    if (m_videoMode != mode) {
        m_videoMode = mode;
        emit videoModeChanged(mode);
    }
    return true;
}

bool CameraState::setRotation(const QString &rotation) {
    if (!isRotation(rotation))
        return false;
    if (m_rotation != rotation) {
        m_rotation = rotation;
        emit rotationChanged(rotation);
    }
    return true;
}

bool CameraState::setWorkMode(const QString &mode) {
    if (!isWorkMode(mode))
        return false;
    if (m_workMode != mode) {
        m_workMode = mode;
        emit workModeChanged(mode);
    }
    return true;
}

void CameraState::setBattery(const Battery &battery) {
    if (m_battery == battery)
        return;
    m_battery = battery;
    emit batteryChanged(battery);
}

QString CameraState::describe() const {
    return QStringLiteral(
               "live=%1 media=%2 video=%3 rotation=%4 battery=%5 charge=%6 ac=%7 mode=%8")
        .arg(m_live ? 1 : 0)
        .arg(m_mediaMode, m_videoMode, m_rotation)
        .arg(m_battery.capacity)
        .arg(m_battery.charging ? 1 : 0)
        .arg(m_battery.ac ? 1 : 0)
        .arg(m_workMode);
}
