#pragma once
// The configuration record of beInitStream, read into the settings an
// encoder stream is made with.

#include <cstdint>

#include "encoder/LameEnc.h"

struct EncoderConfig {
    int channels = 2;  // 1 in mono mode, else 2
    int sampleRateHz = 0;
    int outSampleRateHz = 0;  // 0: libmp3lame chooses
    uint32_t mode = lame_enc::kModeJointStereo;
    int bitRateKbps = 0;
    uint32_t preset = 0;
    int emphasis = 0;
    bool privateBit = false;
    bool crc = false;
    bool copyright = false;
    bool original = false;
    bool writeTag = false;
    bool noBitReservoir = false;
};

// Reads `record` into `config`. Returns kOk, kErrInvalidFormat for a record
// of another kind or too short, or kErrInvalidParameters for a field the
// encoder does not offer (no sample rate, dual channel, VBR).
lame_enc::Result ReadEncoderConfig(const uint8_t* record, EncoderConfig& config);

// True for the sample rates an MP3 stream can carry (MPEG-1, 2 and 2.5).
bool IsMp3SampleRate(int sampleRateHz);
