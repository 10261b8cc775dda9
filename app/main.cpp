// Tavimo: record a song over an accompaniment, listen back, save it as MP3.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include <unistd.h>

#include "app/QtUserMessages.h"
#include "app/TFormMain.h"

int main(int argc, char** argv) {
    // The site pane's browser engine runs as root only without its sandbox.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // The site pane shares its graphics context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setDesktopFileName(QStringLiteral("tavimo"));
    QtUserMessages messages;
    platform::InstallMessages(&messages);
    try {
        TFormMain FormMain(QCoreApplication::applicationFilePath());
        FormMain.show();
        // Centre of the desktop when first shown.
        FormMain.move(FormMain.screen()->availableGeometry().center() - FormMain.rect().center());
        app.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, ApplicationTitle(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, ApplicationTitle(), QString());
    }
    platform::InstallMessages(nullptr);
    return 0;
}
