#include "device/lanproxyfactory.h"

#include <QHostAddress>

bool LanProxyFactory::isLanAddress(const QString &host) {
    const QHostAddress address(host);
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const quint32 ip = address.toIPv4Address();
    const auto inNet = [ip](quint32 net, int bits) {
        return (ip >> (32 - bits)) == (net >> (32 - bits));
    };
    return inNet(0x7F000000, 8) || inNet(0x0A000000, 8) || inNet(0xAC100000, 12) ||
           inNet(0xC0A80000, 16) || inNet(0xA9FE0000, 16);
}

QList<QNetworkProxy> LanProxyFactory::queryProxy(const QNetworkProxyQuery &query) {
    if (isLanAddress(query.peerHostName()))
        return {QNetworkProxy(QNetworkProxy::NoProxy)};
    return systemProxyForQuery(query);
}
