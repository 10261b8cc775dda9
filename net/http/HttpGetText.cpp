#include "net/http/HttpGetText.h"

#include <QByteArray>
#include <optional>

#include "net/http/CurlEasy.h"
#include "net/http/TransferLimits.h"

namespace {

struct Body {
    QByteArray bytes;
};

size_t CollectBody(char* data, size_t size, size_t count, void* userdata) {
    auto* body = static_cast<Body*>(userdata);
    const size_t bytes = size * count;
    // Past the limit the request ends: a short write makes libcurl stop.
    if (body->bytes.size() + static_cast<int64_t>(bytes) > kTextBodyLimitBytes) return 0;
    body->bytes.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

QByteArray TrimmedBytes(const QByteArray& bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32) --end;
    return bytes.mid(begin, end - begin);
}

// The body of a 2xx answer to a GET of `url`, at most kTextBodyLimitBytes;
// nothing on any failure.
std::optional<QByteArray> Get(const QString& url, const char* protocols, bool followRedirects) {
    net_http::CurlEasy curl = net_http::NewCurlEasy();
    if (!curl) return std::nullopt;
    Body body;
    if (!net_http::SetCommonOptions(curl.get(), net_http::RequestUrlBytes(url), protocols,
                                    net_http::ProxyForUrl(url)) ||
        net_http::SetOption(curl.get(), CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L) !=
            CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_MAXREDIRS, 10L) != CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_MAXFILESIZE_LARGE,
                           static_cast<curl_off_t>(kTextBodyLimitBytes)) != CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_WRITEFUNCTION, CollectBody) != CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_WRITEDATA, &body) != CURLE_OK) {
        return std::nullopt;
    }
    if (net_http::Perform(curl.get()) != CURLE_OK) return std::nullopt;
    long status = 0;
    net_http::GetInfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) return std::nullopt;
    return std::move(body.bytes);
}

}  // namespace

QString HttpGetText(const QString& url) try {
    const std::optional<QByteArray> body = Get(url, "http", false);
    return body ? QString::fromUtf8(TrimmedBytes(*body)) : QString();
} catch (...) {
    return {};
}

Result<QByteArray> HttpGetSmallFile(const QString& url) try {
    std::optional<QByteArray> body = Get(url, "http,https", true);
    if (!body) return Failure{FailureCause::Network, url};
    return std::move(*body);
} catch (...) {
    return Failure{FailureCause::Network, url};
}
