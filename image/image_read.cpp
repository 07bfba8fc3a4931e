// Taking bytes out of the image and describing where its data lies.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/address_space.h"
#include "image/memory_image.h"

int CMemoryImage::ReadBytes(uint32_t nAddress, uint8_t* pBuffer, uint32_t nLength) {
    if (nAddress < m_nBase || uint64_t(nAddress) + nLength > GetRangeEnd() || !pBuffer) return 0;
    if (nLength > 0) ReadTable(nAddress, nAddress + nLength - 1, pBuffer, m_dataTable);
    return 1;
}

uint8_t CMemoryImage::GetByte(uint32_t nAddress) {
    // Outside the range there is nothing, which reads as the erased value.
    uint8_t byte = 0xFF;
    ReadBytes(nAddress, &byte, 1);
    return byte;
}

void CMemoryImage::ReadTable(uint32_t nFirst, uint32_t nLast, uint8_t* pBuffer, CBlockTable& table) {
    if (nFirst > nLast || !pBuffer) return;
    std::memset(pBuffer, 0xFF, size_t(nLast - nFirst) + 1);
    // Data-less blocks read as 0xFF, which the buffer already holds.
    if (table.m_nCount <= 0 || !CarriesBytes(table)) return;
    if (MayOverlap(table)) {
        ReadStoreLayers(nFirst, nLast, pBuffer, table);
        return;
    }

    const int nBefore = FindLastBlockBefore(nFirst, table);
    if (nBefore == table.m_nCount - 1) return;
    uint64_t nPosition = nFirst;
    for (int i = nBefore + 1; i < table.m_nCount && nPosition <= nLast; ++i) {
        CDataBlock* pBlock = table.m_apBlocks[i];
        if (pBlock->m_nStart > nLast) break;
        if (pBlock->GetEnd() < nPosition) continue;
        const uint32_t nFrom = uint32_t(std::max<uint64_t>(pBlock->m_nStart, nPosition));
        const uint32_t nTo = std::min(pBlock->GetEnd(), nLast);
        std::memcpy(pBuffer + (nFrom - nFirst), pBlock->GetDataPointer(nFrom), size_t(nTo - nFrom) + 1);
        nPosition = uint64_t(nTo) + 1;
    }
}

void CMemoryImage::ReadStoreLayers(uint32_t nFirst, uint32_t nLast, uint8_t* pBuffer, CBlockTable& store) {
    // Where blocks overlap, the newest one is the topmost layer: painting the
    // blocks from the oldest to the newest leaves exactly that layer visible,
    // also where an older block reaches out from under a newer one.
    int nAfter = FindFirstBlockAfter(nLast, store);
    if (nAfter == 0) return;
    if (nAfter < 0) nAfter = store.m_nCount;
    std::vector<CDataBlock*> layers;
    for (int i = FirstIndexReaching(nFirst, store); i < nAfter; ++i)
        if (store.m_apBlocks[i]->GetEnd() >= nFirst) layers.push_back(store.m_apBlocks[i]);
    std::stable_sort(layers.begin(), layers.end(), [](const CDataBlock* pA, const CDataBlock* pB) {
        return pA->m_nSequence < pB->m_nSequence;
    });
    for (CDataBlock* pBlock : layers) {
        const uint32_t nFrom = std::max(pBlock->m_nStart, nFirst);
        const uint32_t nTo = std::min(pBlock->GetEnd(), nLast);
        const size_t nBytes = size_t(nTo - nFrom) + 1;
        if (pBlock->m_bGap)
            std::memset(pBuffer + (nFrom - nFirst), 0xFF, nBytes);
        else
            std::memcpy(pBuffer + (nFrom - nFirst), pBlock->GetDataPointer(nFrom), nBytes);
    }
}

uint32_t CMemoryImage::CountBytes(uint32_t nFirst, uint32_t nLast) {
    return CountTableBytes(nFirst, nLast, m_dataTable);
}

int CMemoryImage::NextArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast) {
    return NextRun(nIndex, nAddress, nFirst, nLast, m_dataTable);
}

uint32_t CMemoryImage::GetHighestAddress() {
    if (m_dataTable.m_nCount <= 0) return kNoAddress;
    return m_dataTable.m_apBlocks[m_dataTable.m_nCount - 1]->GetEnd();
}
