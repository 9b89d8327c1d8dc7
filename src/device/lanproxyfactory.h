// LanProxyFactory: cameras are reached by their address on the local network,
// so a proxy that the desktop configured for the internet must never carry
// their requests (it cannot reach them), and a scan's hundreds of probes must
// not each ask the system for one. Other hosts (the cloud) keep the system's
// proxy. Stateless; installed on each access manager that talks to cameras.
#pragma once

#include <QNetworkProxyFactory>

class LanProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override;

    // Loopback, private-use (10/8, 172.16/12, 192.168/16) and link-local IPv4.
    static bool isLanAddress(const QString &host);
};
