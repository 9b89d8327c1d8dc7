// ParamQuery: asks cameras for their current parameters (live state, media
// mode, video standard, rotation), records the answers as reported values and
// reports them; a failed round is repeated at most twice.
//
// Threads: created with the engine and moved with it to its worker thread;
// runStep() and onReply() run there. The records' lock guards all state;
// signals are emitted after it is released.
#pragma once

#include "device/networktypes.h"

#include <QObject>
#include <QString>

class CameraRecords;
class QNetworkReply;
class RequestIssuer;

class ParamQuery : public QObject {
    Q_OBJECT
public:
    ParamQuery(CameraRecords &records, RequestIssuer &issuer, QObject *parent);

    void runStep();
    void onReply(QNetworkReply *reply, int tag);

signals:
    void sigDeviceParamFeedback(QString ip, VideoParamType_e type, QString value);

private:
    CameraRecords &m_records;
    RequestIssuer &m_issuer;
};
