#pragma once
// How the end of a transfer maps onto the download results: libcurl's own
// result, the HTTP status, whether a connection was made, and the error of a
// write to the destination file. Pure function; any thread.

#include <cstdint>

struct TransferEnd {
    int curlResult = 0;      // a CURLcode
    long httpStatus = 0;     // 0 when no answer arrived
    bool connected = false;  // a connection to the server (or proxy) was made
    int writeErrno = 0;      // errno of a failed write or create of the file
};

uint32_t DownloadOutcome(const TransferEnd& end);
