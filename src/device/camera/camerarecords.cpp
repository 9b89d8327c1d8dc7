#include "device/camera/camerarecords.h"

#include <QNetworkReply>
#include <QVariant>

namespace {
const char *const runProperty = "configRun";
}

CameraRecord *CameraRecords::findLocked(const QString &ip) {
    const auto it = m_records.find(ip);
    return it == m_records.end() ? nullptr : &it->second;
}

CameraRecord &CameraRecords::ensureLocked(const QString &ip, CameraRecord::Query query,
                                          bool *created) {
    const auto [it, inserted] = m_records.try_emplace(ip);
    if (inserted) {
        it->second.query = query;
        it->second.run = ++m_lastRun;
    }
    if (created)
        *created = inserted;
    return it->second;
}

bool CameraRecords::removeLocked(const QString &ip) {
    const auto it = m_records.find(ip);
    if (it == m_records.end())
        return false;
    const bool running = it->second.config.isRunning();
    m_records.erase(it);
    return running;
}

void CameraRecords::markReply(QNetworkReply *reply, const CameraRecord &record) {
    reply->setProperty(runProperty, record.run);
}

CameraRecord *CameraRecords::ownerLocked(QNetworkReply *reply) {
    CameraRecord *record = findLocked(reply->objectName());
    if (!record || reply->property(runProperty).toULongLong() != record->run)
        return nullptr;
    return record;
}
