#include "imagefile/hex_digits.h"

#include <cstdio>

#if defined(KORVELT_HEX_PAIRS_SSE2)
#include <cpuid.h>
#endif

extern constexpr CHexPairTable kHexPairs{};

#if defined(KORVELT_HEX_PAIRS_SSE2)

bool ProcessorHasSse2() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
}

extern const bool kHexPairsTakeSse2 = ProcessorHasSse2();

#endif

std::string NameCharacter(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
    char szName[8];
    if (code > 0x20 && code < 0x7F)
        std::snprintf(szName, sizeof szName, "'%c'", c);
    else
        std::snprintf(szName, sizeof szName, "0x%02X", code);
    return szName;
}

std::string DescribeNonHexDigit(char c, size_t nColumn) {
    return "invalid hexadecimal digit " + NameCharacter(c) + " in column " + std::to_string(nColumn + 1);
}
