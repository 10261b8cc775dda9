#pragma once
// Progress of a download shown in its window: the bar, the sizes in
// kilobytes, and the window's cancel button answered. The window repaints at
// most about 20 times a second, so a fast transfer is not slowed by painting.
// UI thread only.

#include <QElapsedTimer>
#include <QString>

#include "net/http/UrlDownload.h"

class TFormDown;

class TDownloadStatusCallback final : public DownloadProgress {
public:
    // `window` may be null: the reports are then ignored.
    explicit TDownloadStatusCallback(TFormDown* window) : window_(window) {}

    uint32_t OnProgress(uint64_t done, uint64_t expected) override;

    static constexpr int kRepaintIntervalMs = 50;

private:
    TFormDown* window_;
    QElapsedTimer sinceShown_;
};

// "共 3,456k  已下载 1,234k": both sizes in kilobytes, rounded, grouped as
// the user's locale groups thousands.
QString DownloadProgressText(uint64_t done, uint64_t expected);
