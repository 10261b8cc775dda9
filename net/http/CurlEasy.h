#pragma once
// One libcurl transfer handle, cleaned up with the object, with the options
// every request of the program shares. Only net/http sees libcurl.
// A handle is used by one thread at a time.

#include <QByteArray>
#include <QString>
#include <memory>
#include <type_traits>

#include "net/http/CurlLibrary.h"

namespace net_http {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { Curl()->easyCleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A fresh handle; null when libcurl is unavailable or cannot make one.
CurlEasy NewCurlEasy();

// libcurl reads an option's value as a long, a curl_off_t or a pointer,
// whichever the option takes; anything else (an int, say) is read wrongly.
template <typename Value>
CURLcode SetOption(CURL* handle, CURLoption option, Value value) {
    static_assert(std::is_same_v<Value, long> || std::is_same_v<Value, curl_off_t> ||
                      std::is_pointer_v<Value>,
                  "libcurl options take a long, a curl_off_t or a pointer");
    return Curl()->easySetopt(handle, option, value);
}

template <typename Value>
CURLcode GetInfo(CURL* handle, CURLINFO info, Value* value) {
    return Curl()->easyGetinfo(handle, info, value);
}

inline CURLcode Perform(CURL* handle) { return Curl()->easyPerform(handle); }

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
