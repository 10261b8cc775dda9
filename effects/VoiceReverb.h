#pragma once
// The reverb on the singer's voice: a Dragonfly reverb (LV2) hosted through
// lilv, fed the mono voice in blocks and giving back the voice with its
// reverb, mono over a mono accompaniment or stereo over a stereo one (each
// channel to be mixed with its own sample). The same input always gives the
// same output, provided one reverb runs at a time and nothing else in the
// process draws on rand() meanwhile (the Room's noise comes from it).
// Everything on one thread.

#include <cstdint>
#include <memory>
#include <span>

#include "base/Result.h"
#include "effects/ReverbPreset.h"

namespace effects {

class VoiceReverb {
public:
    // Finds the preset's plugin through lilv (the LV2_PATH search path or its
    // default) and starts it. Fails with Missing when the plugin is not
    // installed, Internal when it will not start, Invalid for a neutral
    // preset or a format the program does not record; the caller then mixes
    // without reverb.
    static Result<VoiceReverb> create(ReverbPreset preset, int sampleRate, int outputChannels);

    VoiceReverb(VoiceReverb&&) noexcept;
    VoiceReverb& operator=(VoiceReverb&&) noexcept;
    ~VoiceReverb();

    int outputChannels() const;

    // Turns `voice` into voice.size() frames of `outputChannels()`
    // interleaved samples in `into` (which must hold that many). The tail
    // goes on into the next call; feed silence after the voice to let it ring
    // out.
    void process(std::span<const int16_t> voice, std::span<int16_t> into);

private:
    class Host;
    explicit VoiceReverb(std::unique_ptr<Host> host);
    std::unique_ptr<Host> host_;
};

}  // namespace effects
