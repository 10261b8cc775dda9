#pragma once
// Downloading a file with the download window: attempts a broken transfer
// again, tells the user what went wrong in the window, and lets the user
// cancel. Runs on the UI thread and keeps the windows responsive through
// the progress reports; the pauses that let a message be read block it.

#include <QString>

#include "base/Result.h"

class TFormDown;

// Copies `url` (http or https) to `destination`, which is deleted first so a
// file from before never counts as the result. With `showWindow` a download
// window shows the progress; its caption names the destination's file
// (cut at its first "." unless `fullNameInCaption`). A transfer that breaks
// off is tried up to `attempts` times in all. Succeeds when the whole file
// arrived; a failure's text says what failed ("网络故障" once the attempts
// ran out). A cancelled download fails with cause Cancelled, its text what
// the attempts before it said (or ""). A partial file may remain after a
// failure.
Status DownloadFile(const QString& url, const QString& destination, bool showWindow, int attempts,
                    bool fullNameInCaption);

// The attempts themselves, reporting to `window` (null for none).
Status TransferLoop(TFormDown* window, const QString& url, const QString& destination,
                    bool showWindow, int attempts);
