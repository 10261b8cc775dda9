// One core application object for a test binary of logic without widgets:
// it runs without a display.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "tests/support/CrashTrace.h"

int main(int argc, char** argv) {
    InstallCrashTrace();
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
