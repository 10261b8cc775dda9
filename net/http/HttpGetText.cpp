#include "net/http/HttpGetText.h"

#include <QByteArray>

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

}  // namespace

QString HttpGetText(const QString& url) try {
    net_http::CurlEasy curl = net_http::NewCurlEasy();
    if (!curl) return {};
    Body body;
    if (!net_http::SetCommonOptions(curl.get(), net_http::RequestUrlBytes(url), "http",
                                    net_http::ProxyForUrl(url)) ||
        net_http::SetOption(curl.get(), CURLOPT_FOLLOWLOCATION, 0L) != CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_MAXFILESIZE_LARGE,
                           static_cast<curl_off_t>(kTextBodyLimitBytes)) != CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_WRITEFUNCTION, CollectBody) != CURLE_OK ||
        net_http::SetOption(curl.get(), CURLOPT_WRITEDATA, &body) != CURLE_OK) {
        return {};
    }
    if (net_http::Perform(curl.get()) != CURLE_OK) return {};
    long status = 0;
    net_http::GetInfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) return {};
    return QString::fromUtf8(TrimmedBytes(body.bytes));
} catch (...) {
    return {};
}
