#include "support/netlabmain.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#ifndef KESTRA_NETLAB_CAMERAS
#define KESTRA_NETLAB_CAMERAS 1
#endif
#ifndef KESTRA_NETLAB_SECOND_SUBNET
#define KESTRA_NETLAB_SECOND_SUBNET Netlab::NoSecondSubnet
#endif

namespace {

Netlab *lab = nullptr;

// setns() moves only the calling thread; threads started afterwards inherit
// it. So this must happen while the process has a single thread.
bool enterNamespace(const QString &name) {
    if (QDir(QStringLiteral("/proc/self/task"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
            .size() != 1) {
        fprintf(stderr, "netlab: cannot enter %s: the process already runs threads\n",
                qPrintable(name));
        return false;
    }
    const int fd = ::open(qPrintable(QStringLiteral("/run/netns/") + name), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return entered;
}

} // namespace

Netlab &testLab() {
    return *lab;
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Netlab netlab(KESTRA_NETLAB_CAMERAS, KESTRA_NETLAB_SECOND_SUBNET);
    lab = &netlab;
    if (Netlab::available()) {
        if (!netlab.up() || !enterNamespace(netlab.namespaceName(QStringLiteral("pc")))) {
            fprintf(stderr, "netlab: could not set up the test LAN:\n%s\n",
                    qPrintable(netlab.lastOutput()));
            return 1;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
