#include "imagefile/load_area_list.h"

#include <algorithm>

#include "image/memory_image.h"
#include "imagefile/position_report.h"

CAddressSpan CAddressSpan::OfImage(CMemoryImage& image) {
    const int64_t nBase = image.GetBase();
    return {nBase, nBase + static_cast<int64_t>(image.GetSize()) - 1};
}

uint64_t CAddressSpan::CountInside(int64_t nFirst, int64_t nLast) const {
    const int64_t nLo = std::max(nFirst, m_nFirst);
    const int64_t nHi = std::min(nLast, m_nLast);
    return nLo <= nHi ? static_cast<uint64_t>(nHi - nLo + 1) : 0;
}

void CLoadAreaList::OnRunCutAtLimit(uint32_t nRunStart) {
    if (!m_pendingStart) m_pendingStart = nRunStart;
}

void CLoadAreaList::OnListableRunStored(uint32_t nRunStart, uint64_t nRunEnd,
                                        const CAddressSpan& imageRange) {
    // Once the list is full the pending start no longer matters.
    if (m_report.IsFull()) return;
    const int64_t nLo = std::max<int64_t>(imageRange.m_nFirst, m_pendingStart.value_or(nRunStart));
    const int64_t nHi = std::min<int64_t>(static_cast<int64_t>(nRunEnd), imageRange.m_nLast);
    if (nLo <= nHi) m_report.AddArea(static_cast<uint32_t>(nLo), static_cast<uint32_t>(nHi));
    m_pendingStart.reset();
}
