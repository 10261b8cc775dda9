#pragma once
// Text helpers for addresses: the value of a key in a text, replacing every
// occurrence of a text, and the host part of an http address. Pure functions;
// any thread.

#include <QString>

// The value that follows the first occurrence of `key` in `text` (case
// sensitive), up to the first character that is one of `delimiters`, or to
// the end. "" when the key does not occur. The key is found anywhere, also
// inside a longer name: "name=" finds the value of "filename=" standing first.
QString GetUrlParam(const QString& text, const QString& key, const QString& delimiters);

// `text` with every occurrence of `search` replaced, left to right, matches
// never overlapping. An empty text or search text leaves `text` unchanged.
QString ReplaceAll(const QString& text, const QString& search, const QString& replacement);

// The host of an "http://" address, with its port when it names one
// ("http://h:81/x" gives "h:81"). A text not starting with "http://" comes
// back trimmed but otherwise whole.
QString HostOfUrl(const QString& text);
