#include "imagefile/hex_digits.h"

#if defined(KORVELT_HEX_PAIRS_SSE2)
#include <cpuid.h>
#include <emmintrin.h>
#endif

extern constexpr CHexPairTable kHexPairs{};

unsigned DecodeHexPairsOneByOne(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum) {
    unsigned nFlags = 0;
    for (unsigned i = 0; i < nPairs; ++i) {
        const unsigned byte = HexPairOrFlag(p + 2 * i);
        nFlags |= byte;
        nSum += byte;
        pOut[i] = static_cast<uint8_t>(byte);
    }
    return nFlags;
}

#if defined(KORVELT_HEX_PAIRS_SSE2)

bool ProcessorHasSse2() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
}

__attribute__((target("sse2"))) unsigned DecodeHexPairsSse2(const uint8_t* p, unsigned nPairs, uint8_t* pOut,
                                                           unsigned& nSum) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i five = _mm_set1_epi8(5);
    __m128i valid = _mm_set1_epi8(-1);
    __m128i sums = zero;
    unsigned i = 0;
    for (; i + 8 <= nPairs; i += 8) {
        const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
        // Unsigned differences, so that one comparison per class bounds them
        // on both sides.
        const __m128i digit = _mm_sub_epi8(text, _mm_set1_epi8('0'));
        const __m128i letter = _mm_sub_epi8(_mm_or_si128(text, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, nine), digit);
        const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, five), letter);
        valid = _mm_and_si128(valid, _mm_or_si128(isDigit, isLetter));
        const __m128i value = _mm_or_si128(_mm_and_si128(isDigit, digit),
                                           _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
        // Each 16-bit lane holds a pair, its first digit in the low byte.
        const __m128i bytes = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(value, _mm_set1_epi16(0x00FF)), 4),
                                           _mm_srli_epi16(value, 8));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(bytes, zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pOut + i), _mm_packus_epi16(bytes, bytes));
    }
    // Each half of the sums adds at most 4 * 255 per step, and is taken in
    // 32 bits: exact for any number of pairs below 2^32 / 255.
    nSum += static_cast<unsigned>(_mm_cvtsi128_si32(sums)) +
            static_cast<unsigned>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    const unsigned nFlags = _mm_movemask_epi8(valid) != 0xFFFF ? kNotHexPair : 0;
    return nFlags | DecodeHexPairsOneByOne(p + 2 * i, nPairs - i, pOut + i, nSum);
}

#endif

#if defined(KORVELT_HEX_PAIRS_SSE2) && !defined(__SSE2__)
namespace {
const bool kHasSse2 = ProcessorHasSse2();
}  // namespace
#endif

unsigned DecodeHexPairs(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum) {
#if defined(__SSE2__)
    return DecodeHexPairsSse2(p, nPairs, pOut, nSum);
#elif defined(KORVELT_HEX_PAIRS_SSE2)
    return kHasSse2 ? DecodeHexPairsSse2(p, nPairs, pOut, nSum) : DecodeHexPairsOneByOne(p, nPairs, pOut, nSum);
#else
    return DecodeHexPairsOneByOne(p, nPairs, pOut, nSum);
#endif
}
