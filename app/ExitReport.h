#pragma once
// The report the program sends to the site's client service when its window
// closes: the machine's host name, when the program started and when it is
// closing, and the file name of the last accompaniment. It travels as the
// Base64 text of one GET request's query; the answer is not used.

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The four lines, each ended by CR LF: "hostname=", "opentime=",
// "closetime=" (times as "yyyy-MM-dd hh:mm:ss", local time) and "music="
// with the file-name part of `musicFile` ("" when none was imported).
QByteArray ExitReportText(const QByteArray& hostName, const QDateTime& openTime,
                          const QDateTime& closeTime, const QString& musicFile);

// Standard Base64 (RFC 4648, section 4) of `count` bytes, "=" padded, no
// line breaks.
QString EncodeBase64(const char* bytes, qsizetype count);

// Base64 of the report's bytes.
QString EncodeReportParam(const QByteArray& text);

// This machine's host name; "" when the system cannot tell it.
QByteArray HostName();

// Builds the report for a run that opened at `openTime` and closes now, and
// sends it to the client service (address unescaped: "+", "/" and "=" stay
// as they are). Blocks until the request ends, at most as long as the
// network time-outs allow; a failure is silent.
void SendExitReport(const QDateTime& openTime, const QString& musicFile);
