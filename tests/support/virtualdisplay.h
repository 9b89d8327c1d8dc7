// VirtualDisplay: a private X server (Xvfb) for the windows of one test, on a display number
// of this process's own, so tests running side by side never share one. Test thread; the
// server stops with the object.
#pragma once

#include "support/childprocess.h"

#include <QString>

class VirtualDisplay {
public:
    // Starts the server with one screen of size ("1280x800") and waits until it takes clients.
    bool start(const QString &size);
    void stop() { m_server.terminate(); }

    // ":N", for DISPLAY.
    QString name() const { return m_name; }
    // The server's state and output, for failure messages.
    QString describe() const { return m_server.describe(); }

private:
    ChildProcess m_server;
    QString m_name;
};
