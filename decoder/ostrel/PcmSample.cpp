#include "decoder/ostrel/PcmSample.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

// The conversion runs on every decoded sample. With SSE2 (every x86-64) the
// shift and a saturating pack to 16 bits do exactly what ToPcm16 does, four
// samples at a time; the scalar loops take the rest of a block.

void ConvertPcm16(const mad_fixed_t* mono, size_t count, int16_t* out) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mono + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mono + i + 4));
        const __m128i packed =
            _mm_packs_epi32(_mm_srai_epi32(a, kPcm16Shift), _mm_srai_epi32(b, kPcm16Shift));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < count; ++i) out[i] = ToPcm16(mono[i]);
}

void InterleavePcm16(const mad_fixed_t* left, const mad_fixed_t* right, size_t count,
                     int16_t* out) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) {
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + i));
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + i));
        // l0 r0 l1 r1 and l2 r2 l3 r3, packed into one run of pairs.
        const __m128i first = _mm_srai_epi32(_mm_unpacklo_epi32(l, r), kPcm16Shift);
        const __m128i second = _mm_srai_epi32(_mm_unpackhi_epi32(l, r), kPcm16Shift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(first, second));
    }
#endif
    for (; i < count; ++i) {
        out[2 * i] = ToPcm16(left[i]);
        out[2 * i + 1] = ToPcm16(right[i]);
    }
}

void DownmixPcm16(const mad_fixed_t* left, const mad_fixed_t* right, size_t count, int16_t* out) {
    // Rare (a file whose channel count changes part way): no fast path.
    // libmad's samples may exceed 1.0, so the sum is taken in 64 bits.
    for (size_t i = 0; i < count; ++i) {
        const int64_t sum = int64_t{left[i]} + right[i];
        out[i] = ToPcm16(static_cast<mad_fixed_t>(sum / 2));
    }
}

}  // namespace ostrel
