#include "labguard.h"

#include <QNetworkInterface>

bool isLabAddress(const QHostAddress &address) {
    return address.isInSubnet(QHostAddress(QStringLiteral("10.77.0.0")), 24) ||
           address.isInSubnet(QHostAddress(QStringLiteral("10.78.0.0")), 24);
}

QString outsideLab() {
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback())
            continue;
        if (!isLabAddress(address))
            return QStringLiteral("this host has the address %1, outside the test LAN")
                .arg(address.toString());
    }
    return {};
}
