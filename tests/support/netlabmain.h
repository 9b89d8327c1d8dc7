// Test entry point for tests that need the test LAN: before anything else
// runs, it brings up a lab and moves the whole test process into the lab's PC
// namespace, so the code under test (and every thread it starts) sees only
// the PC's interfaces. Camera-side programs are started in the camera
// namespaces through testLab().execArgs(). When no lab can be made, testLab()
// is not up and the tests skip.
#pragma once

#include "support/netlab.h"

Netlab &testLab();

#define REQUIRE_TEST_LAB()                                                                         \
    do {                                                                                           \
        if (!testLab().isUp())                                                                     \
            GTEST_SKIP() << "no test LAN: " << Netlab::unavailableReason().toStdString();          \
    } while (0)
