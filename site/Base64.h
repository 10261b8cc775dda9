#pragma once
// Strict standard Base64 (RFC 4648, section 4), as the program encodes its
// exit report: the "+/" alphabet, "=" padding to a multiple of four, no line
// breaks.

#include <optional>
#include <string>

// The bytes `text` encodes; nothing when it is not such Base64 (a length
// that is no multiple of four, a character outside the alphabet, "=" other
// than one or two at the end). The empty text decodes to no bytes.
std::optional<std::string> DecodeBase64(const std::string& text);
