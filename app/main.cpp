// Tavimo: record a song over an accompaniment, listen back, save it as MP3.
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>

#include "app/QtUserMessages.h"
#include "app/SiteSchemes.h"
#include "app/TFormMain.h"
#include "app/ToolkitTranslations.h"
#include "app/WindowLook.h"

int main(int argc, char** argv) {
    // The site pane's browser engine runs as root only without its sandbox.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // The site pane shares its graphics context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    RegisterSiteSchemes();
    QApplication app(argc, argv);
    LoadToolkitTranslations();
    // Every window of the program speaks in the main window's font.
    QApplication::setFont(WindowFont(12));
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setDesktopFileName(QStringLiteral("tavimo"));
    QApplication::setWindowIcon(ProgramIcon());
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
