// Adding, cutting and removing the blocks of one table, and the memory
// accounting that goes with it.
#include <algorithm>
#include <cstring>

#include "host/host_interface.h"
#include "image/address_space.h"
#include "image/memory_image.h"

namespace {
// What one block costs besides its bytes.
constexpr uint32_t kBlockOverhead = 28;
const char kNoMoreMemory[] = "No more memory can be allocated - clear some data.";
}  // namespace

CDataBlock* CMemoryImage::CreateBlock(uint32_t nStart, uint32_t nLength, CBlockTable& table,
                                      CDataBlock* pParent) {
    // An empty block, or one past the top of the address space, would break the
    // searches that find blocks by their end.
    if (nLength == 0 || uint64_t(nStart) + nLength > kAddressSpaceEnd) return nullptr;
    if (table.m_nCount >= kMaxBlocksPerTable) {
        GetHost().MessageBox(kNoMoreMemory, kButtonsOk);
        // Only the data table holds the image's contents; a full mark table or
        // history table costs a mark or a record of the change, not the data.
        if (&table == &m_dataTable) m_bDataLost = 1;
        if (&table == &m_undoStore) m_bUndoIncomplete = 1;
        return nullptr;
    }

    CDataBlock* pBlock = m_heap.NewBlock(nStart, nLength);
    m_nMemoryUsed += kBlockOverhead + (CarriesBytes(table) ? nLength : 0);
    pBlock->m_nSequence = pParent ? pParent->m_nSequence : table.m_nNextSequence++;

    int nIndex = FindFirstBlockAfter(nStart, table);
    if (nIndex < 0) nIndex = table.m_nCount;
    if (pParent && nIndex > 0) {
        const CDataBlock* pBefore = table.m_apBlocks[nIndex - 1];
        if (pBefore->m_nStart == nStart && pBlock->m_nSequence > pBefore->m_nSequence) --nIndex;
    }
    InsertIntoTable(table, pBlock, nIndex);
    if (nLength > table.m_nLongestBlock) table.m_nLongestBlock = nLength;

    if (pParent) {
        pBlock->m_pPrev = pParent;
        pBlock->m_pNext = pParent->m_pNext;
        if (pParent->m_pNext) pParent->m_pNext->m_pPrev = pBlock;
        pParent->m_pNext = pBlock;
    } else {
        pBlock->m_pNext = table.m_pHead;
        if (table.m_pHead) table.m_pHead->m_pPrev = pBlock;
        table.m_pHead = pBlock;
    }
    return pBlock;
}

void CMemoryImage::DeleteBlock(CDataBlock* pBlock, CBlockTable& table) {
    const int nIndex = FindBlockIndex(pBlock, table);
    if (nIndex < 0) return;
    RemoveFromTable(table, nIndex);
    FreeBlock(pBlock, table);
}

void CMemoryImage::FreeBlock(CDataBlock* pBlock, CBlockTable& table) {
    if (pBlock->m_pPrev) pBlock->m_pPrev->m_pNext = pBlock->m_pNext;
    if (pBlock->m_pNext) pBlock->m_pNext->m_pPrev = pBlock->m_pPrev;
    if (table.m_pHead == pBlock) table.m_pHead = pBlock->m_pNext;
    m_nMemoryUsed -= kBlockOverhead + (CarriesBytes(table) ? pBlock->m_nLength : 0);
    m_heap.DeleteBlock(pBlock);
}

void CMemoryImage::ClearTable(CBlockTable& table) {
    const bool bCarriesBytes = CarriesBytes(table);
    CDataBlock* pBlock = table.m_pHead;
    while (pBlock) {
        CDataBlock* pNext = pBlock->m_pNext;
        m_nMemoryUsed -= kBlockOverhead + (bCarriesBytes ? pBlock->m_nLength : 0);
        m_heap.DeleteBlock(pBlock);
        pBlock = pNext;
    }
    table.m_pHead = nullptr;
    if (&table == &m_undoStore) m_bUndoIncomplete = 0;
    table.m_apBlocks = table.m_pStorage.get() + kMaxBlocksPerTable;
    table.m_nCount = 0;
    table.m_nNextSequence = 0;
    table.m_nLongestBlock = 0;
}

