// Driver of the voice reverb benchmark.
//   bench_studio_reverb voice FILE SECONDS  writes a mono 44.1 kHz voice
//   bench_studio_reverb ktv IN OUT          the KTV reverb over a mono voice
//                                           file, block by block, into OUT
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "effects/PendingWavFile.h"
#include "effects/VoiceReverb.h"
#include "effects/WavBlockReader.h"

namespace {

constexpr int kRate = 44100;
// The mixdown's block: 262144 bytes of a mono voice.
constexpr size_t kBlockFrames = 131072;

// A sung line stand-in: a note with overtones and vibrato for 1.5 s, then
// half a second of breath, moving through a scale.
bool WriteVoice(const std::string& path, int seconds) {
    Result<effects::PendingWavFile> file = effects::PendingWavFile::create(path, {1, kRate});
    if (!file) return false;
    const double notes[] = {220.0, 246.9, 277.2, 293.7, 329.6, 293.7, 277.2, 246.9};
    std::vector<int16_t> block(kRate);
    double phase = 0;
    for (int second = 0; second < seconds; ++second) {
        for (int i = 0; i < kRate; ++i) {
            const double t = second + double(i) / kRate;
            const double inPhrase = std::fmod(t, 2.0);
            const double note = notes[static_cast<int>(t / 2) % 8];
            phase += 2 * std::numbers::pi * note *
                     (1 + 0.01 * std::sin(2 * std::numbers::pi * 5 * t)) / kRate;
            double voice = 0;
            for (int h = 1; h <= 6; ++h) voice += std::sin(h * phase) / h;
            block[i] = inPhrase < 1.5 ? static_cast<int16_t>(std::lround(6000 * voice)) : 0;
        }
        if (!file->append(block)) return false;
    }
    return file->commit().ok();
}

bool Reverberate(const std::string& in, const std::string& out) {
    Result<effects::WavBlockReader> reader = effects::WavBlockReader::open(in);
    if (!reader || reader->format().channels != 1) return false;
    Result<effects::VoiceReverb> reverb =
        effects::VoiceReverb::create(effects::ReverbPreset::Ktv, reader->format().sampleRate, 1);
    if (!reverb) {
        std::fprintf(stderr, "%s\n", reverb.failure().text.toUtf8().constData());
        return false;
    }
    Result<effects::PendingWavFile> file = effects::PendingWavFile::create(out, reader->format());
    if (!file) return false;
    std::vector<int16_t> voice(kBlockFrames), wet(kBlockFrames);
    for (;;) {
        Result<size_t> got = reader->read(voice);
        if (!got) return false;
        if (got.value() == 0) break;
        reverb->process(std::span(voice).first(got.value()), wet);
        if (!file->append(std::span(wet).first(got.value()))) return false;
    }
    return file->commit().ok();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "voice" && argc == 4) return WriteVoice(argv[2], std::atoi(argv[3])) ? 0 : 1;
    if (mode == "ktv" && argc == 4) return Reverberate(argv[2], argv[3]) ? 0 : 1;
    std::fprintf(stderr, "usage: %s voice FILE SECONDS | ktv IN OUT\n", argv[0]);
    return 2;
}
