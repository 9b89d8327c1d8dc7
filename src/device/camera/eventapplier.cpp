#include "device/camera/eventapplier.h"

#include "device/camera/camerarecords.h"
#include "device/camerareply.h"
#include "device/peerloglimit.h"
#include "log/logline.h"

#include <QThread>

namespace {

const QString statemngSetting = QStringLiteral("STATEMNG_SETTING");
const QString normRec = QStringLiteral("NORM_REC");

QString oneZero(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

EventApplier::EventApplier(CameraRecords &records, QObject *parent)
    : QObject(parent), m_records(records) {}

void EventApplier::enqueue(const DeviceListenTCP::FeedbackInfo_t &info) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (!info.isValid)
        return;
    QMutexLocker lock(&m_queueLock);
    if (m_queue.size() >= maxQueuedEvents) {
        // One line a spell: a flood of events must not become a flood of log lines.
        if (m_droppedWhileFull++ == 0)
            LOG_ERROR << "cameraIP:" << info.ip
                      << "event queue full: events are dropped until it has room, the first:"
                      << outsideTextPreview(info.rawData);
        return;
    }
    if (m_droppedWhileFull > 0) {
        LOG_ERROR << "event queue has room again;" << m_droppedWhileFull
                  << "events were dropped while it was full";
        m_droppedWhileFull = 0;
    }
    m_queue.append(info);
}

void EventApplier::clear() {
    QMutexLocker lock(&m_queueLock);
    m_queue.clear();
}

void EventApplier::applyNext() {
    Q_ASSERT(QThread::currentThread() == thread());
    DeviceListenTCP::FeedbackInfo_t info;
    {
        QMutexLocker lock(&m_queueLock);
        if (m_queue.isEmpty())
            return;
        info = m_queue.takeFirst();
    }
    if (info.ip.isEmpty()) {
        LOG_ERROR << "the feedbackInfo.ip is empty!";
        return;
    }
    if (info.eventId != statemngSetting || info.arg2 != normRec)
        return;
    QList<Report> reports;
    bool finished = false;
    {
        QMutexLocker lock(&m_records.lock());
        CameraRecord *record = m_records.findLocked(info.ip);
        if (!record)
            return;
        finished = apply(info, *record, reports);
    }
    for (const Report &report : std::as_const(reports))
        emit sigDeviceParamFeedback(info.ip, report.type, report.value);
    if (finished)
        emit sigDeviceParamConfigFinish(info.ip);
}

bool EventApplier::apply(const DeviceListenTCP::FeedbackInfo_t &info, CameraRecord &record,
                         QList<Report> &reports) {
    const QString prefix = QStringLiteral("camera_") + info.ip;
    const bool success = info.result == QLatin1String("SUCCESS");
    const auto failed = [&](const char *label) {
        LOG_ERROR << prefix << label << "error!  rawData:" << info.rawData;
        return false;
    };
    ConfigSequence &config = record.config;
    ReportedParams &reported = record.reported;

    if (info.arg1 == QLatin1String("ADDRTSPSTREAM")) {
        if (!success)
            return failed(" LIVE feedback>>>");
        reports << Report{VideoParamLive, info.payload};
        reported.live = info.payload != QLatin1String("0");
        if (reported.live) {
            LOG_NOTE << prefix << " LIVE feedback>>>"
                     << "ON";
            return config.onLiveOn();
        }
        LOG_NOTE << prefix << " LIVE feedback>>>"
                 << "OFF";
        if (config.onLiveOff())
            LOG_NOTE << "start device param settings...";
    } else if (info.arg1 == QLatin1String("VIDEOMODE")) {
        if (!success)
            return failed(" PAL/NTSC feedback>>>");
        if (config.onVideoModeSet())
            LOG_NOTE << prefix << " PAL/NTSC feedback>>>" << info.payload;
        reported.palNtsc = info.payload;
        reports << Report{VideoParamPalNtsc, info.payload};
    } else if (info.arg1 == QLatin1String("MEDIAMODE")) {
        if (!success)
            return failed(" RES&FPS&HDR feedback>>>");
        if (config.onMediaModeSet())
            LOG_NOTE << prefix << " RES&FPS&HDR feedback>>>" << info.payload;
        reported.hdr = info.payload.contains(QLatin1String("HDR"));
        reported.resFps = CameraReply::resFpsOf(info.payload);
        reports << Report{VideoParamHDR, oneZero(reported.hdr)}
                << Report{VideoParamResFps, reported.resFps};
    } else if (info.arg1 == QLatin1String("ROTATION")) {
        if (!success)
            return failed(" RATATION feedback>>>");
        if (config.onRotationSet())
            LOG_NOTE << prefix << " RATATION feedback>>>" << info.payload;
        reported.rotation = info.payload.contains(QLatin1String("ON"));
        reports << Report{VideoParamRotation, info.payload};
    } else if (info.arg1 == QLatin1String("PRESET")) {
        if (!success)
            return failed(" SCENE feedback>>>");
        reported.hdr = info.payload != QLatin1String("indoor");
        reports << Report{VideoParamHDR, oneZero(reported.hdr)};
        LOG_ERROR << prefix << " SCENE feedback>>>" << info.payload
                  << " HDR:" << (reported.hdr ? "ON" : "OFF");
    }
    return false;
}
