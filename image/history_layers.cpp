// The layers of the undo and redo stores: saving what a range holds, finding
// the topmost layer, putting it back, and keeping the range tables in step.
#include <algorithm>

#include "image/memory_image.h"

CDataBlock* CMemoryImage::FindNewerOverlap(int nIndex, uint32_t nAddress, CBlockTable& store) {
    if (nIndex < 0 || nIndex >= store.m_nCount - 1) return nullptr;
    const CDataBlock* pBlock = store.m_apBlocks[nIndex];
    const uint32_t nEnd = pBlock->GetEnd();
    CDataBlock* pNewer = nullptr;
    for (int i = nIndex + 1; i < store.m_nCount; ++i) {
        CDataBlock* pCandidate = store.m_apBlocks[i];
        // Sorted by start: nothing later starts within the block, or lower than
        // the one already found.
        if (pCandidate->m_nStart > nEnd) break;
        if (pNewer && pCandidate->m_nStart > pNewer->m_nStart) break;
        if (pCandidate->GetEnd() >= nAddress && pCandidate->m_nSequence > pBlock->m_nSequence &&
            (!pNewer || pCandidate->m_nSequence > pNewer->m_nSequence))
            pNewer = pCandidate;
    }
    return pNewer;
}

void CMemoryImage::RecordLayer(uint32_t nFirst, uint32_t nLast, CBlockTable& store, CDataBlock*& pStep) {
    CBlockTable& rangeTable = *GetRangeTable(store);
    // Only what was saved goes into the range table, so that it never promises
    // history that a full store refused.
    uint64_t nSavedFirst = 0;
    uint64_t nSavedEnd = 0;
    auto flushSaved = [&]() {
        if (nSavedEnd > nSavedFirst) AddRange(uint32_t(nSavedFirst), uint32_t(nSavedEnd - 1), rangeTable);
        nSavedFirst = nSavedEnd = 0;
    };
    auto save = [&](uint32_t nFrom, uint32_t nTo, bool bGap) {
        CDataBlock* pBlock = CreateBlock(nFrom, nTo - nFrom + 1, store, pStep);
        if (!pBlock) {
            flushSaved();
            return;
        }
        if (!pStep) pStep = pBlock;
        pBlock->m_bGap = bGap;
        if (!bGap) ReadTable(nFrom, nTo, pBlock->GetDataPointer(nFrom), m_dataTable);
        if (nSavedEnd != nFrom) {
            flushSaved();
            nSavedFirst = nFrom;
        }
        nSavedEnd = uint64_t(nTo) + 1;
    };

    uint64_t nPosition = nFirst;
    int nIndex = -1;
    while (nPosition <= nLast) {
        uint32_t nAreaFirst = 0;
        uint32_t nAreaLast = 0;
        // What lies beyond nLast is not saved, and an area that reaches it
        // ends the loop, so the area is followed no further.
        nIndex = NextRunUpTo(nIndex, uint32_t(nPosition), nLast, nAreaFirst, nAreaLast, m_dataTable);
        const uint64_t nStoredFrom = nIndex == -1 || nAreaFirst > nLast ? uint64_t(nLast) + 1 : nAreaFirst;
        if (nStoredFrom > nPosition) save(uint32_t(nPosition), uint32_t(nStoredFrom - 1), true);
        if (nStoredFrom > nLast) break;
        const uint32_t nStoredTo = std::min(nAreaLast, nLast);
        save(nAreaFirst, nStoredTo, false);
        nPosition = uint64_t(nStoredTo) + 1;
    }
    flushSaved();
}

void CMemoryImage::PutBackLayer(CDataBlock* pBlock, uint32_t nFirst, uint32_t nLast) {
    // Exactly what was saved comes back: stored bytes stay stored, 0xFF runs
    // included, and saved gaps become gaps again whatever their length.
    const uint32_t nLength = nLast - nFirst + 1;
    if (pBlock->m_bGap)
        StoreIntoData(nFirst, nLength, nullptr, kEraseAll);
    else
        StoreIntoData(nFirst, nLength, pBlock->GetDataPointer(nFirst), kStoreAll);
}

void CMemoryImage::PeelTopLayer(uint32_t nFirst, uint32_t nLast, CBlockTable& store, bool bRestore) {
    CBlockTable* pOtherStore = GetOtherStore(store);
    if (bRestore && !pOtherStore) return;

    uint64_t nPosition = nFirst;
    // Every block below j ends before the position.
    int j = FirstIndexReaching(nFirst, store);
    int i = j;
    CDataBlock* pStep = nullptr;
    while (nPosition <= nLast && i < store.m_nCount) {
        CDataBlock* pBlock = store.m_apBlocks[i];
        if (pBlock->m_nStart > nLast) break;
        if (pBlock->GetEnd() < nPosition) {
            if (i == j) ++j;
            ++i;
            continue;
        }
        nPosition = std::max<uint64_t>(nPosition, pBlock->m_nStart);
        const uint32_t nFrom = uint32_t(nPosition);
        const CDataBlock* pNewer = FindNewerOverlap(i, nFrom, store);
        if (pNewer && pNewer->m_nStart <= nFrom) {
            ++i;
            continue;
        }
        const uint32_t nTo = std::min(pNewer ? pNewer->m_nStart - 1 : pBlock->GetEnd(), nLast);
        if (bRestore) {
            RecordLayer(nFrom, nTo, *pOtherStore, pStep);
            PutBackLayer(pBlock, nFrom, nTo);
        }
        TrimBlock(nFrom, nTo, pBlock, store);
        nPosition = uint64_t(nTo) + 1;
        // The array has changed, and a block passed over before may be the
        // topmost one at the new position: scan again from the first block
        // that has not ended.
        i = j;
    }
}

void CMemoryImage::RestoreRange(uint32_t nFirst, uint32_t nLast, CBlockTable& store) {
    if (!GetOtherStore(store) || store.m_nCount <= 0) return;
    PeelTopLayer(nFirst, nLast, store, true);
    RebuildRanges(nFirst, nLast, store, *GetRangeTable(store));
}

int CMemoryImage::RemoveVisibleRange(uint32_t nFirst, uint32_t nLast, CBlockTable& store) {
    if (store.m_nCount <= 0 || FindFirstBlockAfter(nLast, store) == 0) return 0;
    PeelTopLayer(nFirst, nLast, store, false);
    return store.m_nCount;
}

void CMemoryImage::RebuildRanges(uint32_t nFirst, uint32_t nLast, CBlockTable& store,
                                 CBlockTable& rangeTable) {
    if (nFirst > nLast) return;
    RemoveRange(nFirst, nLast, rangeTable);
    if (store.m_nCount <= 0) return;
    int nAfter = FindFirstBlockAfter(nLast, store);
    if (nAfter == 0) return;
    if (nAfter < 0) nAfter = store.m_nCount;

    uint64_t nPosition = nFirst;
    for (int i = FirstIndexReaching(nFirst, store); i < nAfter; ++i) {
        const CDataBlock* pBlock = store.m_apBlocks[i];
        if (pBlock->GetEnd() < nPosition) continue;
        nPosition = std::max<uint64_t>(nPosition, pBlock->m_nStart);
        // The block may reach beyond nLast; the range table then takes it whole,
        // replacing what it held there.
        AddRange(uint32_t(nPosition), pBlock->GetEnd(), rangeTable);
        nPosition = uint64_t(pBlock->GetEnd()) + 1;
    }
}
