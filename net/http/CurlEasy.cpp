#include "net/http/CurlEasy.h"

#include <mutex>

#include "net/ProxyDetection.h"
#include "net/http/TransferLimits.h"

namespace net_http {

CurlEasy NewCurlEasy() {
    // libcurl's global set-up is not safe to race with a first request.
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlEasy(curl_easy_init());
}

bool SetCommonOptions(CURL* handle, const QByteArray& url, const char* protocols,
                      const QByteArray& proxy) {
    const CURLcode results[] = {
        curl_easy_setopt(handle, CURLOPT_URL, url.constData()),
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, protocols),
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, protocols),
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)),
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L),
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs),
        // Less than one byte a second for the whole stall time ends the transfer.
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L),
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds),
        curl_easy_setopt(handle, CURLOPT_PROXY, proxy.constData()),
        curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP)),
        curl_easy_setopt(handle, CURLOPT_NOPROXY, ""),
    };
    for (CURLcode result : results) {
        if (result != CURLE_OK) return false;
    }
    return true;
}

QByteArray RequestUrlBytes(const QString& url) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray bytes;
    for (const char c : url.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            bytes += c;
        } else {
            bytes += '%';
            bytes += kHex[byte >> 4];
            bytes += kHex[byte & 15];
        }
    }
    return bytes;
}

QByteArray ProxyForUrl(const QString& url) {
    QString host;
    int port = 0;
    if (!DetectProxy(url, host, port) || port <= 0) return {};
    return (host + u':' + QString::number(port)).toUtf8();
}

}  // namespace net_http
