#include "image/gap_rule.h"

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
    uint32_t nErased = 0;
    for (uint32_t i = nOffset; i < nLength; ++i) {
        nErased = pData[i] == kErased ? nErased + 1 : 0;
        if (nErased == nMinGap) return {i + 1 - nMinGap - nOffset, false};
    }
    return {nLength - nOffset, false};
}
