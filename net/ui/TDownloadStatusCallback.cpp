#include "net/ui/TDownloadStatusCallback.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <climits>

#include "net/ui/TFormDown.h"

namespace {

QString Kilobytes(uint64_t bytes) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<qulonglong>((bytes + 512) / 1024));
}

}  // namespace

QString DownloadProgressText(uint64_t done, uint64_t expected) {
    return QStringLiteral("共 ") + Kilobytes(expected) + QStringLiteral("k  已下载 ") +
           Kilobytes(done) + QStringLiteral("k");
}

uint32_t TDownloadStatusCallback::OnProgress(uint64_t done, uint64_t expected) {
    if (!window_) return download::kOk;
    if (window_->Cancelled) return download::kAborted;
    const bool whole = expected != 0 && done >= expected;
    if (sinceShown_.isValid() && sinceShown_.elapsed() < kRepaintIntervalMs && !whole) {
        return download::kOk;
    }
    sinceShown_.start();

    // The bar counts in units small enough for its int range.
    int shift = 0;
    while ((expected >> shift) > static_cast<uint64_t>(INT_MAX)) ++shift;
    window_->ProgressBar->setMaximum(static_cast<int>(expected >> shift));
    window_->ProgressBar->setValue(static_cast<int>(std::min(done, expected) >> shift));
    if (done != 0 || expected != 0) {
        window_->LabelProgress->setText(DownloadProgressText(done, expected));
    }
    QCoreApplication::processEvents();
    return window_->Cancelled ? download::kAborted : download::kOk;
}
