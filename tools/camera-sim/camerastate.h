// CameraState holds what the camera knows about itself: live streaming, the
// NORM_REC video settings, its battery and its work mode. Setters emit one
// signal per actual change, so later parts (the RTSP stream, mDNS) can follow
// the camera without knowing who changed it. Created and used on the main
// thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

struct Battery {
    int capacity = 87;
    bool charging = true;
    bool ac = true;

    bool operator==(const Battery &) const = default;
};

class CameraState : public QObject {
    Q_OBJECT
public:
    explicit CameraState(QObject *parent = nullptr);

    static const QStringList &mediaModes();
    static bool isMediaMode(const QString &mode);
    static bool isVideoMode(const QString &mode);
    static bool isRotation(const QString &rotation);
    static bool isWorkMode(const QString &mode);

    bool live() const { return m_live; }
    QString mediaMode() const { return m_mediaMode; }
    QString videoMode() const { return m_videoMode; }
    QString rotation() const { return m_rotation; }
    Battery battery() const { return m_battery; }
    QString workMode() const { return m_workMode; }

    void setLive(bool live);
    // The setters taking text refuse values the camera does not know and
    // return false; the state is then unchanged.
    bool setMediaMode(const QString &mode);
    bool setVideoMode(const QString &mode);
    bool setRotation(const QString &rotation);
    bool setWorkMode(const QString &mode);
    void setBattery(const Battery &battery);

    // "live=1 media=... video=... rotation=... battery=87 charge=1 ac=1 mode=wireless"
    QString describe() const;

signals:
    void liveChanged(bool live);
    void mediaModeChanged(const QString &mode);
    void videoModeChanged(const QString &mode);
    void rotationChanged(const QString &rotation);
    void batteryChanged(const Battery &battery);
    void workModeChanged(const QString &mode);

private:
    bool m_live = false;
    QString m_mediaMode = QStringLiteral("1080P30_HDR_SS");
    QString m_videoMode = QStringLiteral("PAL");
    QString m_rotation = QStringLiteral("OFF");
    Battery m_battery;
    QString m_workMode = QStringLiteral("wireless");
};
