// DeviceSearchIP: the LAN scan worker. It runs its loop (onRun) on the scan
// thread that Network creates, from program start until setStop().
//
// Threads: created on the main thread, moved to the scan thread; setStop() is
// called from any thread. m_lock guards m_stop.
#pragma once

#include <QMutex>
#include <QObject>

class DeviceSearchIP : public QObject {
    Q_OBJECT
public:
    static DeviceSearchIP *getInstance();

    void setStop();

public slots:
    void onRun();

private:
    DeviceSearchIP() = default;
    bool stopRequested();
    void waitMs(int ms);

    QMutex m_lock;
    bool m_stop = false;
};
