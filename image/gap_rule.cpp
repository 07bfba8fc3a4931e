#include "image/gap_rule.h"

#include <cstring>

namespace {
constexpr uint8_t kErased = 0xFF;
}

CGapPiece NextGapPiece(const uint8_t* pData, uint32_t nLength, uint32_t nOffset, const CGapRule& rule) {
    // A threshold of 1 or less makes every 0xFF byte a gap, as with the rule off.
    const uint32_t nMinGap = rule.bUseThreshold && rule.nThreshold > 1 ? uint32_t(rule.nThreshold) : 1;

    uint32_t nRun = 0;
    while (nOffset + nRun < nLength && pData[nOffset + nRun] == kErased) ++nRun;
    if (nRun >= nMinGap && nRun > 0) return {nRun, true};

    // Data up to the first run of nMinGap 0xFF bytes; shorter runs stay inside.
    // The run at nOffset is shorter, so the search starts after it and jumps
    // from one 0xFF byte to the next.
    for (uint32_t i = nOffset + nRun; i < nLength;) {
        const void* pErased = std::memchr(pData + i, kErased, nLength - i);
        if (!pErased) break;
        const uint32_t nRunStart = uint32_t(static_cast<const uint8_t*>(pErased) - pData);
        uint32_t nRunEnd = nRunStart;
        while (nRunEnd < nLength && pData[nRunEnd] == kErased && nRunEnd - nRunStart < nMinGap) ++nRunEnd;
        if (nRunEnd - nRunStart == nMinGap) return {nRunStart - nOffset, false};
        i = nRunEnd;
    }
    return {nLength - nOffset, false};
}
