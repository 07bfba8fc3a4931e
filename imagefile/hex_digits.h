#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#if defined(__i386__) || defined(__x86_64__)
#define KORVELT_HEX_PAIRS_SSE2 1
#include <emmintrin.h>
#endif

// Hexadecimal digits for the readers and writers of the text formats
// (S-record, Intel HEX), kept in one place.

// The digit value of every character code: 0-15 for a hexadecimal digit of
// either case, kNotHexDigit for any other character. A table rather than
// comparisons, because in random data digits and letters alternate
// unpredictably and every wrongly guessed branch costs more than the lookup.
constexpr uint8_t kNotHexDigit = 0x80;
struct CHexValueTable {
    uint8_t values[256];
    constexpr CHexValueTable() : values() {
        for (uint8_t& value : values) value = kNotHexDigit;
        for (int c = '0'; c <= '9'; ++c) values[c] = static_cast<uint8_t>(c - '0');
        for (int c = 'a'; c <= 'f'; ++c) values[c] = static_cast<uint8_t>(c - 'a' + 10);
        for (int c = 'A'; c <= 'F'; ++c) values[c] = static_cast<uint8_t>(c - 'A' + 10);
    }
};
inline constexpr CHexValueTable kHexValues{};

// 0-15 for a hexadecimal digit of either case, 0 for any other character: a
// stray character is not rejected here, it only makes the checksum test fail.
inline int HexValue(char c) {
    return kHexValues.values[static_cast<unsigned char>(c)] & 0x0F;
}

inline bool IsHexDigit(char c) {
    return (kHexValues.values[static_cast<unsigned char>(c)] & kNotHexDigit) == 0;
}

// The byte of every pair of characters (c0, c1), indexed by c0 | c1 << 8:
// 0-255 for two hexadecimal digits, kNotHexPair for any other pair. One
// lookup per byte of a record instead of two and a combination. Its 128 KiB
// are built once, in hex_digits.cpp.
constexpr uint16_t kNotHexPair = 0x100;
struct CHexPairTable {
    uint16_t values[0x10000];
    constexpr CHexPairTable() : values() {
        for (int nIndex = 0; nIndex < 0x10000; ++nIndex) {
            const uint8_t hi = kHexValues.values[nIndex & 0xFF];
            const uint8_t lo = kHexValues.values[nIndex >> 8];
            values[nIndex] = ((hi | lo) & kNotHexDigit) ? kNotHexPair : static_cast<uint16_t>(hi << 4 | lo);
        }
    }
};
extern const CHexPairTable kHexPairs;

inline unsigned HexPairOrFlag(const uint8_t* p) {
    return kHexPairs.values[p[0] | p[1] << 8];
}

// Decodes nPairs digit pairs from p into pOut and adds the bytes to nSum;
// the result has kNotHexPair set when a pair is not two hexadecimal digits
// (pOut and nSum are then of no use). DecodeHexPairs takes sixteen characters
// at a time on a processor with SSE2, chosen when the program starts where
// the build does not take SSE2 for granted (the 32-bit product): the data of
// a record is most of what a conversion decodes. The two ways it chooses
// between must agree.
inline unsigned DecodeHexPairsOneByOne(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum) {
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
bool ProcessorHasSse2();
extern const bool kHexPairsTakeSse2;

inline __attribute__((target("sse2"))) unsigned DecodeHexPairsSse2(const uint8_t* p, unsigned nPairs,
                                                                  uint8_t* pOut, unsigned& nSum) {
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

inline unsigned DecodeHexPairs(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum) {
#if defined(__SSE2__)
    return DecodeHexPairsSse2(p, nPairs, pOut, nSum);
#elif defined(KORVELT_HEX_PAIRS_SSE2)
    return kHexPairsTakeSse2 ? DecodeHexPairsSse2(p, nPairs, pOut, nSum)
                             : DecodeHexPairsOneByOne(p, nPairs, pOut, nSum);
#else
    return DecodeHexPairsOneByOne(p, nPairs, pOut, nSum);
#endif
}

// The byte of the digit pair at p, or -1 when the text ends within the pair;
// nothing after a zero byte is looked at.
inline int HexPairValue(const char* p) {
    if (p[0] == '\0' || p[1] == '\0') return -1;
    return HexValue(p[0]) * 16 + HexValue(p[1]);
}

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";
constexpr char kLowerHexDigits[] = "0123456789abcdef";

// Writes the byte as two digits of the given set and returns the position
// after them.
inline char* PutHexByte(char* p, uint8_t byte, const char* pszDigits) {
    p[0] = pszDigits[byte >> 4];
    p[1] = pszDigits[byte & 0x0F];
    return p + 2;
}

// Writes the value with at least nMinDigits digits, more if it needs them (as
// printf's "%04lX" does), and returns the position after them.
inline char* PutHexNumber(char* p, uint32_t value, int nMinDigits, const char* pszDigits) {
    int nDigits = 1;
    while (nDigits < 8 && (value >> (4 * nDigits)) != 0) ++nDigits;
    if (nDigits < nMinDigits) nDigits = nMinDigits;
    for (int i = nDigits - 1; i >= 0; --i) *p++ = pszDigits[(value >> (4 * i)) & 0x0F];
    return p;
}

// How the readers' diagnostics name a character: as it is when it prints,
// else by its code ("'Z'", "0x20").
std::string NameCharacter(char c);
// "invalid hexadecimal digit 'Z' in column 9": nColumn counts from 0, the
// text from 1, as editors and compilers count.
std::string DescribeNonHexDigit(char c, size_t nColumn);
