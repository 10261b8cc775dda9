// Tavimo: record a song over an accompaniment, listen back, save it as MP3.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>
#include <thread>

#include <fontconfig/fontconfig.h>

#include "app/BrowserEngine.h"
#include "app/QtUserMessages.h"
#include "app/TFormMain.h"
#include "app/ToolkitTranslations.h"
#include "app/WindowLook.h"

int main(int argc, char** argv) {
    PrepareBrowserEngine();
    // Fontconfig reads its configuration and font caches while the toolkit
    // connects to the display; the first label needs them.
    std::thread fontConfiguration([] { FcInit(); });
    QApplication app(argc, argv);
    fontConfiguration.join();
    LoadToolkitTranslations();
    // Every window of the program speaks in the main window's font.
    QApplication::setFont(WindowFont(12));
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setDesktopFileName(QStringLiteral("tavimo"));
    QtUserMessages messages;
    InstallMessages(&messages);
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
    InstallMessages(nullptr);
    return 0;
}
