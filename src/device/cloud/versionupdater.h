// VersionUpdater: the version check and the installer download of the HTTP
// engine. The start-up query is pending from construction and tries twice;
// later checks (requestVersion) try once. An offer waits for the user, who
// starts the download with a save path; the installer goes to disk through
// InstallerDownload.
//
// State (enum State, the documented numbers 0-6):
//   QueryRequested -> QuerySent -> Idle (up to date) | UpdateOffered |
//   QueryRequested (failure, retries left) | Failed;
//   Idle, UpdateOffered, Failed -> QueryRequested (requestVersion);
//   UpdateOffered, Failed -> DownloadRequested (startDownloadApplication)
//   -> Downloading -> Idle (file in place) | Failed.
//
// Threads: made with the engine; requestVersion(), startDownloadApplication()
// and the getters run on any thread (the GUI thread); runStep() and the reply
// handlers on the engine's worker. m_lock guards every member but m_download
// and m_lastProgress (worker only); signals are emitted after it is released.
#pragma once

#include "device/networktypes.h"

#include <memory>
#include <QMutex>
#include <QObject>
#include <QString>

class InstallerDownload;
class QNetworkReply;
class RequestIssuer;

class VersionUpdater : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle = 0,
        QueryRequested = 1,
        QuerySent = 2,
        UpdateOffered = 3,
        DownloadRequested = 4,
        Downloading = 5,
        Failed = 6,
    };

    VersionUpdater(RequestIssuer &issuer, const QString &programVersion, QObject *parent);
    ~VersionUpdater() override;

    void requestVersion();
    void startDownloadApplication(const QString &savePath);
    // The answer-received flag (low byte) and the retry count (high byte).
    quint16 answerFlagAndRetries() const;
    QString latestVersion() const;
    State state() const;

    void runStep();
    void onVersionReply(QNetworkReply *reply);
    void onDownloadReply(QNetworkReply *reply);

signals:
    void sigVersionQueryFaild();
    void sigVersionUpdateHint(QString defaultFileName, bool isStartupHint, bool isForceUpdate);
    void sigVersionIsNewst(bool isStartupHint);
    void sigDownloadProgress(schar value);
    void sigDownloadCompleted(bool isForce);
    void sigDownloadFaild(bool isForce);

private:
    enum class Outcome { None, Newest, Offer, QueryFailed };
    Outcome readAnswerLocked(QNetworkReply *reply);
    Outcome failLocked();
    bool startDownloadLocked();
    void onDownloadData(QNetworkReply *reply);
    void onDownloadProgress(qint64 received, qint64 total);

    RequestIssuer &m_issuer;
    mutable QMutex m_lock;
    State m_state = State::QueryRequested;
    const QString m_programVersion;
    QString m_latestVersion;
    QString m_downloadUrl;
    QString m_sha256;
    bool m_forced = false;
    QString m_savePath;
    quint8 m_answerReceived = 0;
    qint8 m_retries = 1;

    std::unique_ptr<InstallerDownload> m_download;
    int m_lastProgress = -2;
};
