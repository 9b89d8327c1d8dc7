// The simulator's command line: which camera it plays and where it listens.
// Parsed once on the main thread before anything starts.
#pragma once

#include "camerastate.h"
#include "cgihandler.h"
#include "rtspserver.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

struct Options {
    QHostAddress address{QHostAddress::AnyIPv4};
    quint16 httpPort = 80; // 0: any free port
    quint16 eventPort = 9002;
    DeviceIdentity identity{QStringLiteral("A1B2C3D4E5F6"), QStringLiteral("Torvi Camera"),
                            QStringLiteral("V1.0.0")};
    QString mediaMode = QStringLiteral("1080P30_HDR_SS");
    QString videoMode = QStringLiteral("PAL");
    QString rotation = QStringLiteral("OFF");
    QString workMode = QStringLiteral("wireless");
    bool live = false;
    Battery battery;
    bool control = true; // read commands from stdin, and end with it
    // The first label of the camera's mDNS instance name; by default the
    // LAN scan's key for the same camera, "Torvi_" + uid.
    QString mdnsUid;
    bool mdns = true;
    bool rtsp = true;
    quint16 rtspPort = 554; // 0: any free port
    AudioTrack audio = AudioTrack::None;
};

enum class ParseResult { Run, Help, Invalid };

// message receives the help text (Help) or what was wrong (Invalid).
ParseResult parseOptions(const QStringList &arguments, Options *options, QString *message);

// Capacity 0 to 999 (a camera may report nonsense above 100), charge and ac 0 or 1.
bool parseBattery(const QString &capacity, const QString &charge, const QString &ac,
                  Battery *battery);
