#include "device/devicesearchip.h"

#include <QEventLoop>
#include <QMutexLocker>
#include <QTimer>

DeviceSearchIP *DeviceSearchIP::getInstance() {
    static DeviceSearchIP instance;
    return &instance;
}

void DeviceSearchIP::setStop() {
    QMutexLocker lock(&m_lock);
    m_stop = true;
}

bool DeviceSearchIP::stopRequested() {
    QMutexLocker lock(&m_lock);
    return m_stop;
}

void DeviceSearchIP::waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void DeviceSearchIP::onRun() {
    // Each pass will probe the local subnets; between passes the thread's
    // queued signals are delivered.
    while (!stopRequested())
        waitMs(100);
}
