// The main of tests that drive the site pane: the program's own address
// scheme is registered before the application object exists, as the
// program's main does.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/SiteSchemes.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    RegisterSiteSchemes();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
