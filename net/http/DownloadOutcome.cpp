#include "net/http/DownloadOutcome.h"

#include <curl/curl.h>

#include <cerrno>

#include "net/http/DownloadResults.h"

namespace {

uint32_t FileOutcome(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return download::kDiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return download::kAccessDenied;
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
            return download::kPathNotFound;
        default:
            return download::kFailed;
    }
}

uint32_t StatusOutcome(long status) {
    if (status == 404 || status == 410) return download::kObjectNotFound;
    if (status == 401 || status == 407) return download::kAuthenticationRequired;
    // A server in trouble may be fine a moment later: worth another attempt.
    if (status >= 500) return download::kDownloadFailure;
    return download::kDataNotAvailable;
}

}  // namespace

uint32_t DownloadOutcome(const TransferEnd& end) {
    if (end.writeErrno != 0) return FileOutcome(end.writeErrno);
    switch (static_cast<CURLcode>(end.curlResult)) {
        case CURLE_OK:
            if (end.httpStatus >= 200 && end.httpStatus <= 299) return download::kOk;
            return end.httpStatus >= 300 && end.httpStatus <= 399 ? download::kRedirectFailed
                                                                  : StatusOutcome(end.httpStatus);
        case CURLE_HTTP_RETURNED_ERROR:
            return StatusOutcome(end.httpStatus);
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return download::kInvalidUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return download::kResourceNotFound;
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
            return download::kCannotConnect;
        case CURLE_OPERATION_TIMEDOUT:
            // Before a connection: the server is out of reach; after: the
            // transfer stalled.
            return end.connected ? download::kDownloadFailure : download::kCannotConnect;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return download::kDownloadFailure;
        case CURLE_TOO_MANY_REDIRECTS:
            return download::kRedirectFailed;
        case CURLE_PEER_FAILED_VERIFICATION:
            return download::kInvalidCertificate;
        case CURLE_ABORTED_BY_CALLBACK:
            return download::kAborted;
        case CURLE_OUT_OF_MEMORY:
            return download::kOutOfMemory;
        default:
            return download::kFailed;
    }
}
