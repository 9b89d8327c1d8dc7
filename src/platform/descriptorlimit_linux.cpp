#include "platform/descriptorlimit.h"

#include "log/logline.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstring>

void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        LOG_ERROR << "cannot read the file descriptor limit:" << std::strerror(errno);
        return;
    }
    if (limit.rlim_cur >= limit.rlim_max) {
        LOG_NOTE << "file descriptor limit" << static_cast<qulonglong>(limit.rlim_cur);
        return;
    }
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        LOG_ERROR << "cannot raise the file descriptor limit from"
                  << static_cast<qulonglong>(before) << "to"
                  << static_cast<qulonglong>(limit.rlim_max) << ":" << std::strerror(errno);
        return;
    }
    LOG_NOTE << "file descriptor limit raised from" << static_cast<qulonglong>(before) << "to"
             << static_cast<qulonglong>(limit.rlim_max);
}
