#include "device/camera/paramquery.h"

#include "device/camera/camerarecords.h"
#include "device/camerareply.h"
#include "device/requestissuer.h"
#include "log/logline.h"

#include <QList>
#include <QNetworkReply>
#include <QThread>

namespace {

using Query = CameraRecord::Query;

// Failed query rounds after which a camera is no longer asked.
constexpr quint8 maxRetries = 2;

QString queryLabel(int tag) {
    switch (tag) {
    case RequestLiveQuery:
        return QStringLiteral(" LIVE query>>>");
    case RequestMediaModeQuery:
        return QStringLiteral(" RES&FPS&HDR query>>>");
    case RequestVideoModeQuery:
        return QStringLiteral(" PAL/NTSC query>>>");
    default:
        return QStringLiteral(" RATATION query>>>");
    }
}

QString onOff(bool on) {
    return on ? QStringLiteral("ON") : QStringLiteral("OFF");
}

QString oneZero(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

struct Report {
    VideoParamType_e type;
    QString value;
};

} // namespace

ParamQuery::ParamQuery(CameraRecords &records, RequestIssuer &issuer, QObject *parent)
    : QObject(parent), m_records(records), m_issuer(issuer) {}

void ParamQuery::runStep() {
    Q_ASSERT(QThread::currentThread() == thread());
    QMutexLocker lock(&m_records.lock());
    for (auto &[cameraIp, record] : m_records.allLocked()) {
        const QString &ip = cameraIp; // a lambda may not capture a structured binding in clang 14
        const auto query = [&](int endpoint, int tag) {
            m_issuer.taggedCameraGet(ip, endpoint, tag);
        };
        switch (record.query) {
        case Query::Live:
            query(RequestIssuer::EndpointCamState, RequestLiveQuery);
            break;
        case Query::MediaMode:
            query(RequestIssuer::EndpointGetMediaMode, RequestMediaModeQuery);
            break;
        case Query::Rotation:
            query(RequestIssuer::EndpointGetRotation, RequestRotationQuery);
            break;
        case Query::VideoMode:
            query(RequestIssuer::EndpointGetVideoMode, RequestVideoModeQuery);
            break;
        case Query::All:
            query(RequestIssuer::EndpointCamState, RequestLiveQuery);
            query(RequestIssuer::EndpointGetMediaMode, RequestMediaModeQuery);
            query(RequestIssuer::EndpointGetVideoMode, RequestVideoModeQuery);
            query(RequestIssuer::EndpointGetRotation, RequestRotationQuery);
            break;
        case Query::Retry:
            ++record.retries;
            record.query = record.retries > maxRetries ? Query::Idle : Query::All;
            continue;
        case Query::Idle:
            continue;
        }
        record.query = Query::Idle;
    }
}

void ParamQuery::onReply(QNetworkReply *reply, int tag) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString ip = reply->objectName();
    const QString label = queryLabel(tag);
    QList<Report> reports;
    {
        QMutexLocker lock(&m_records.lock());
        CameraRecord *record = m_records.findLocked(ip);
        if (!record) {
            LOG_NOTE << "camera_" << ip << label << "cancel";
            return;
        }
        const auto fail = [&] {
            if (tag == RequestLiveQuery || record->query != Query::All)
                record->query = Query::Retry;
        };
        const std::optional<QString> body = CameraReply::bodyOf(reply, ip, label);
        if (!body)
            return fail();

        ReportedParams &reported = record->reported;
        if (tag == RequestLiveQuery) {
            const std::optional<bool> living = CameraReply::isLiving(*body);
            if (!living) {
                LOG_ERROR << "camera_" << ip << label << "data error--" << *body;
                return fail();
            }
            reported.live = *living;
            reports << Report{VideoParamLive, oneZero(reported.live)};
        } else {
            const std::optional<QString> value = CameraReply::workModeValue(*body);
            if (!value) {
                LOG_ERROR << "camera_" << ip << label << "data error!  rawData:" << *body;
                return fail();
            }
            if (tag == RequestMediaModeQuery) {
                reported.hdr = value->contains(QLatin1String("HDR"));
                reported.resFps = CameraReply::resFpsOf(*value);
                reports << Report{VideoParamHDR, oneZero(reported.hdr)}
                        << Report{VideoParamResFps, reported.resFps};
                LOG_NOTE << "camera_" << ip << label << reported.resFps
                         << " HDR: " << onOff(reported.hdr);
            } else if (tag == RequestVideoModeQuery) {
                reported.palNtsc = value->contains(QLatin1String("PAL")) ? QStringLiteral("PAL")
                                                                         : QStringLiteral("NTSC");
                reports << Report{VideoParamPalNtsc, reported.palNtsc};
            } else {
                reported.rotation = value->contains(QLatin1String("ON"));
                reports << Report{VideoParamRotation, onOff(reported.rotation)};
            }
        }
    }
    for (const Report &report : std::as_const(reports))
        emit sigDeviceParamFeedback(ip, report.type, report.value);
}
