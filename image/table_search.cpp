// Searches over the sorted array of one block table.
#include <algorithm>

#include "image/memory_image.h"

int CMemoryImage::FindFirstBlockAfter(uint32_t nAddress, CBlockTable& table) {
    const int32_t nCount = table.m_nCount;
    if (nCount <= 0) return -1;
    CDataBlock* const* pBlocks = table.m_apBlocks;
    if (pBlocks[0]->m_nStart > nAddress) return 0;
    if (pBlocks[nCount - 1]->m_nStart <= nAddress) return -1;
    CDataBlock* const* pFound = std::upper_bound(
        pBlocks, pBlocks + nCount, nAddress,
        [](uint32_t address, const CDataBlock* pBlock) { return address < pBlock->m_nStart; });
    return int(pFound - pBlocks);
}

int CMemoryImage::FindLastBlockBefore(uint32_t nAddress, CBlockTable& table) {
    const int32_t nCount = table.m_nCount;
    if (nCount <= 0) return -1;
    CDataBlock* const* pBlocks = table.m_apBlocks;
    if (pBlocks[0]->m_nStart >= nAddress) return -1;
    if (pBlocks[nCount - 1]->GetEnd() < nAddress) return nCount - 1;
    // The last block that starts before the address; in a table without
    // overlaps at most it covers the address, and the one below it does not.
    CDataBlock* const* pFound = std::lower_bound(
        pBlocks, pBlocks + nCount, nAddress,
        [](const CDataBlock* pBlock, uint32_t address) { return pBlock->m_nStart < address; });
    int nIndex = int(pFound - pBlocks) - 1;
    while (nIndex >= 0 && pBlocks[nIndex]->GetEnd() >= nAddress) --nIndex;
    return nIndex;
}

int CMemoryImage::FindBlockIndex(CDataBlock* pBlock, CBlockTable& table) {
    if (!pBlock) return -1;
    const uint32_t nStart = pBlock->m_nStart;
    int nIndex = FindFirstBlockAfter(nStart, table);
    if (nIndex == 0) return -1;
    if (nIndex < 0) nIndex = table.m_nCount;
    for (--nIndex; nIndex >= 0; --nIndex) {
        CDataBlock* pEntry = table.m_apBlocks[nIndex];
        if (pEntry == pBlock) return nIndex;
        if (pEntry->m_nStart > nStart || pEntry->GetEnd() < nStart) return -1;
    }
    return -1;
}

int CMemoryImage::NextRun(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast,
                          CBlockTable& table) {
    return NextRunUpTo(nIndex, nAddress, kNoRunLimit, nFirst, nLast, table);
}

int CMemoryImage::NextRunUpTo(int nIndex, uint32_t nAddress, uint64_t nLimit, uint32_t& nFirst,
                              uint32_t& nLast, CBlockTable& table) {
    const int32_t nCount = table.m_nCount;
    if (nCount <= 0 || nIndex >= nCount || nIndex < -1) return -1;
    int i = nIndex;
    if (nIndex == -1) {
        const int nBefore = FindLastBlockBefore(nAddress, table);
        if (nBefore == nCount - 1) return -1;
        i = nBefore + 1;
    }
    CDataBlock* const* pBlocks = table.m_apBlocks;
    while (i < nCount && pBlocks[i]->GetEnd() < nAddress) ++i;
    if (i == nCount) return -1;

    const uint32_t nRunFirst = std::max(pBlocks[i]->m_nStart, nAddress);
    uint64_t nRunLast = pBlocks[i]->GetEnd();
    for (++i; i < nCount && nRunLast < nLimit && pBlocks[i]->m_nStart <= nRunLast + 1; ++i)
        nRunLast = std::max<uint64_t>(nRunLast, pBlocks[i]->GetEnd());
    nFirst = nRunFirst;
    nLast = uint32_t(nRunLast);
    return i;
}

uint32_t CMemoryImage::CountTableBytes(uint32_t nFirst, uint32_t nLast, CBlockTable& table) {
    const int32_t nCount = table.m_nCount;
    if (nCount <= 0 || nFirst > nLast) return 0;
    const int nBefore = FindLastBlockBefore(nFirst, table);
    if (nBefore == nCount - 1) return 0;

    uint64_t nBytes = 0;
    uint64_t nPosition = nFirst;
    for (int i = nBefore + 1; i < nCount && nPosition <= nLast && table.m_apBlocks[i]->m_nStart <= nLast;
         ++i) {
        const CDataBlock* pBlock = table.m_apBlocks[i];
        if (pBlock->GetEnd() < nPosition) continue;
        const uint64_t nFrom = std::max<uint64_t>(pBlock->m_nStart, nPosition);
        const uint64_t nTo = std::min(pBlock->GetEnd(), nLast);
        nBytes += nTo - nFrom + 1;
        nPosition = nTo + 1;
    }
    return uint32_t(nBytes);
}

int CMemoryImage::FirstIndexReaching(uint32_t nAddress, CBlockTable& table) {
    if (table.m_nCount <= 0 || table.m_nLongestBlock == 0 || nAddress < table.m_nLongestBlock) return 0;
    const uint32_t nLowestStart = nAddress - table.m_nLongestBlock + 1;
    CDataBlock* const* pBlocks = table.m_apBlocks;
    CDataBlock* const* pFound = std::lower_bound(
        pBlocks, pBlocks + table.m_nCount, nLowestStart,
        [](const CDataBlock* pBlock, uint32_t address) { return pBlock->m_nStart < address; });
    return int(pFound - pBlocks);
}
