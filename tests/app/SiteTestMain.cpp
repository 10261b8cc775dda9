// The main of tests that drive the site pane: the process is prepared for
// the browser engine before the application object exists, as the program's
// main does.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/BrowserEngine.h"

#include "tests/support/CrashTrace.h"

int main(int argc, char** argv) {
    InstallCrashTrace();
    ::testing::InitGoogleTest(&argc, argv);
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
