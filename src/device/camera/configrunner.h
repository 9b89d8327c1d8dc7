// ConfigRunner: runs the cameras' configuration sequences. The main thread
// asks for new settings, an HDR change or live streaming; the worker's pass
// sends the step that is due, the replies move the sequence on or fail it, a
// step the camera never confirms fails when its wait expires, and a failure
// is reported once, on the pass after it.
//
// Threads: created with the engine and moved with it to its worker thread.
// The set* operations run on the main thread and only change the record;
// runStep() and onReply() run on the worker. The records' lock guards all
// state; signals are emitted after it is released.
#pragma once

#include <QObject>
#include <QString>

class CameraRecords;
class QNetworkReply;
class RequestIssuer;

class ConfigRunner : public QObject {
    Q_OBJECT
public:
    ConfigRunner(CameraRecords &records, RequestIssuer &issuer, QObject *parent);

    // Main thread.
    void setVideoResolution(int index, const QString &ip, const QString &resFps,
                            const QString &palNtsc, bool rotation);
    void setHdr(const QString &ip, bool on);
    void setLiveOn(const QString &ip);

    // Worker thread.
    void runStep();
    void onReply(QNetworkReply *reply, int tag);

signals:
    void sigDeviceParamConfigFaild(QString ip);

private:
    CameraRecords &m_records;
    RequestIssuer &m_issuer;
};
