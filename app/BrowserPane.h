#pragma once
// The web browser behind the site pane, as the main window sees it. The
// browser engine is the heaviest part of the program, so it lives in a
// library of its own beside the program (webpane.so), loaded once the
// window is on screen; nothing else of the program links the engine.
// UI thread only.

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

class BrowserPane {
public:
    // The pane is about to navigate to `address` (the page or a frame; a
    // link, a script or a redirect); set `cancel` to stay where it is.
    using BeforeNavigate = std::function<void(const QString& address, bool& cancel)>;
    // A navigation of the page or of one of its frames failed.
    using NavigateError = std::function<void(const QString& address)>;

    virtual ~BrowserPane() = default;

    // The browser's widget, owned by the parent it was made with.
    virtual QWidget* widget() = 0;
    // Goes to `address`: an address, or a local file's URL.
    virtual void navigate(const QUrl& address) = 0;
    virtual QUrl url() const = 0;
};

// The library's one export: a browser inside `parent` that reports to the
// two handlers. Null when the engine cannot start.
using CreateBrowserPaneFunction = BrowserPane* (*)(QWidget* parent,
                                                   BrowserPane::BeforeNavigate beforeNavigate,
                                                   BrowserPane::NavigateError navigateError);
inline constexpr char kCreateBrowserPaneName[] = "CreateBrowserPane";
inline constexpr char kBrowserPaneLibrary[] = "webpane.so";
