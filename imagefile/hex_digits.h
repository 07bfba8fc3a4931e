#pragma once

#include <cstdint>

// Hexadecimal digits for the S-record reader and writer, kept in one place.

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
// (pOut and nSum are then of no use). Sixteen characters at a time on a
// processor with SSE2, chosen when the program starts where the build does
// not take SSE2 for granted (the 32-bit product): the data of a record is
// most of what a conversion decodes.
unsigned DecodeHexPairs(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum);

// The two ways that DecodeHexPairs chooses between, which must agree.
unsigned DecodeHexPairsOneByOne(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum);
#if defined(__i386__) || defined(__x86_64__)
#define KORVELT_HEX_PAIRS_SSE2 1
unsigned DecodeHexPairsSse2(const uint8_t* p, unsigned nPairs, uint8_t* pOut, unsigned& nSum);
bool ProcessorHasSse2();
#endif

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
