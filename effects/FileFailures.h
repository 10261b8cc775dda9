#pragma once
// The failures the effects report about their files, worded for the user.
// Plain functions; any thread.

#include <string>

#include "base/Result.h"

namespace effects {

// `path` could not be opened or read; `errorNumber` is the system's.
Failure UnreadableFile(const std::string& path, int errorNumber);
// `path` could not be created, written or put in place.
Failure UnwritableFile(const std::string& path, int errorNumber);
// `path` is not a WAV work file the effects handle; `why` says what is wrong.
Failure InvalidFile(const std::string& path, const char* why);

}  // namespace effects
