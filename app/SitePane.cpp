#include "app/SitePane.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "app/MusicLink.h"
#include "app/SiteLyrics.h"
#include "base/Global.h"
#include "base/SiteHosts.h"
#include "net/http/HttpGetText.h"
#include "net/ui/DownloadFile.h"
#include "workflow/AccompanimentImport.h"
#include "workflow/LyricsDisplay.h"
#include "workflow/UserMessages.h"

namespace {

constexpr int kDownloadAttempts = 3;

QString BlankPage() { return WorkFolder() + QStringLiteral("blank.html"); }

}  // namespace

SitePane::SitePane(Session& session, AccompanimentImport& import, QWidget* host)
    : QObject(host), s_(session), import_(import), host_(host) {}

SitePane::~SitePane() {
    // The widget goes with the window; the pane's own part goes first.
    pane_.reset();
}

void SitePane::FormShow() {
    // The engine stays loaded for the rest of the run: it cannot be unloaded.
    Result<platform::DynamicLibrary> loaded = platform::DynamicLibrary::Load(
        WorkFolder() + QLatin1String(kBrowserPaneLibrary), /*resident=*/true);
    if (!loaded) return;
    library_ = std::move(loaded).value();
    const auto create = library_.function<CreateBrowserPaneFunction>(kCreateBrowserPaneName);
    if (!create) return;
    pane_.reset(create(
        host_,
        [this](const QString& address, bool& cancel) {
            CppWebBrowserBeforeNavigate2(address, cancel);
        },
        [this](const QString& address) { CppWebBrowserNavigateError(address); }));
    if (!pane_) return;
    CppWebBrowser = pane_->widget();
    auto* layout = new QVBoxLayout(host_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CppWebBrowser);
    CppWebBrowser->show();
    pane_->navigate(QUrl(SearchPageUrl()));
    emit paneCreated();
}

void SitePane::CppWebBrowserNavigateError(const QString& address) {
    // A missing blank.html must not send the pane round in circles.
    if (QUrl(address) == QUrl::fromLocalFile(BlankPage())) return;
    if (pane_) pane_->navigate(QUrl::fromLocalFile(BlankPage()));
}

void SitePane::CppWebBrowserBeforeNavigate2(const QString& address, bool& cancel) {
    cancel = false;
    if (!IsMusicLink(address)) return;
    cancel = true;
    // One song at a time, and none while a take records over the current one.
    if (s_.State.accompanimentBusy() || s_.State.phase() == TakePhase::Recording) return;
    s_.State.setAccompanimentBusy(true);
    // Out of the engine's callback first: the download keeps the windows
    // responsive, which must not happen inside the engine's own call.
    QTimer::singleShot(0, this, [this, address] { FetchMusicLink(address); });
}

void SitePane::FetchMusicLink(const QString& link) {
    s_.State.setAccompanimentBusy(false);  // held since the link was accepted
    TakeState::BusyScope busy(s_.State);
    const QString fetchAddress = MusicFetchAddress(link);
    const QString answer = HttpGetText(fetchAddress);
    const QString target = MusicDownloadTarget(TempFolder(), fetchAddress, answer);
    if (answer.isEmpty() || target.isEmpty()) {
        ShowFailure({FailureCause::Network, QStringLiteral("打开 url 失败")});
        return;
    }
    QDir().mkpath(TempFolder());
    // The download window has shown what went wrong.
    if (DownloadFile(answer, target, true, kDownloadAttempts, true)) {
        // Beside the song, where its takes look for them.
        FetchSiteLyrics(answer, LyricsPathFor(target));
        import_.ImportAccompaniment(target);
        QFile::remove(target);
    }
}
