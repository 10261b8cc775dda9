// The library's conversion of libmad's 28-bit fixed-point samples to 16 bits,
// at the edges where clipping and truncation decide the result, one sample at
// a time and a block at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoder/ostrel/PcmSample.h"

namespace {

struct Case {
    mad_fixed_t in;
    int16_t out;
};

const Case kCases[] = {
    {0, 0},
    {0x1FFF, 0},  // below one step: truncated
    {0x2000, 1},  // one 16-bit step is 2^13
    {-1, -1},     // the arithmetic shift goes towards minus infinity
    {-0x2000, -1},
    {-0x2001, -2},
    {0x0FFFFFFF, 32767},    // just below +1.0
    {0x0FFFDFFF, 32766},    // one step below that
    {0x10000000, 32767},    // +1.0 itself clips
    {0x7FFFFFFF, 32767},    // far above: clipped, not wrapped
    {-0x10000000, -32768},  // -1.0
    {-0x0FFFE001, -32768},  // just above -1.0 still shifts down to it
    {-0x0FFFE000, -32767},
    {-0x10000001, -32768},
    {-0x7FFFFFFF - 1, -32768},
    {0x08000000, 16384},  // +0.5
};

TEST(PcmSample, ClipsAtFullScaleAndTruncatesBelowIt) {
    for (const Case& c : kCases) {
        EXPECT_EQ(c.out, ostrel::ToPcm16(c.in)) << "libmad sample " << std::hex << c.in;
    }
}

// Blocks of every length up to a few vector widths, so that both the vector
// loop and the samples left over after it are checked, at every position.
TEST(PcmSample, BlocksConvertEverySampleAsOneSampleDoes) {
    constexpr size_t kCaseCount = std::size(kCases);
    for (size_t count = 0; count <= 3 * kCaseCount; ++count) {
        SCOPED_TRACE(count);
        std::vector<mad_fixed_t> left(count), right(count);
        std::vector<int16_t> expectLeft(count), expectRight(count);
        for (size_t i = 0; i < count; ++i) {
            const Case& l = kCases[(i * 5 + count) % kCaseCount];
            const Case& r = kCases[(i * 3 + 1) % kCaseCount];
            left[i] = l.in;
            right[i] = r.in;
            expectLeft[i] = l.out;
            expectRight[i] = r.out;
        }
        // One sample past the block must stay as it was.
        constexpr int16_t kGuard = 0x5A5A;
        std::vector<int16_t> mono(count + 1, kGuard);
        ostrel::ConvertPcm16(left.data(), count, mono.data());
        EXPECT_EQ(expectLeft, std::vector<int16_t>(mono.begin(), mono.begin() + count));
        EXPECT_EQ(kGuard, mono[count]);

        std::vector<int16_t> stereo(2 * count + 1, kGuard);
        ostrel::InterleavePcm16(left.data(), right.data(), count, stereo.data());
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(expectLeft[i], stereo[2 * i]) << "left " << i;
            EXPECT_EQ(expectRight[i], stereo[2 * i + 1]) << "right " << i;
        }
        EXPECT_EQ(kGuard, stereo[2 * count]);
    }
}

}  // namespace
