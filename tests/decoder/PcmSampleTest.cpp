// The library's conversion of libmad's 28-bit fixed-point samples to 16 bits,
// at the edges where clipping and truncation decide the result.
#include <gtest/gtest.h>

#include "decoder/PcmSample.h"

namespace {

struct Case {
    mad_fixed_t in;
    int16_t out;
};

TEST(PcmSample, ClipsAtFullScaleAndTruncatesBelowIt) {
    const Case cases[] = {
        {0, 0},
        {0x1FFF, 0},  // below one step: truncated
        {0x2000, 1},  // one 16-bit step is 2^13
        {-1, -1},     // the arithmetic shift goes towards minus infinity
        {-0x2000, -1},
        {-0x2001, -2},
        {0x0FFFFFFF, 32767},    // just below +1.0
        {0x10000000, 32767},    // +1.0 itself clips
        {0x7FFFFFFF, 32767},    // far above: clipped, not wrapped
        {-0x10000000, -32768},  // -1.0
        {-0x10000001, -32768},
        {-0x7FFFFFFF - 1, -32768},
        {0x08000000, 16384},  // +0.5
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.out, ostrel::ToPcm16(c.in)) << "libmad sample " << std::hex << c.in;
    }
}

}  // namespace
