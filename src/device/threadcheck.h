// The thread checks behind the headers' "main thread" rules, for Q_ASSERT.
#pragma once

#include <QCoreApplication>
#include <QThread>

inline bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}
