#include "device/camera/configrunner.h"

#include "device/camera/camerarecords.h"
#include "device/camerareply.h"
#include "device/networktypes.h"
#include "device/requestissuer.h"
#include "device/threadcheck.h"
#include "log/logline.h"

#include <QNetworkReply>
#include <QStringList>

namespace {

QString configLabel(int tag) {
    switch (tag) {
    case RequestConfigLiveQuery:
        return QStringLiteral(" LIVE query>>>");
    case RequestConfigLiveOff:
    case RequestConfigLiveOn:
        return QStringLiteral(" LIVE control>>>");
    case RequestConfigMediaMode:
        return QStringLiteral(" RES&FPS&HDR control>>>");
    case RequestConfigRotation:
        return QStringLiteral(" RATATION control>>>");
    default:
        return QStringLiteral(" PAL/NTSC control>>>");
    }
}

// What a new request changes: a running sequence's values, else what the
// camera reported.
CameraSettings currentSettings(const CameraRecord &record) {
    if (record.config.isRunning())
        return record.config.requested();
    const ReportedParams &reported = record.reported;
    return {reported.resFps, reported.palNtsc, reported.rotation, reported.hdr};
}

} // namespace

ConfigRunner::ConfigRunner(CameraRecords &records, RequestIssuer &issuer, QObject *parent)
    : QObject(parent), m_records(records), m_issuer(issuer) {}

void ConfigRunner::setVideoResolution(int index, const QString &ip, const QString &resFps,
                                      const QString &palNtsc, bool rotation) {
    Q_ASSERT(onMainThread());
    if (ip.isEmpty() || resFps.isEmpty() || palNtsc.isEmpty()) {
        LOG_ERROR << "setDeviceVideoResolution: param invalid!";
        LOG_ERROR << "index:" << index << " ip:" << ip << " res_fps:" << resFps
                  << " pal_ntsc:" << palNtsc << " ratation:" << boolText(rotation);
        return;
    }
    LOG_NOTE << "set device video >> "
             << "ip:" << ip << " res&fps:" << resFps << " pal/ntsc:" << palNtsc
             << " ratation:" << boolText(rotation);

    QMutexLocker lock(&m_records.lock());
    CameraRecord &record = m_records.ensureLocked(ip, CameraRecord::Query::Idle, nullptr);
    CameraSettings requested = currentSettings(record);
    requested.resFps = resFps;
    requested.palNtsc = palNtsc;
    requested.rotation = rotation;
    m_records.cancelRepliesLocked(record);
    record.config.start(requested);
}

void ConfigRunner::setHdr(const QString &ip, bool on) {
    Q_ASSERT(onMainThread());
    if (ip.isEmpty()) {
        LOG_ERROR << "setDeviceHDR: ip is empty";
        return;
    }
    QMutexLocker lock(&m_records.lock());
    CameraRecord *record = m_records.findLocked(ip);
    if (!record) {
        LOG_ERROR << "setDeviceHDR: no find device from VideoParamMap";
        return;
    }
    CameraSettings requested = currentSettings(*record);
    if (requested.resFps.isEmpty()) {
        record->retries = 0;
        record->query = CameraRecord::Query::All;
        LOG_NOTE << "setDeviceHDR: the local video param is empty, query the param first!";
        return;
    }
    if (record->reported.live) {
        LOG_ERROR << "setDeviceHDR: forbid config, the status of LIVE is on";
        return;
    }
    requested.hdr = on;
    m_records.cancelRepliesLocked(*record);
    record->config.start(requested);
}

void ConfigRunner::setLiveOn(const QString &ip) {
    Q_ASSERT(onMainThread());
    if (ip.isEmpty()) {
        LOG_ERROR << "setDeviceLiveOn: ip is empty";
        return;
    }
    QMutexLocker lock(&m_records.lock());
    CameraRecord *record = m_records.findLocked(ip);
    if (!record)
        return;
    if (record->reported.resFps.isEmpty()) {
        record->retries = 0;
        record->query = CameraRecord::Query::All;
        LOG_NOTE << "setDeviceLiveOn: the local video param is empty, query the param first!";
        return;
    }
    if (!record->reported.live)
        record->config.startLiveOn();
}

void ConfigRunner::runStep() {
    Q_ASSERT(QThread::currentThread() == thread());
    QStringList overdue;
    QStringList failed;
    {
        QMutexLocker lock(&m_records.lock());
        for (auto &[ip, record] : m_records.allLocked()) {
            if (record.config.confirmationOverdue()) {
                record.config.fail();
                m_records.cancelRepliesLocked(record);
                overdue << ip;
            }
            if (record.config.takeFailure()) {
                failed << ip;
                continue;
            }
            if (const auto request = record.config.takeRequest()) {
                QNetworkReply *reply =
                    m_issuer.taggedCameraGet(ip, request->endpoint, request->tag, request->value);
                m_records.markReply(reply, record);
            }
        }
    }
    for (const QString &ip : std::as_const(overdue))
        LOG_ERROR << "cameraIP:" << ip
                  << "video param config faild!  step:" << quint32(ConfigSequence::Step::Failed);
    for (const QString &ip : std::as_const(failed))
        emit sigDeviceParamConfigFaild(ip);
}

void ConfigRunner::onReply(QNetworkReply *reply, int tag) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString ip = reply->objectName();
    const QString label = configLabel(tag);
    QMutexLocker lock(&m_records.lock());
    CameraRecord *record = m_records.ownerLocked(reply);
    if (!record) {
        LOG_NOTE << "camera_" << ip << label << "cancel";
        return;
    }
    const std::optional<QString> body = CameraReply::bodyOf(reply, ip, label);
    if (!body)
        return record->config.fail();

    if (tag == RequestConfigLiveQuery) {
        const std::optional<bool> living = CameraReply::isLiving(*body);
        if (!living) {
            LOG_ERROR << "camera_" << ip << label << "data error--" << *body;
            return record->config.fail();
        }
        record->reported.live = *living;
        record->config.onLiveState(*living);
        if (*living)
            LOG_NOTE << "camera_" << ip << label << "ON";
        else
            LOG_NOTE << "camera_" << ip << label << "OFF, start param settings...";
        return;
    }

    if (!CameraReply::isSuccess(*body)) {
        LOG_ERROR << "camera_" << ip << label << "faild--" << *body;
        return record->config.fail();
    }
    record->config.onControlAccepted(tag);
    if (tag == RequestConfigLiveOn)
        LOG_NOTE << "camera_" << ip << label << "turn on";
    else if (tag == RequestConfigLiveOff)
        LOG_NOTE << "camera_" << ip << label << "turn off, wait to the LIVE off...";
}
