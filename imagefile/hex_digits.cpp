#include "imagefile/hex_digits.h"

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
