// SingleInstanceLock: one running KestraLive per user. Whoever holds the lock
// named "singleApp" is the running instance; the lock dies with its holder,
// also when that process crashes. Created once on the GUI thread at start-up.
#pragma once

#include <memory>
#include <QString>

class SingleInstanceLock {
public:
    explicit SingleInstanceLock(const QString &name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock &) = delete;
    SingleInstanceLock &operator=(const SingleInstanceLock &) = delete;

    // False when another live instance holds the lock.
    bool acquired() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
