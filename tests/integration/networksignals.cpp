#include "networksignals.h"

#include <QTest>

NetworkSignals::NetworkSignals(Network *network) {
    const auto add = [this](const QString &event) {
        events << event;
    };
    connect(
        network, &Network::sigDeviceBatteryInfo, this,
        [add](const QString &mac, bool charge, short level) {
            add(QStringLiteral("battery %1 %2 %3").arg(mac).arg(int(charge)).arg(level));
        },
        Qt::QueuedConnection);
    connect(
        network, &Network::sigDeviceOffine, this,
        [add](const QString &mac) { add(QStringLiteral("offline ") + mac); }, Qt::QueuedConnection);
    connect(
        network, &Network::sigDeviceAbnormal, this,
        [add](const QString &mac) { add(QStringLiteral("abnormal ") + mac); },
        Qt::QueuedConnection);
    connect(
        network, &Network::sigDeviceParamFeedback, this,
        [add](const QString &ip, VideoParamType_e type, const QString &value) {
            add(QStringLiteral("feedback %1 %2 %3").arg(ip).arg(int(type)).arg(value));
        },
        Qt::QueuedConnection);
    connect(
        network, &Network::sigDeviceParamConfigFaild, this,
        [add](const QString &ip) { add(QStringLiteral("faild ") + ip); }, Qt::QueuedConnection);
    connect(
        network, &Network::sigDeviceParamConfigFinish, this,
        [add](const QString &ip) { add(QStringLiteral("finish ") + ip); }, Qt::QueuedConnection);
}

bool NetworkSignals::waitFor(const QString &event, int timeoutMs) {
    return QTest::qWaitFor([&] { return events.contains(event); }, timeoutMs);
}
