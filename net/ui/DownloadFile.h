#pragma once
// Downloading a file with the download window: attempts a broken transfer
// again, tells the user what went wrong in the window, and lets the user
// cancel. Runs on the UI thread and keeps the windows responsive through
// the progress reports; the pauses that let a message be read block it.

#include <QString>

class TFormDown;

// Copies `url` (http or https) to `destination`, which is deleted first so a
// file from before never counts as the result. With `showWindow` a download
// window shows the progress; its caption names the destination's file
// (cut at its first "." unless `fullNameInCaption`). A transfer that breaks
// off is tried up to `attempts` times in all. True when the whole file
// arrived; `errorText` (may be null) is then "", and otherwise says what
// failed ("网络故障" once the attempts ran out). A cancelled download leaves
// `errorText` as it was. A partial file may remain after a failure.
bool DownloadFile(const QString& url, const QString& destination, bool showWindow, int attempts,
                  bool fullNameInCaption, QString* errorText);

// The attempts themselves, reporting to `window` (null for none).
bool TransferLoop(TFormDown* window, const QString& url, const QString& destination,
                  bool showWindow, int attempts, QString* errorText);
