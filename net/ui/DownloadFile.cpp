#include "net/ui/DownloadFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QThread>
#include <memory>

#include "base/Global.h"
#include "net/UrlText.h"
#include "net/http/UrlDownload.h"
#include "net/ui/TDownloadStatusCallback.h"
#include "net/ui/TFormDown.h"

namespace {

constexpr int kRetryPauseMs = 200;
constexpr int kNotFoundPauseMs = 8000;
constexpr int kErrorPauseMs = 5000;
constexpr int kMostAttemptsWithoutWindow = 1000;

QString ProgramFileName() { return FileNamePart(QCoreApplication::applicationFilePath()); }

// Shows `text` in the window and keeps it there for `pauseMs`, during which
// the program does nothing else.
void ShowInWindow(TFormDown* window, const QString& text, int pauseMs) {
    if (!window) return;
    window->LabelProgress->setText(text);
    QCoreApplication::processEvents();
    QThread::msleep(static_cast<unsigned long>(pauseMs));
}

// What the user is told of `result`, shown in the window where it takes a pause.
QString ReactToFailure(TFormDown* window, uint32_t result, const QString& url,
                       const QString& errorBefore) {
    switch (result) {
        case download::kObjectNotFound:
        case download::kResourceNotFound:
            ShowInWindow(window,
                        QStringLiteral("找不到文件 ") + url +
                            QStringLiteral("   请检查网络是否正常,") + ProgramFileName() +
                            QStringLiteral(" 是否被防火墙禁止通讯."),
                        kNotFoundPauseMs);
            return QStringLiteral("找不到文件 ") + url + QStringLiteral(".  请检查网络是否正常,") +
                   ProgramFileName() + QStringLiteral(" 是否被防火墙禁止通讯.");
        case download::kInvalidUrl:
            ShowInWindow(window, QStringLiteral("URL不正确 ") + url, kErrorPauseMs);
            return QStringLiteral("URL不正确 ") + url;
        case download::kCannotConnect:
            return QStringLiteral("连接服务器失败 ") +
                   GetUrlParam(url, QStringLiteral("http://"), QStringLiteral("/"));
        case download::kAborted:
            return errorBefore;
        default: {
            const QString text =
                QStringLiteral("下载出错 0x") +
                QStringLiteral("%1").arg(result, 8, 16, QLatin1Char('0')).toUpper();
            ShowInWindow(window, text, kErrorPauseMs);
            return text;
        }
    }
}

FailureCause CauseOf(uint32_t result) {
    switch (result) {
        case download::kAborted:
            return FailureCause::Cancelled;
        case download::kInvalidUrl:
            return FailureCause::Invalid;
        case download::kPathNotFound:
        case download::kAccessDenied:
        case download::kDiskFull:
            return FailureCause::Unwritable;
        case download::kObjectNotFound:
            return FailureCause::Missing;
        default:
            return FailureCause::Network;
    }
}

}  // namespace

Status TransferLoop(TFormDown* window, const QString& url, const QString& destination,
                    bool showWindow, int attempts) {
    if (!showWindow && attempts > kMostAttemptsWithoutWindow) attempts = kMostAttemptsWithoutWindow;
    TDownloadStatusCallback callback(window);
    QFile::remove(destination);

    uint32_t result = download::kFailed;
    QString errorText;
    for (int attempt = 0; attempt < attempts;) {
        result = UrlDownloadToFile(url, destination, &callback);
        if (result == download::kOk) return {};
        if (result != download::kDownloadFailure) {
            return Failure{CauseOf(result), ReactToFailure(window, result, url, errorText),
                           FailureNotice::Prompt, static_cast<int>(result)};
        }
        if (window) {
            window->LabelProgress->setText(
                QStringLiteral("下载中断,请检查网络是否正常,正在重试..."));
            if (window->Cancelled) return Failure{FailureCause::Cancelled, errorText};
        }
        ++attempt;
        errorText = QStringLiteral("网络故障");
        QThread::msleep(kRetryPauseMs);
    }
    return Failure{result == download::kDownloadFailure ? FailureCause::Network : CauseOf(result),
                   errorText, FailureNotice::Prompt, static_cast<int>(result)};
}

Status DownloadFile(const QString& url, const QString& destination, bool showWindow, int attempts,
                    bool fullNameInCaption) {
    std::unique_ptr<TFormDown> window;
    if (showWindow) {
        window = std::make_unique<TFormDown>();
        QString name = FileNamePart(destination);
        if (!fullNameInCaption) name = name.section(u'.', 0, 0);
        window->setWindowTitle(QStringLiteral("正在下载文件 ") + name);
        window->CentreOnMainWindow();
        window->show();
        QCoreApplication::processEvents();
    }
    return TransferLoop(window.get(), url, destination, showWindow, attempts);
}
