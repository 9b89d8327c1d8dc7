// Test entry point: a Qt application object exists for the whole run so that
// settings, event loops and signal spies behave as they do in the program.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
