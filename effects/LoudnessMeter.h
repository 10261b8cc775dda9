#pragma once
// The loudness figures of a song handed over block by block: libebur128's
// integrated loudness (EBU R128) and true peak, the same whether the song
// comes in one piece or many. One thread at a time.

#include <cstdint>
#include <memory>
#include <span>

#include "base/Result.h"
#include "effects/Loudness.h"
#include "effects/WavFormat.h"

namespace effects {

class LoudnessMeter {
public:
    static Result<LoudnessMeter> create(const WavFormat& format);

    LoudnessMeter(LoudnessMeter&&) noexcept;
    LoudnessMeter& operator=(LoudnessMeter&&) noexcept;
    ~LoudnessMeter();

    // Adds interleaved whole frames of the song, in order.
    Status add(std::span<const int16_t> samples);

    // The figures of everything added so far.
    Result<LoudnessFigures> figures() const;

private:
    struct State;  // libebur128's, which cannot be declared ahead
    LoudnessMeter(std::unique_ptr<State> state, int channels);

    std::unique_ptr<State> state_;
    int channels_ = 1;
};

}  // namespace effects
