#pragma once
// One libcurl transfer handle, cleaned up with the object, with the options
// every request of the program shares. Only net/http sees libcurl.
// A handle is used by one thread at a time.

#include <curl/curl.h>

#include <QByteArray>
#include <QString>
#include <memory>

namespace net_http {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A fresh handle; null when libcurl cannot make one.
CurlEasy NewCurlEasy();

// Address, protocols (a comma list such as "http" or "http,https"), HTTP/1.1,
// the program's time-outs, and the proxy: `proxy` ("host:port") when not
// empty, otherwise explicitly none. libcurl never picks a proxy or a bypass
// list from the environment by itself. False when libcurl refuses one of them.
bool SetCommonOptions(CURL* handle, const QByteArray& url, const char* protocols,
                      const QByteArray& proxy);

// The bytes of `url` for a request line: UTF-8, with every byte above 127
// percent-encoded (HTTP carries only ASCII); blanks and control characters
// are left for libcurl to refuse.
QByteArray RequestUrlBytes(const QString& url);

// "host:port" of the proxy the desktop's setting prescribes for `url`, or ""
// for none.
QByteArray ProxyForUrl(const QString& url);

}  // namespace net_http
