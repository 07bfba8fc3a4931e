#include <algorithm>
#include <vector>

#include "image/address_space.h"
#include "image/memory_image.h"

namespace {
constexpr uint64_t kMinWindow = 5000;
}  // namespace

uint32_t CMemoryImage::FindPattern(uint32_t nFirst, uint32_t nLast, const uint8_t* pPattern,
                                   uint32_t nLength) {
    // Addresses are compared unsigned: the upper half of the address space is
    // as searchable as the lower.
    if (m_nSize == 0) return kNoAddress;
    const uint64_t nFrom = std::max(nFirst, m_nBase);
    const uint64_t nTo = std::min<uint64_t>(nLast, GetRangeEnd() - 1);
    if (nTo < nFrom) return kNoAddress;
    if (nLength == 0) return uint32_t(nFrom);
    if (!pPattern || nFrom + nLength - 1 > nTo) return kNoAddress;

    // Windows overlap by nLength - 1 bytes, so a match across an edge is found.
    const uint64_t nWindow = std::min(std::max<uint64_t>(kMinWindow, 2 * uint64_t(nLength)), nTo - nFrom + 1);
    std::vector<uint8_t> window(nWindow);
    // A pattern with a byte other than 0xFF can only match where it overlaps
    // stored data, so long gaps are skipped instead of read.
    const bool bNeedsData =
        std::any_of(pPattern, pPattern + nLength, [](uint8_t byte) { return byte != 0xFF; });
    for (uint64_t nCandidate = nFrom; nCandidate + nLength - 1 <= nTo;) {
        if (bNeedsData) {
            uint32_t nAreaFirst = 0;
            uint32_t nAreaLast = 0;
            // Only where the area begins matters, not how far it reaches.
            if (NextRunUpTo(-1, uint32_t(nCandidate), 0, nAreaFirst, nAreaLast, m_dataTable) == -1) break;
            if (nAreaFirst > nCandidate + nLength - 1) nCandidate = uint64_t(nAreaFirst) - nLength + 1;
            if (nCandidate + nLength - 1 > nTo) break;
        }
        const uint64_t nWindowLast = std::min(nCandidate + nWindow - 1, nTo);
        const uint32_t nBytes = uint32_t(nWindowLast - nCandidate + 1);
        ReadBytes(uint32_t(nCandidate), window.data(), nBytes);
        const uint8_t* pBegin = window.data();
        const uint8_t* pEnd = pBegin + nBytes;
        const uint8_t* pMatch = std::search(pBegin, pEnd, pPattern, pPattern + nLength);
        if (pMatch != pEnd) return uint32_t(nCandidate + uint64_t(pMatch - pBegin));
        nCandidate += nBytes - nLength + 1;
    }
    return kNoAddress;
}
