#include "support/netlabmain.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

#ifndef KESTRA_NETLAB_CAMERAS
#define KESTRA_NETLAB_CAMERAS 1
#endif
#ifndef KESTRA_NETLAB_SECOND_SUBNET
#define KESTRA_NETLAB_SECOND_SUBNET Netlab::NoSecondSubnet
#endif

namespace {
Netlab *lab = nullptr;
} // namespace

Netlab &testLab() {
    return *lab;
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Netlab netlab(KESTRA_NETLAB_CAMERAS, KESTRA_NETLAB_SECOND_SUBNET);
    lab = &netlab;
    if (Netlab::available()) {
        if (!netlab.up() || !netlab.enter(QStringLiteral("pc"))) {
            fprintf(stderr, "netlab: could not set up the test LAN:\n%s\n",
                    qPrintable(netlab.lastOutput()));
            return 1;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
