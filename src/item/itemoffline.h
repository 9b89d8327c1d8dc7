// itemOffline: the card of a known camera that is not connected: connecting
// (with the connecting animation), connection failed (with reconnect) or not
// connected (with refresh), chosen by the connection state of the camera
// record it holds a copy of. The name field renames the camera. The main
// window's list owns the card; GUI thread only.
#pragma once

#include "device/devlist.h"

#include <memory>
#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace Ui {
class itemOffline;
}

class itemOffline : public QWidget {
    Q_OBJECT
public:
    explicit itemOffline(QWidget *parent = nullptr);
    ~itemOffline() override;

    // Copies the record and shows the page of its connection state.
    void setDeviceInfo(const DeviceBaseInfo_t &dev);
    const DeviceBaseInfo_t &deviceInfo() const { return m_info; }
    QString mac() const { return m_info.mac; }
    void setNumber(int number);
    // True while the connecting animation runs (only in the connecting state).
    bool isAnimating() const { return m_animation.isActive(); }

    static constexpr int frameCount = 25;
    static constexpr int frameMs = 50;

signals:
    void sigReconnect(const QString &mac);
    void sigClickOption(const QString &mac);
    void modifyName(const QString &mac, const QString &name);
    void sigRefresh();

public slots:
    void onReconnect();
    void onLoadingTimeout();

protected:
    void changeEvent(QEvent *event) override;

private:
    void showState();

    std::unique_ptr<Ui::itemOffline> ui;
    DeviceBaseInfo_t m_info;
    QList<QPixmap> m_frames;
    int m_frame = 0;
    QTimer m_animation;
};
