// CloudSim: one cloud-sim process on loopback for a test, driven through its
// control channel, with the requests it logged read back so a test can
// assert on what the program under test sent. Used on the test's thread; the
// process is stopped when the object goes.
#pragma once

#include "support/childprocess.h"

#include <QList>
#include <QString>
#include <QStringList>

class CloudSim {
public:
    // One "request" line; auth and body are empty where the line has "-".
    struct Request {
        QString method;
        QString path;
        QString auth;
        QString body;
    };

    struct Tokens {
        QString access;
        QString refresh;
    };

    static QString program();

    // Starts the service on 127.0.0.1 on free ports and waits until it listens.
    bool start(const QStringList &options = {});
    // "127.0.0.1:PORT" of the API, as KESTRA_CLOUD_HOST takes it.
    QString host() const { return m_host; }
    // "127.0.0.1:PORT" of the installer download.
    QString downloadHost() const { return m_downloadHost; }

    // Sends a control command and waits for its "ok"; false on "error" or silence.
    bool control(const QString &command);
    // The last code sent to account; empty when none.
    QString lastCode(const QString &account) const;
    // True once count requests whose path contains pathPart have been logged.
    bool waitForRequest(const QString &pathPart, int timeoutMs, int count = 1);
    QList<Request> requests() const;
    // How many requests whose path contains pathPart have been logged so far.
    int countRequests(const QString &pathPart) const;
    // Tokens of an earlier sign-in of a registered account; empty on failure.
    Tokens issueTokens(const QString &account);
    void stop() { m_process.terminate(); }

    ChildProcess &process() { return m_process; }
    const ChildProcess &process() const { return m_process; }

private:
    ChildProcess m_process;
    QString m_host;
    QString m_downloadHost;
};
