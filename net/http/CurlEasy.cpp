#include "net/http/CurlEasy.h"

#include "net/ProxyDetection.h"
#include "net/http/TransferLimits.h"

namespace net_http {

CurlEasy NewCurlEasy() {
    const CurlFunctions* curl = Curl();
    return CurlEasy(curl ? curl->easyInit() : nullptr);
}

bool SetCommonOptions(CURL* handle, const QByteArray& url, const char* protocols,
                      const QByteArray& proxy) {
    const CURLcode results[] = {
        SetOption(handle, CURLOPT_URL, url.constData()),
        SetOption(handle, CURLOPT_PROTOCOLS_STR, protocols),
        SetOption(handle, CURLOPT_REDIR_PROTOCOLS_STR, protocols),
        SetOption(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)),
        SetOption(handle, CURLOPT_NOSIGNAL, 1L),
        SetOption(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs),
        // Less than one byte a second for the whole stall time ends the transfer.
        SetOption(handle, CURLOPT_LOW_SPEED_LIMIT, 1L),
        SetOption(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds),
        SetOption(handle, CURLOPT_PROXY, proxy.constData()),
        SetOption(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP)),
        SetOption(handle, CURLOPT_NOPROXY, ""),
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
