// The flood tool's command line. Parsed once on the main thread.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

struct FloodOptions {
    enum class Kind { Events, Idle, Mdns };
    Kind kind = Kind::Events;
    QHostAddress to;     // events, idle: KestraLive's address
    QHostAddress from;   // events, idle: the local address to send from (any when null)
    quint16 port = 9002; // events, idle
    qint64 bytes = 0;    // events: how much to send
    int connections = 0; // idle: how many to open
    int holdSeconds = 0; // idle: how long to keep them
    int answers = 0;     // mdns: how many forged answers
    int perSecond = 0;   // mdns: pace (0: as fast as the socket takes them)
    int maxSeconds = 60; // every flood ends by then, whatever it reached
};

enum class FloodParse { Run, Help, Invalid };

// message receives the help text (Help) or what was wrong (Invalid).
FloodParse parseFloodOptions(const QStringList &arguments, FloodOptions *options, QString *message);
