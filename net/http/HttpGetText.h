#pragma once
// Plain HTTP GETs for short answers: a text, and a small file. Blocks the calling thread for
// the length of the request (bounded by TransferLimits.h); any thread.

#include <QByteArray>
#include <QString>

#include "base/Result.h"

// The body of the answer to a GET of `url`, without characters of code 32
// and below at either end; "" on any failure: an address that is not plain
// http, no server, a status outside 2xx (redirects are not followed), a
// broken or stalled transfer, a body over the text limit. The request goes
// through the proxy the desktop's setting prescribes for `url`, as HTTP/1.1,
// with no header of the program's own. Never raises.
QString HttpGetText(const QString& url);

// A small file (lyrics) at an http or https address, redirects followed, with
// the text request's time-outs and at most its size (kTextBodyLimitBytes):
// the body as it came, or a failure for anything else. Never raises.
Result<QByteArray> HttpGetSmallFile(const QString& url);
