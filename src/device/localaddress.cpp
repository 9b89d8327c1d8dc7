#include "device/localaddress.h"

#include "log/logline.h"

#include <QNetworkInterface>
#include <QStringList>

QString localAddressInSubnetOf(const QString &devIP) {
    if (devIP.isEmpty()) {
        LOG_ERROR << "findLocalIPinSameNetSegment: param is empty!";
        return {};
    }
    QStringList local;
    const auto required =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanMulticast;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        if (!interface.isValid() || (interface.flags() & required) != required ||
            interface.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                local << entry.ip().toString();
        }
    }
    LOG_NOTE << "LocalHost ListIP:";
    for (const QString &address : std::as_const(local))
        LOG_NOTE << address;

    const QString devNet = devIP.section(QLatin1Char('.'), 0, 2);
    for (const QString &address : std::as_const(local)) {
        if (address.section(QLatin1Char('.'), 0, 2) == devNet) {
            LOG_NOTE << "devIP: " << devIP;
            LOG_NOTE << "the hostIP: " << address;
            return address;
        }
    }
    return {};
}
