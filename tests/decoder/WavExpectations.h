#pragma once
// What every decoded file must be: a 44-byte header of 16-bit PCM whose
// format is the given one and whose sizes agree with the file.

#include "tests/support/WavFiles.h"

void ExpectHeader(const WavContents& wav, int channels, int sampleRate);
