// webpane.so: the site pane's browser over Qt WebEngine. Its one export makes
// a QWebEngineView with the site's page and its song-link scheme.
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "app/BrowserPane.h"
#include "app/browser/SitePage.h"
#include "app/browser/SiteSchemes.h"

QT_BEGIN_NAMESPACE
// The toolkit's setter of the context that every OpenGL context of the
// process shares with; the engine draws through it.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

// Drawn through OpenGL, the engine needs a context to share its graphics
// with. The toolkit makes one at start when asked to, but the program does
// not ask: loading the OpenGL driver would hold up the window's first
// appearance. So it is made here, the first time the pane is made, once the
// window is on screen. Drawn in software (the program's choice unless the
// user's environment says otherwise) it needs none, and no driver is loaded.
void EnsureSharedGraphicsContext() {
    if (QQuickWindow::graphicsApi() != QSGRendererInterface::OpenGL) return;
    if (QOpenGLContext::globalShareContext()) return;
    auto* context = new QOpenGLContext(qApp);
    context->create();
    qt_gl_set_global_share_context(context);
}

class WebEnginePane final : public BrowserPane {
public:
    WebEnginePane(QWidget* parent, BeforeNavigate beforeNavigate, NavigateError navigateError)
        : view_(new QWebEngineView(parent)) {
        QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
        if (!profile->urlSchemeHandler("music")) {
            profile->installUrlSchemeHandler("music", new MusicSchemeHandler(profile));
        }
        view_->setPage(
            new SitePage(profile, std::move(beforeNavigate), std::move(navigateError), view_));
    }

    // The view goes with the pane, before anything its handlers reach.
    ~WebEnginePane() override { delete view_; }

    QWidget* widget() override { return view_; }
    void navigate(const QUrl& address) override { view_->load(address); }
    QUrl url() const override { return view_->url(); }

private:
    QPointer<QWebEngineView> view_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) BrowserPane* CreateBrowserPane(
    QWidget* parent, BrowserPane::BeforeNavigate beforeNavigate,
    BrowserPane::NavigateError navigateError) {
    static_assert(std::is_same_v<decltype(&CreateBrowserPane), CreateBrowserPaneFunction>);
    try {
        // Before the engine makes its first object.
        EnsureSharedGraphicsContext();
        RegisterSiteSchemes();
        return new WebEnginePane(parent, std::move(beforeNavigate), std::move(navigateError));
    } catch (...) {
        return nullptr;
    }
}
