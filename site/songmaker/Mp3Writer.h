#pragma once
// Encodes a stereo mix as an MP3 file through libmp3lame: 128 kbit/s
// constant rate, with the Info tag that tells players its length.

#include <string>

#include "site/songmaker/Instruments.h"

// False with `error` set when the file cannot be written whole.
bool WriteMp3(const StereoMix& mix, const std::string& path, std::string& error);