void CMemoryImage::InsertIntoTable(CBlockTable& table, CDataBlock* pBlock, int nIndex) {
    const int32_t nCount = table.m_nCount;
    if (nIndex < 0 || nIndex > nCount || nCount >= kMaxBlocksPerTable) return;
    const bool bMoveFront = nIndex < nCount - nIndex;
    CDataBlock** const pStorage = table.m_pStorage.get();
    if (bMoveFront ? table.m_apBlocks == pStorage : table.m_apBlocks + nCount == pStorage + CBlockTable::kStorageSize)
        CenterTable(table);
    if (!bMoveFront) {
        InsertBlockPointer(table.m_apBlocks, pBlock, nIndex, table.m_nCount);
        return;
    }
    CDataBlock** const pFirst = table.m_apBlocks;
    std::memmove(pFirst - 1, pFirst, sizeof(CDataBlock*) * size_t(nIndex));
    table.m_apBlocks = pFirst - 1;
    table.m_apBlocks[nIndex] = pBlock;
    ++table.m_nCount;
}

void CMemoryImage::RemoveFromTable(CBlockTable& table, int nIndex) {
    const int32_t nCount = table.m_nCount;
    if (nIndex < 0 || nIndex >= nCount) return;
    if (nIndex >= nCount - 1 - nIndex) {
        RemoveBlockPointer(table.m_apBlocks, nIndex, table.m_nCount);
        return;
    }
    CDataBlock** const pFirst = table.m_apBlocks;
    std::memmove(pFirst + 1, pFirst, sizeof(CDataBlock*) * size_t(nIndex));
    table.m_apBlocks = pFirst + 1;
    --table.m_nCount;
}

void CMemoryImage::CenterTable(CBlockTable& table) {
    // A table holds at most half the store, so afterwards both sides have room
    // for a quarter of it: moving everything is rare.
    CDataBlock** const pCentered = table.m_pStorage.get() + (CBlockTable::kStorageSize - table.m_nCount) / 2;
    std::memmove(pCentered, table.m_apBlocks, sizeof(CDataBlock*) * size_t(table.m_nCount));
    table.m_apBlocks = pCentered;
}

int CMemoryImage::InsertBlockPointer(CDataBlock** apBlocks, CDataBlock* pBlock, int nIndex, int32_t& nCount) {
    // The array has a fixed capacity; an entry outside it would overwrite the
    // image.
    if (nIndex < 0 || nIndex > nCount || nCount >= kMaxBlocksPerTable) return nCount;
    std::memmove(apBlocks + nIndex + 1, apBlocks + nIndex, sizeof(CDataBlock*) * size_t(nCount - nIndex));
    apBlocks[nIndex] = pBlock;
    return ++nCount;
}

int CMemoryImage::RemoveBlockPointer(CDataBlock** apBlocks, int nIndex, int32_t& nCount) {
    if (nIndex < 0 || nIndex >= nCount) return nCount;
    std::memmove(apBlocks + nIndex, apBlocks + nIndex + 1, sizeof(CDataBlock*) * size_t(nCount - nIndex - 1));
    return --nCount;
}

void CMemoryImage::RemoveRange(uint32_t nFirst, uint32_t nLast, CBlockTable& table) {
    if (table.m_nCount <= 0 || nFirst > nLast) return;
    int nIndex = FindFirstBlockAfter(nLast, table);
    if (nIndex == 0) return;
    nIndex = (nIndex < 0 ? table.m_nCount : nIndex) - 1;

    if (!MayOverlap(table)) {
        RemoveOrderedRange(nFirst, nLast, nIndex, table);
        return;
    }
    // In a store an earlier, longer block can still reach into the range.
    for (const int nLowest = FirstIndexReaching(nFirst, table); nIndex >= nLowest; --nIndex) {
        CDataBlock* pBlock = table.m_apBlocks[nIndex];
        // Trimming changes only entries at or above nIndex.
        if (pBlock->GetEnd() >= nFirst) TrimBlock(nFirst, nLast, pBlock, table);
    }
}

