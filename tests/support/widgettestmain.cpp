// Entry point of the widget tests: a QApplication (widgets need one) with the
// program's font, for the whole run. CTest runs them on the offscreen platform.
#include "custom/uifont.h"

#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    installUiFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
