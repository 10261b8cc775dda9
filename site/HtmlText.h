#pragma once
// Text helpers for the site's pages: HTML escaping, the host the pages name
// in their links, and the frame every page shares.

#include <string>

// `text` with &, <, >, " and ' written as character references.
std::string HtmlEscape(const std::string& text);

// The host (with port) a request was sent to, from its Host header, so that
// links work on whatever port the site listens on. A missing header or one
// holding anything but a host name, an IPv4 or bracketed IPv6 address and a
// port gives 127.0.0.1:`localPort`.
std::string PageHost(const std::string& hostHeader, int localPort);

// A whole UTF-8 page: `title` (escaped here), the shared style sheet plus
// `extraStyle`, and `body` as it stands.
std::string HtmlPage(const std::string& title, const std::string& body,
                     const std::string& extraStyle = std::string());
