// CameraRecords: the engine's record of each configurable camera, keyed by
// camera IP: its configuration sequence, its parameter queries and the values
// it last reported. Configuration replies carry the camera IP (object name)
// and the run they belong to; a restarted, timed-out or dropped sequence moves
// to a new run, so replies of the old one are recognised as cancelled without
// any table of replies.
//
// Threads: main-thread operations and worker steps share it. lock() guards
// every record; take it through the *Locked functions' callers. It may be
// taken under the status poller's lock, never the other way round, and no
// other lock is taken under it.
#pragma once

#include "device/camera/configsequence.h"

#include <map>
#include <QMutex>
#include <QString>

class QNetworkReply;

// What the camera last reported.
struct ReportedParams {
    bool live = false;
    QString resFps;
    QString palNtsc;
    bool rotation = false;
    bool hdr = true;
};

struct CameraRecord {
    // The values are the documented query states.
    enum class Query : quint32 {
        Idle = 0,
        Live = 1,
        MediaMode = 2,
        Rotation = 3,
        VideoMode = 4,
        All = 5,
        Retry = 6,
    };

    ConfigSequence config;
    quint64 run = 0; // configuration replies of other runs are cancelled
    Query query = Query::Idle;
    quint8 retries = 0;
    ReportedParams reported;
};

class CameraRecords {
public:
    QMutex &lock() { return m_lock; }

    CameraRecord *findLocked(const QString &ip);
    // The camera's record, made with this query state if it has none.
    CameraRecord &ensureLocked(const QString &ip, CameraRecord::Query query, bool *created);
    // Returns whether a configuration was running, which then ends unreported.
    bool removeLocked(const QString &ip);
    void clearLocked() { m_records.clear(); }
    std::map<QString, CameraRecord> &allLocked() { return m_records; }

    // Cancels the camera's configuration replies in flight.
    void cancelRepliesLocked(CameraRecord &record) { record.run = ++m_lastRun; }
    void markReply(QNetworkReply *reply, const CameraRecord &record);
    // The record a configuration reply belongs to; null when it was cancelled.
    CameraRecord *ownerLocked(QNetworkReply *reply);

private:
    QMutex m_lock;
    std::map<QString, CameraRecord> m_records;
    quint64 m_lastRun = 0;
};
