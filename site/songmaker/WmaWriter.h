#pragma once
// Encodes a stereo mix as a WMA file (WMA version 2 in an ASF container)
// through libavcodec and libavformat, 128 kbit/s, with the song's title.

#include <string>

#include "site/songmaker/Instruments.h"

// False with `error` set when the file cannot be written whole.
bool WriteWma(const StereoMix& mix, const std::string& title, const std::string& path,
              std::string& error);
