#pragma once
// libcurl, loaded the first time the program goes to the network rather than
// when it starts: libcurl's own libraries (TLS, Kerberos, LDAP, IDN, SSH)
// take longer to load than the main window takes to appear, and a singer who
// works offline never needs them. Only net/http sees libcurl.

#include <curl/curl.h>

#include <QString>

#include "base/Result.h"

namespace net_http {

// The libcurl entry points the program calls.
struct CurlFunctions {
    CURLcode (*globalInit)(long flags);
    CURL* (*easyInit)();
    CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...);
    CURLcode (*easyPerform)(CURL* handle);
    CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...);
    void (*easyCleanup)(CURL* handle);
};

// Loads the library `name` (kept in the process for good) and finds every
// entry point; a failure says why it cannot.
Result<CurlFunctions> LoadCurlFunctions(const QString& name);

// The system's libcurl, loaded and globally set up on the first call (any
// thread); null when it cannot be loaded, which is reported once and then
// fails every request like a network without servers.
const CurlFunctions* Curl();

}  // namespace net_http
