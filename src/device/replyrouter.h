// ReplyRouter: remembers what each HTTP reply was for (its request tag) and
// hands finished replies to the dispatcher in arrival order. A finished reply
// must never block the engine's worker on the lock: when the lock is busy
// for more than 1 ms the reply is deferred and dispatched, before the reply
// that next gets the lock.
//
// Threads: track() and route() run on the engine's worker thread; retagCameraReplies()
// may run on any thread. m_lock guards m_tags only; it is never held while
// another lock is taken or while dispatching. m_deferred is worker-only.
#pragma once

#include <functional>
#include <QList>
#include <QMap>
#include <QMutex>

class QNetworkReply;

class ReplyRouter {
public:
    using Dispatch = std::function<void(QNetworkReply *reply, int tag)>;

    explicit ReplyRouter(Dispatch dispatch);

    void track(QNetworkReply *reply, int tag);
    // Gives every camera reply still in flight the same tag (used to discard
    // them all when the cameras go); cloud replies keep theirs.
    void retagCameraReplies(int tag);
    // Called when a reply finished: dispatches it (and any deferred ones) and
    // schedules each for deletion.
    void route(QNetworkReply *reply);

    int pendingCount();
    // Drops every reply still tracked, for when their access manager goes with them.
    void forgetAll();

private:
    friend class ReplyRouterLockHolder;
    int takeTagLocked(QNetworkReply *reply);
    void dispatchAndRelease(QNetworkReply *reply, int tag);

    Dispatch m_dispatch;
    QMutex m_lock;
    QMap<QNetworkReply *, int> m_tags;
    QList<QNetworkReply *> m_deferred;
};

// Holds a router's lock for as long as it lives; lets tests stand for a
// thread that is inside the lock when replies finish.
class ReplyRouterLockHolder {
public:
    explicit ReplyRouterLockHolder(ReplyRouter &router) : m_locker(&router.m_lock) {}

private:
    QMutexLocker<QMutex> m_locker;
};
