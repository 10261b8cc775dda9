#pragma once
// Which proxy the desktop's setting prescribes for an address, so that the
// program's requests take the same way as the user's browser. Any thread.

#include <QString>

#include "platform/ProxySetting.h"

// The proxy for `url` under the desktop's current setting: true with the
// proxy's host and port, or false with an empty host and port 0 when none
// applies (no explicit proxy, no port in the proxy list, or `url`'s host is
// an entry of the bypass list, compared literally, port included).
bool DetectProxy(const QString& url, QString& host, int& port);

// The same under `setting`.
bool DetectProxy(const platform::ProxySetting& setting, const QString& url, QString& host,
                 int& port);
