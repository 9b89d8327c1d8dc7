// DescriptorSqueeze: while it lives, the process cannot open another file or socket (the soft
// descriptor limit is lowered to the lowest free descriptor number); release() or the
// destructor gives the old limit back. For tests of what happens when descriptors run out.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

class DescriptorSqueeze {
public:
    DescriptorSqueeze() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (lowestFree < 0)
            return;
        ::close(lowestFree);
        rlimit squeezed = m_saved;
        squeezed.rlim_cur = static_cast<rlim_t>(lowestFree);
        m_active = ::setrlimit(RLIMIT_NOFILE, &squeezed) == 0;
    }
    ~DescriptorSqueeze() { release(); }
    DescriptorSqueeze(const DescriptorSqueeze &) = delete;
    DescriptorSqueeze &operator=(const DescriptorSqueeze &) = delete;

    bool isActive() const { return m_active; }
    void release() {
        if (m_active)
            ::setrlimit(RLIMIT_NOFILE, &m_saved);
        m_active = false;
    }

private:
    rlimit m_saved{};
    bool m_active = false;
};
