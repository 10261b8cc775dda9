#include "net/http/CurlLibrary.h"

#include <QtGlobal>
#include <optional>

#include "platform/DynamicLibrary.h"

namespace net_http {

namespace {

// libcurl's binary interface has kept this name since version 7.16.
constexpr char kSystemCurl[] = "libcurl.so.4";

}  // namespace

Result<CurlFunctions> LoadCurlFunctions(const QString& name) {
    // Resident: a transfer's threads (the resolver's) may outlive any owner.
    const Result<platform::DynamicLibrary> loaded =
        platform::DynamicLibrary::Load(name, /*resident=*/true);
    if (!loaded) return loaded.failure();
    const platform::DynamicLibrary& library = loaded.value();
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
        return Failure{FailureCause::Missing, name + QStringLiteral(" lacks a libcurl entry point")};
    }
    return functions;
}

const CurlFunctions* Curl() {
    // A local static is set up once even when threads race to it, and libcurl's
    // global set-up must not race with a first request.
    static const std::optional<CurlFunctions> loaded = [] {
        const Result<CurlFunctions> functions = LoadCurlFunctions(kSystemCurl);
        if (!functions) {
            qWarning("tavimo: the network is unavailable: %s",
                     qUtf8Printable(functions.failure().text));
            return std::optional<CurlFunctions>();
        }
        if (functions->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            qWarning("tavimo: the network is unavailable: libcurl could not set itself up");
            return std::optional<CurlFunctions>();
        }
        return std::optional<CurlFunctions>(functions.value());
    }();
    return loaded ? &*loaded : nullptr;
}

}  // namespace net_http
