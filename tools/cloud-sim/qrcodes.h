// QrCodes: the QR sign-in sessions. The PC asks for a code, shows its
// picture and polls its status while a phone (here: the control channel)
// scans and confirms it. A session expires on its own after its lifetime.
// Main thread only.
#pragma once

#include "tokens.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

class QrCodes {
public:
    enum Status { Waiting = 1, Scanned = 2, Expired = 3, Confirmed = 4 };
    struct Session {
        QString id;
        QString mac;
        QDeadlineTimer expiry;
        Status status = Waiting;
        QString account; // who confirmed
        TokenPair tokens;
    };

    static constexpr int maxGets = 3;
    static constexpr int getWindowMs = 3000;

    explicit QrCodes(int ttlSec);
    int ttlSec() const { return m_ttlSec; }

    // Counts one request for a code from mac; true when it is one too many for the window.
    bool countGet(const QString &mac);
    const Session &create(const QString &mac);
    // Null when unknown; a session past its lifetime reads as expired.
    Session *find(const QString &id);
    // The session made last, for the control channel; null when none.
    Session *latest();

    // What the picture encodes for id.
    static QString content(const QString &id);
    // A PNG of the QR code for text; empty when it cannot be encoded.
    static QByteArray picture(const QString &text);

private:
    Session *refreshed(Session *session);

    QHash<QString, Session> m_sessions;
    QString m_latest;
    QHash<QString, QList<qint64>> m_gets; // times on m_clock
    QElapsedTimer m_clock;
    int m_ttlSec;
};
