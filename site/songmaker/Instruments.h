#pragma once
// The instruments of the demo songs, each a few lines of additive synthesis
// played into a stereo buffer: a lead voice for the tune, a plucked piano for
// the chords, a bass, and a small drum kit. Times are in seconds; notes that
// run past the end of the buffer are cut there.

#include <cstddef>
#include <cstdint>
#include <vector>

struct StereoMix {
    int sampleRateHz = 44100;
    std::vector<float> left;
    std::vector<float> right;

    StereoMix(int rateHz, double seconds);
    size_t frames() const { return left.size(); }
};

// A repeatable noise source, so that the same song is made the same every time.
class Noise {
public:
    float next();  // in -1..1

private:
    uint32_t state_ = 0x2545F491u;
};

void PlayLead(StereoMix& mix, double start, double length, int midi);
void PlayPiano(StereoMix& mix, double start, double ring, int midi, float loudness);
void PlayBass(StereoMix& mix, double start, double length, int midi);
void PlayKick(StereoMix& mix, double start);
void PlaySnare(StereoMix& mix, double start, Noise& noise);
void PlayHat(StereoMix& mix, double start, float loudness, Noise& noise);

// Scales the whole mix so that its loudest sample reaches `peak`, and fades
// the last `fadeSeconds` out.
void Master(StereoMix& mix, float peak, double fadeSeconds);
