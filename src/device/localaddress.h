// The PC's own IPv4 address in a camera's /24, which the camera is told to
// push its events to. Reads the interface list; callable from any thread.
#pragma once

#include <QString>

// The address of an up, running, multicast-capable, non-loopback interface
// whose first three dotted parts equal the camera's, or "".
QString localAddressInSubnetOf(const QString &devIP);
