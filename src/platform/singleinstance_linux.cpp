// An flock on a per-user file: it is released by the kernel when the holder
// exits or crashes, unlike a SysV segment, which would outlive a crashed
// holder and lock every user of the machine out.
#include "platform/singleinstance.h"

#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

struct SingleInstanceLock::Impl {
    int fd = -1;
};

SingleInstanceLock::SingleInstanceLock(const QString &name) : m_impl(std::make_unique<Impl>()) {
    const QString path =
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') + name;
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    m_impl->fd = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
    if (m_impl->fd >= 0)
        ::close(m_impl->fd);
}

bool SingleInstanceLock::acquired() const {
    return m_impl->fd >= 0;
}
