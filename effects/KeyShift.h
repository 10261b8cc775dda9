#pragma once
// Key change of the accompaniment: a copy of a WAV work file with its pitch
// moved by whole semitones through Rubber Band, at the same rate, channel
// count and length. Streams in blocks (memory does not grow with the song).
// Runs on the caller's thread (a stereo song's second channel on a thread of
// its own, joined block by block); it touches no Qt GUI object, so the caller
// may run it on a worker thread. The progress callback is called on the
// caller's thread.

#include <functional>
#include <string>

#include "base/Result.h"

namespace effects {

inline constexpr int kMinKeySemitones = -6;
inline constexpr int kMaxKeySemitones = 6;

// 0 semitones is neutral: the caller plays the original file instead.
constexpr bool IsNeutralKey(int semitones) { return semitones == 0; }

// Told the share of the work done (0 … 1) after every block; returning false
// cancels the key change.
using KeyShiftProgress = std::function<bool(double shareDone)>;

// Writes `input` moved by `semitones` to `output` (which may be `input`). A
// neutral or out-of-range key is Invalid; a cancel is Cancelled. On any
// failure no file is left at `output`, and a file already there stays as it was.
Status ShiftKey(const std::string& input, const std::string& output, int semitones,
                const KeyShiftProgress& progress = {});

}  // namespace effects
