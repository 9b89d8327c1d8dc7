// SimulatedCamera: one torvi-sim process in a camera namespace of the test
// LAN, started and driven through its control channel. Used on the test's
// thread; the process is stopped when the object goes.
#pragma once

#include "support/childprocess.h"

#include <QString>
#include <QStringList>

class Netlab;

class SimulatedCamera {
public:
    static QString program();

    // Starts the simulator in host's namespace, serving on address, and waits
    // until it listens.
    bool start(const Netlab &lab, const QString &host, const QString &address, const QString &uid,
               const QStringList &options = {});
    // Sends a control command and waits for its acknowledgement.
    bool control(const QString &command);
    void stop() { m_process.terminate(); }

    ChildProcess &process() { return m_process; }
    const ChildProcess &process() const { return m_process; }

private:
    ChildProcess m_process;
};
