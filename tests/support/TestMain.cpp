// One application object for the whole test binary, created after GoogleTest
// has read its flags. Widgets need the display that scripts/test-env starts.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/CrashTrace.h"

int main(int argc, char** argv) {
    InstallCrashTrace();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
