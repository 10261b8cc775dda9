#pragma once
// Copying a file from an http or https address into a local file, with
// progress reports and cancel. Streams to the file, so memory stays flat
// whatever the size. Blocks the calling thread; progress reports arrive on
// it. Only this file's implementation sees libcurl.

#include <QString>
#include <cstdint>

#include "net/http/DownloadResults.h"

// Told of a transfer's progress while it runs.
class DownloadProgress {
public:
    virtual ~DownloadProgress() = default;
    // Bytes received so far and the size the server announced (0 when it
    // sent none). Called as data arrives and at least about once a second
    // while waiting. download::kAborted abandons the transfer.
    virtual uint32_t OnProgress(uint64_t done, uint64_t expected) = 0;
};

// One attempt: GETs `url` (redirects followed) through the proxy the
// desktop's setting prescribes and writes the body to `destination`, created
// or truncated once the server answers with success. Returns download::kOk
// when the whole file arrived, else the code for what went wrong (see
// DownloadOutcome.h). `progress` may be null.
uint32_t UrlDownloadToFile(const QString& url, const QString& destination,
                           DownloadProgress* progress);
