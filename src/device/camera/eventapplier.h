// EventApplier: applies the events cameras push about their own settings. It
// queues them as they arrive and applies one per pass: the camera's reported
// values change, the running configuration step is confirmed, and the new
// values are reported; a confirmed live start finishes the configuration.
//
// Threads: created with the engine and moved with it to its worker thread,
// where enqueue() and applyNext() run; clear() may run on any thread.
// m_queueLock guards m_queue and is never held while another lock is taken;
// the records' lock guards the records. Signals are emitted after both are
// released.
#pragma once

#include "device/deviceliscentcp.h"
#include "device/networktypes.h"

#include <QList>
#include <QMutex>
#include <QObject>

class CameraRecords;
struct CameraRecord;

class EventApplier : public QObject {
    Q_OBJECT
public:
    // A camera that floods events must not grow the queue without bound.
    static constexpr qsizetype maxQueuedEvents = 1000;

    EventApplier(CameraRecords &records, QObject *parent);

    void enqueue(const DeviceListenTCP::FeedbackInfo_t &info);
    void applyNext();
    void clear();

signals:
    void sigDeviceParamFeedback(QString ip, VideoParamType_e type, QString value);
    void sigDeviceParamConfigFinish(QString ip);

private:
    struct Report {
        VideoParamType_e type;
        QString value;
    };
    // Returns whether the event finished the camera's configuration.
    static bool apply(const DeviceListenTCP::FeedbackInfo_t &info, CameraRecord &record,
                      QList<Report> &reports);

    CameraRecords &m_records;
    QMutex m_queueLock;
    QList<DeviceListenTCP::FeedbackInfo_t> m_queue;
    qint64 m_droppedWhileFull = 0; // worker only
};