void CMemoryImage::RemoveOrderedRange(uint32_t nFirst, uint32_t nLast, int nTop, CBlockTable& table) {
    // Without overlaps the ends rise with the starts: the blocks that meet the
    // range are nBottom..nTop, and only those two can reach beyond it.
    int nBottom = FindLastBlockBefore(nFirst, table) + 1;
    if (nBottom > nTop) return;

    CDataBlock* const pTop = table.m_apBlocks[nTop];
    if (pTop->GetEnd() > nLast) {
        // Either the one block around the whole range, split in two, or the
        // block's start moved past the range, at the same index.
        TrimBlock(nFirst, nLast, pTop, table);
        if (nTop == nBottom) return;
        --nTop;
    }
    CDataBlock* const pBottom = table.m_apBlocks[nBottom];
    if (pBottom->m_nStart < nFirst) {
        // Keeps its start, and so its index.
        TrimBlock(nFirst, nLast, pBottom, table);
        ++nBottom;
    }
    if (nBottom <= nTop) DeleteBlockSpan(table, nBottom, nTop);
}

void CMemoryImage::DeleteBlockSpan(CBlockTable& table, int nBottom, int nTop) {
    for (int nIndex = nBottom; nIndex <= nTop; ++nIndex) FreeBlock(table.m_apBlocks[nIndex], table);
    const int32_t nRemoved = nTop - nBottom + 1;
    const int32_t nAbove = table.m_nCount - 1 - nTop;
    CDataBlock** const pFirst = table.m_apBlocks;
    if (nAbove <= nBottom) {
        std::memmove(pFirst + nBottom, pFirst + nTop + 1, sizeof(CDataBlock*) * size_t(nAbove));
    } else {
        std::memmove(pFirst + nRemoved, pFirst, sizeof(CDataBlock*) * size_t(nBottom));
        table.m_apBlocks = pFirst + nRemoved;
    }
    table.m_nCount -= nRemoved;
}

void CMemoryImage::TrimBlock(uint32_t nFirst, uint32_t nLast, CDataBlock* pBlock, CBlockTable& table) {
    if (!pBlock || nFirst > nLast) return;
    const uint32_t nStart = pBlock->m_nStart;
    const uint32_t nEnd = pBlock->GetEnd();
    if (nEnd < nFirst || nStart > nLast) return;

    if (nStart >= nFirst && nEnd <= nLast) {
        DeleteBlock(pBlock, table);
        return;
    }
    if (nEnd > nLast) {
        const uint32_t nRightLength = nEnd - nLast;
        if (nStart >= nFirst) {
            NarrowBlock(pBlock, nLast + 1, nRightLength, table);
            return;
        }
        CDataBlock* pRight = CreateBlock(nLast + 1, nRightLength, table, pBlock);
        if (pRight) {
            pRight->m_bGap = pBlock->m_bGap;
            if (CarriesBytes(table) && !pBlock->m_bGap)
                pRight->SetData(nLast + 1, nRightLength, pBlock->GetDataPointer(nLast + 1));
        }
    }
    NarrowBlock(pBlock, nStart, nFirst - nStart, table);
}

void CMemoryImage::NarrowBlock(CDataBlock* pBlock, uint32_t nStart, uint32_t nLength, CBlockTable& table) {
    if (CarriesBytes(table)) m_nMemoryUsed -= pBlock->m_nLength - nLength;
    if (nStart == pBlock->m_nStart) {
        pBlock->Narrow(nStart, nLength);
        return;
    }
    // A later start can pass other starts only in a store, where blocks
    // overlap; the block then moves up to its new place in the array.
    const int nIndex = FindBlockIndex(pBlock, table);
    pBlock->Narrow(nStart, nLength);
    if (nIndex < 0) return;
    CDataBlock** pBlocks = table.m_apBlocks;
    CDataBlock** pNewPlace = std::upper_bound(
        pBlocks + nIndex + 1, pBlocks + table.m_nCount, nStart,
        [](uint32_t address, const CDataBlock* pEntry) { return address < pEntry->m_nStart; });
    std::rotate(pBlocks + nIndex, pBlocks + nIndex + 1, pNewPlace);
}

void CMemoryImage::AddRange(uint32_t nFirst, uint32_t nLast, CBlockTable& rangeTable) {
    RemoveRange(nFirst, nLast, rangeTable);
    CreateBlock(nFirst, nLast - nFirst + 1, rangeTable, nullptr);
}
