#include "net/http/CurlLibrary.h"

#include <QtGlobal>

#include "platform/DynamicLibrary.h"

namespace net_http {

namespace {

// libcurl's binary interface has kept this name since version 7.16.
constexpr char kSystemCurl[] = "libcurl.so.4";

}  // namespace

std::optional<CurlFunctions> LoadCurlFunctions(const QString& name, QString* error) {
    // Resident: a transfer's threads (the resolver's) may outlive any owner.
    const platform::DynamicLibrary library =
        platform::DynamicLibrary::Load(name, error, /*resident=*/true);
    if (!library) return std::nullopt;
    CurlFunctions functions{
        library.function<decltype(CurlFunctions::globalInit)>("curl_global_init"),
        library.function<decltype(CurlFunctions::easyInit)>("curl_easy_init"),
        library.function<decltype(CurlFunctions::easySetopt)>("curl_easy_setopt"),
        library.function<decltype(CurlFunctions::easyPerform)>("curl_easy_perform"),
        library.function<decltype(CurlFunctions::easyGetinfo)>("curl_easy_getinfo"),
        library.function<decltype(CurlFunctions::easyCleanup)>("curl_easy_cleanup"),
    };
    if (!functions.globalInit || !functions.easyInit || !functions.easySetopt ||
        !functions.easyPerform || !functions.easyGetinfo || !functions.easyCleanup) {
        if (error) *error = name + QStringLiteral(" lacks a libcurl entry point");
        return std::nullopt;
    }
    return functions;
}

const CurlFunctions* Curl() {
    // A local static is set up once even when threads race to it, and libcurl's
    // global set-up must not race with a first request.
    static const std::optional<CurlFunctions> loaded = [] {
        QString error;
        std::optional<CurlFunctions> functions = LoadCurlFunctions(kSystemCurl, &error);
        if (!functions) {
            qWarning("tavimo: the network is unavailable: %s", qUtf8Printable(error));
        } else if (functions->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            qWarning("tavimo: the network is unavailable: libcurl could not set itself up");
            functions.reset();
        }
        return functions;
    }();
    return loaded ? &*loaded : nullptr;
}

}  // namespace net_http
