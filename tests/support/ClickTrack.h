#pragma once
// An accompaniment of clicks at irregular times, and the clicks found again
// in a recording, to see where a recording sits against the accompaniment.

#include <QString>
#include <cstdint>
#include <vector>

constexpr int kClickRate = 44100;
constexpr int kClickFrames = 88;  // 2 ms

// Click positions (in frames) over `seconds`, irregular, from the first at
// `firstSeconds`: no two gaps alike within a few, so one click cannot pass for
// another.
std::vector<int64_t> IrregularClicks(double seconds, double firstSeconds = 0.25);

// A WAV file of `seconds` of silence with a short loud click at each
// position, in every one of `channels`.
void WriteClickTrack(const QString& path, int channels, double seconds,
                     const std::vector<int64_t>& clicks);

// Where clicks start in a mono recording: the first sample of each burst
// above `threshold`, bursts at least 20 ms apart.
std::vector<int64_t> FindClicks(const std::vector<int16_t>& mono, int threshold = 8000);

// For each click found, how far (in frames) it lies from the nearest click
// of `expected` shifted by `shift` frames.
std::vector<int64_t> ClickOffsets(const std::vector<int64_t>& found,
                                  const std::vector<int64_t>& expected, int64_t shift = 0);
