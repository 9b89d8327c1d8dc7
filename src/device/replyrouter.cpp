#include "device/replyrouter.h"

#include "device/networktypes.h"

#include <QNetworkReply>

namespace {
constexpr int untracked = -1;
}

ReplyRouter::ReplyRouter(Dispatch dispatch) : m_dispatch(std::move(dispatch)) {}

void ReplyRouter::track(QNetworkReply *reply, int tag) {
    QMutexLocker lock(&m_lock);
    m_tags.insert(reply, tag);
}

void ReplyRouter::retagCameraReplies(int tag) {
    QMutexLocker lock(&m_lock);
    for (auto it = m_tags.begin(); it != m_tags.end(); ++it)
        if (it.value() >= RequestConfigLiveQuery)
            it.value() = tag;
}

int ReplyRouter::pendingCount() {
    QMutexLocker lock(&m_lock);
    return static_cast<int>(m_tags.size());
}

int ReplyRouter::takeTagLocked(QNetworkReply *reply) {
    const auto it = m_tags.find(reply);
    if (it == m_tags.end())
        return untracked;
    const int tag = it.value();
    m_tags.erase(it);
    return tag;
}

void ReplyRouter::dispatchAndRelease(QNetworkReply *reply, int tag) {
    if (tag != untracked)
        m_dispatch(reply, tag);
    reply->deleteLater();
}

void ReplyRouter::route(QNetworkReply *reply) {
    if (!m_lock.tryLock(1)) {
        m_deferred.append(reply);
        return;
    }
    const int tag = takeTagLocked(reply);
    m_lock.unlock();

    const QList<QNetworkReply *> deferred = std::exchange(m_deferred, {});
    for (QNetworkReply *earlier : deferred) {
        m_lock.lock();
        const int earlierTag = takeTagLocked(earlier);
        m_lock.unlock();
        dispatchAndRelease(earlier, earlierTag);
    }
    dispatchAndRelease(reply, tag);
}

void ReplyRouter::forgetAll() {
    QMutexLocker lock(&m_lock);
    m_tags.clear();
    m_deferred.clear();
}
