// The flood tool sends only inside the test LAN: every IPv4 address of this host (loopback
// aside) and every destination must lie in the lab's subnets.
#pragma once

#include <QHostAddress>
#include <QString>

bool isLabAddress(const QHostAddress &address);
// Empty when this host is inside a lab namespace; otherwise what is outside.
QString outsideLab();
