#include "net/http/UrlDownload.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "net/http/CurlEasy.h"
#include "net/http/DownloadOutcome.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The destination and what became of it during one attempt. The file is
// made only once the server answers with success, so a refused download
// leaves no empty file behind.
struct Destination {
    QByteArray path;
    std::unique_ptr<std::FILE, FileCloser> file;
    int error = 0;

    bool open() {
        if (file) return true;
        file.reset(std::fopen(path.constData(), "wb"));
        if (!file) error = errno;
        return file != nullptr;
    }

    // Flushes and closes; a failure here (a full disk found late) counts.
    bool close() {
        if (!file) return true;
        const bool ok = std::fflush(file.get()) == 0;
        if (!ok && error == 0) error = errno;
        std::FILE* closing = file.release();
        if (std::fclose(closing) != 0 && ok && error == 0) error = errno;
        return error == 0;
    }
};

size_t WriteBody(char* data, size_t size, size_t count, void* userdata) {
    auto* destination = static_cast<Destination*>(userdata);
    const size_t bytes = size * count;
    if (!destination->open()) return CURL_WRITEFUNC_ERROR;
    if (std::fwrite(data, 1, bytes, destination->file.get()) != bytes) {
        destination->error = errno;
        return CURL_WRITEFUNC_ERROR;
    }
    return bytes;
}

int ReportProgress(void* userdata, curl_off_t expected, curl_off_t done, curl_off_t, curl_off_t) {
    auto* progress = static_cast<DownloadProgress*>(userdata);
    const uint32_t reply =
        progress->OnProgress(static_cast<uint64_t>(std::max<curl_off_t>(done, 0)),
                             static_cast<uint64_t>(std::max<curl_off_t>(expected, 0)));
    return reply == download::kAborted ? 1 : 0;
}

}  // namespace

uint32_t UrlDownloadToFile(const QString& url, const QString& destinationPath,
                           DownloadProgress* progress) try {
    if (url.trimmed().isEmpty()) return download::kInvalidUrl;
    if (!net_http::Curl()) return download::kFailed;
    net_http::CurlEasy curl = net_http::NewCurlEasy();
    if (!curl) return download::kOutOfMemory;
    Destination destination;
    destination.path = QFile::encodeName(destinationPath);

    CURL* handle = curl.get();
    if (!net_http::SetCommonOptions(handle, net_http::RequestUrlBytes(url), "http,https",
                                    net_http::ProxyForUrl(url))) {
        return download::kInvalidUrl;
    }
    net_http::SetOption(handle, CURLOPT_FOLLOWLOCATION, 1L);
    net_http::SetOption(handle, CURLOPT_MAXREDIRS, 10L);
    // An error status ends the transfer before its body is stored.
    net_http::SetOption(handle, CURLOPT_FAILONERROR, 1L);
    net_http::SetOption(handle, CURLOPT_WRITEFUNCTION, WriteBody);
    net_http::SetOption(handle, CURLOPT_WRITEDATA, &destination);
    if (progress) {
        net_http::SetOption(handle, CURLOPT_NOPROGRESS, 0L);
        net_http::SetOption(handle, CURLOPT_XFERINFOFUNCTION, ReportProgress);
        net_http::SetOption(handle, CURLOPT_XFERINFODATA, progress);
    }

    TransferEnd end;
    end.curlResult = net_http::Perform(handle);
    net_http::GetInfo(handle, CURLINFO_RESPONSE_CODE, &end.httpStatus);
    long connects = 0;
    net_http::GetInfo(handle, CURLINFO_NUM_CONNECTS, &connects);
    end.connected = connects > 0 || end.httpStatus != 0;
    // A whole answer with an empty body still gives an (empty) file.
    if (end.curlResult == CURLE_OK && end.httpStatus >= 200 && end.httpStatus <= 299) {
        destination.open();
    }
    destination.close();
    end.writeErrno = destination.error;
    return DownloadOutcome(end);
} catch (...) {
    return download::kFailed;
}
