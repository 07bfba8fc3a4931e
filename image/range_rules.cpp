// How a write meets the address range: it grows an auto-grow range and is cut
// to a fixed one.
#include "image/address_space.h"
#include "image/memory_image.h"

bool CMemoryImage::ApplyRangeRules(uint32_t nAddress, int32_t nLength, const uint8_t* pData,
                                   CClippedWrite& write) {
    int64_t nRemaining = nLength;
    uint64_t nSkipped = 0;
    write.bClipped = false;

    if (nAddress < m_nBase) {
        if (m_bAutoGrow) {
            GrowRange(nAddress, GetRangeEnd());
        } else {
            nSkipped = m_nBase - nAddress;
            nRemaining -= int64_t(nSkipped);
            nAddress = m_nBase;
            write.bClipped = true;
        }
    }

    // A negative length reaches no further than its address.
    const uint64_t nWriteEnd = uint64_t(nAddress) + uint64_t(nRemaining > 0 ? nRemaining : 0);
    if (nWriteEnd > GetRangeEnd()) {
        if (m_bAutoGrow) {
            // Bytes beyond 0xFFFFFFFF have no address: they are cut off like a
            // clipped tail, and the range ends at the top of the address space.
            if (nWriteEnd > kAddressSpaceEnd) {
                nRemaining = int64_t(kAddressSpaceEnd - nAddress);
                write.bClipped = true;
            }
            GrowRange(m_nBase, nWriteEnd > kAddressSpaceEnd ? kAddressSpaceEnd : nWriteEnd);
        } else {
            nRemaining = int64_t(GetRangeEnd()) - int64_t(nAddress);
            write.bClipped = true;
        }
    }

    if (nRemaining <= 0 || !pData) return false;
    write.nAddress = nAddress;
    write.nLength = uint32_t(nRemaining);
    write.pData = pData + nSkipped;
    return true;
}
