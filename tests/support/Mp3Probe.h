#pragma once
// Reading MP3 files in tests the way other programs do: mpg123 and ffprobe
// describe the stream, mpg123 decodes it, and a small frame walker reads the
// frame headers and side information.

#include <QString>
#include <cstdint>
#include <vector>

#include "tests/support/WavFiles.h"

struct Mp3Description {
    bool ok = false;
    QString mpegVersion;  // "1.0", "2.0", "2.5"
    QString bitRateMode;  // "cbr128", ...
    int sampleRateHz = 0;
    QString mode;                 // "mono", "j-s", "stereo"
    bool infoTag = false;         // mpg123 found the Xing/Info header
    int64_t tagFrames = -1;       // frames the tag counts
    double durationSeconds = -1;  // ffprobe's duration of the file
    QString log;                  // what the programs said, for failure messages
};

// Runs mpg123 (scan only, no output) and ffprobe on `path`.
Mp3Description DescribeMp3(const QString& path);

// Decodes `path` with mpg123 into `wavPath` (gapless, as players do) and
// reads it back.
WavContents DecodeMp3(const QString& path, const QString& wavPath);

struct Mp3Frame {
    int64_t offset = 0;
    int bytes = 0;
    int mainDataBegin = 0;  // bytes taken from the bit reservoir
};

// The frames of an MP3 file without ID3 tags, by their headers.
std::vector<Mp3Frame> ReadMp3Frames(const QString& path);
