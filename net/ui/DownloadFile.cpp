#include "net/ui/DownloadFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QThread>
#include <memory>

#include "net/Global.h"
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

void SetError(QString* errorText, const QString& text) {
    if (errorText) *errorText = text;
}

// Shows `text` in the window and keeps it there for `pauseMs`, during which
// the program does nothing else.
void ShowFailure(TFormDown* window, const QString& text, int pauseMs) {
    if (!window) return;
    window->LabelProgress->setText(text);
    QCoreApplication::processEvents();
    QThread::msleep(static_cast<unsigned long>(pauseMs));
}

void ReactToFailure(TFormDown* window, uint32_t result, const QString& url, QString* errorText) {
    switch (result) {
        case download::kObjectNotFound:
        case download::kResourceNotFound:
            ShowFailure(window,
                        QStringLiteral("找不到文件 ") + url +
                            QStringLiteral("   请检查网络是否正常,") + ProgramFileName() +
                            QStringLiteral(" 是否被防火墙禁止通讯."),
                        kNotFoundPauseMs);
            SetError(errorText, QStringLiteral("找不到文件 ") + url +
                                    QStringLiteral(".  请检查网络是否正常,") + ProgramFileName() +
                                    QStringLiteral(" 是否被防火墙禁止通讯."));
            break;
        case download::kInvalidUrl:
            ShowFailure(window, QStringLiteral("URL不正确 ") + url, kErrorPauseMs);
            SetError(errorText, QStringLiteral("URL不正确 ") + url);
            break;
        case download::kCannotConnect:
            SetError(errorText,
                     QStringLiteral("连接服务器失败 ") +
                         GetUrlParam(url, QStringLiteral("http://"), QStringLiteral("/")));
            break;
        case download::kAborted:
            break;
        default: {
            const QString text =
                QStringLiteral("下载出错 0x") +
                QStringLiteral("%1").arg(result, 8, 16, QLatin1Char('0')).toUpper();
            ShowFailure(window, text, kErrorPauseMs);
            SetError(errorText, text);
        }
    }
}

}  // namespace

bool TransferLoop(TFormDown* window, const QString& url, const QString& destination,
                  bool showWindow, int attempts, QString* errorText) {
    if (!showWindow && attempts > kMostAttemptsWithoutWindow) attempts = kMostAttemptsWithoutWindow;
    TDownloadStatusCallback callback(window);
    QFile::remove(destination);

    uint32_t result = download::kFailed;
    for (int attempt = 0; attempt < attempts;) {
        result = UrlDownloadToFile(url, destination, &callback);
        if (result == download::kOk) break;
        if (result != download::kDownloadFailure) {
            ReactToFailure(window, result, url, errorText);
            break;
        }
        if (window) {
            window->LabelProgress->setText(
                QStringLiteral("下载中断,请检查网络是否正常,正在重试..."));
            if (window->Cancelled) break;
        }
        ++attempt;
        SetError(errorText, QStringLiteral("网络故障"));
        QThread::msleep(kRetryPauseMs);
    }
    if (result == download::kOk) SetError(errorText, QString());
    return result == download::kOk;
}

bool DownloadFile(const QString& url, const QString& destination, bool showWindow, int attempts,
                  bool fullNameInCaption, QString* errorText) {
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
    return TransferLoop(window.get(), url, destination, showWindow, attempts, errorText);
}
