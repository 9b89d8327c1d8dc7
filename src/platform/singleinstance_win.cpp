// A one-byte shared memory segment; Windows removes it with its last holder.
#include "platform/singleinstance.h"

#include <QSharedMemory>

struct SingleInstanceLock::Impl {
    explicit Impl(const QString &name) : segment(name) {}
    QSharedMemory segment;
    bool created = false;
};

SingleInstanceLock::SingleInstanceLock(const QString &name) : m_impl(std::make_unique<Impl>(name)) {
    m_impl->created = m_impl->segment.create(1);
}

SingleInstanceLock::~SingleInstanceLock() = default;

bool SingleInstanceLock::acquired() const {
    return m_impl->created;
}
