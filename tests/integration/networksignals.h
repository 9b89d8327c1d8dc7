// Records, in order and on the test's thread, what the engine reports through
// its signals and its log, so tests can wait for them with deadlines.
#pragma once

#include "device/network.h"
#include "support/logcapture.h"

#include <QObject>
#include <QStringList>

class NetworkSignals : public QObject {
    Q_OBJECT
public:
    explicit NetworkSignals(Network *network);

    // Entries: "battery MAC CHARGE LEVEL", "offline MAC", "abnormal MAC",
    // "feedback IP TYPE VALUE", "faild IP", "finish IP".
    QStringList events;
    bool waitFor(const QString &event, int timeoutMs);
    int count(const QString &event) const { return static_cast<int>(events.count(event)); }
    void clear() { events.clear(); }
};
