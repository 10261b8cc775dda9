#pragma once
// Mixdown of a take: the accompaniment bgsound.wav and the mono voice
// record.wav, both in the temp folder, into mix.wav beside them. Streams the
// files in blocks of kMixBlockBytes, so memory does not depend on the length
// of the song. Runs synchronously on the UI thread; failures are returned, with
// the text for a "提示" box.

#include <QString>
#include <cstddef>
#include <cstdint>

#include "audio/MixSettings.h"
#include "audio/WavHeader.h"
#include "base/Result.h"

inline constexpr size_t kMixBlockBytes = 262144;

// Rebuilds mix.wav in `tempFolder` (with or without its trailing "/").
// Without bgsound.wav, a record.wav is copied to mix.wav unchanged. Otherwise
// `currentFormat` receives the first 44 bytes of bgsound.wav, and mix.wav gets
// its channel count, sample rate and width. Succeeds when mix.wav was
// produced; a failure leaves no cut-off mix.wav behind.
// `settings` change what goes into the mix: the volumes scale the samples
// (saturated) and the reverb works on the voice (stereo over a stereo
// accompaniment) before the plain mix; even loudness applies one gain to the
// finished mix, measured on a thread of its own while the mix is made. A
// reverb that cannot start is left out. `accompaniment`
// names the accompaniment's file in the folder (a copy in another key).
Status MixDown(const QString& tempFolder, WavHeader& currentFormat,
               const MixSettings& settings = {},
               const QString& accompaniment = QStringLiteral("bgsound.wav"));

// Copies record.wav in `tempFolder` to mix.wav unchanged: the mix of a take
// sung without an accompaniment, whatever bgsound.wav the folder holds.
// Succeeds when mix.wav was produced; a failure leaves no cut-off mix.wav.
Status CopyVoiceAsMix(const QString& tempFolder);

// Non-linear mix of accompaniment sample `a` and voice sample `v`, used for
// each channel of a stereo accompaniment: silence stays silence, two negative
// signals stay negative, full scale stays full scale.
int16_t MixSamples(int16_t a, int16_t v);
