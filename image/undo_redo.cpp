// Taking changes back and making them again. Each operation exists twice, for
// the undo store and for the redo store; the work is done once, by store.
#include "image/memory_image.h"

void CMemoryImage::TakeBackLastStep(CBlockTable& store) {
    if (store.m_nCount <= 0) return;
    CBlockTable& otherStore = *GetOtherStore(store);
    CBlockTable& rangeTable = *GetRangeTable(store);
    // The newest step heads the list, and its blocks follow one another. What
    // they replace becomes one step of the other store, so that one step
    // taken back is one step to make again.
    const uint32_t nSequence = store.m_pHead->m_nSequence;
    CDataBlock* pStep = nullptr;
    CDataBlock* pBlock = store.m_pHead;
    while (pBlock && pBlock->m_nSequence == nSequence) {
        CDataBlock* pNext = pBlock->m_pNext;
        const uint32_t nFirst = pBlock->m_nStart;
        const uint32_t nLast = pBlock->GetEnd();
        RecordLayer(nFirst, nLast, otherStore, pStep);
        PutBackLayer(pBlock, nFirst, nLast);
        DeleteBlock(pBlock, store);
        RebuildRanges(nFirst, nLast, store, rangeTable);
        pBlock = pNext;
    }
}

void CMemoryImage::TakeBackAll(CBlockTable& store) {
    CBlockTable& otherStore = *GetOtherStore(store);
    // Newest first, so the oldest saved bytes of every address are the last
    // ones put back. Each step becomes one step of the other store; the older
    // ones get the higher numbers, so they are made again first.
    CDataBlock* pStep = nullptr;
    const CDataBlock* pStepBegin = nullptr;
    for (CDataBlock* pBlock = store.m_pHead; pBlock; pBlock = pBlock->m_pNext) {
        if (!pStepBegin || pStepBegin->m_nSequence != pBlock->m_nSequence) {
            pStepBegin = pBlock;
            pStep = nullptr;
        }
        RecordLayer(pBlock->m_nStart, pBlock->GetEnd(), otherStore, pStep);
        PutBackLayer(pBlock, pBlock->m_nStart, pBlock->GetEnd());
    }
    ClearTable(store);
    ClearTable(*GetRangeTable(store));
}

void CMemoryImage::RestoreRangeFully(uint32_t nAddress, uint32_t nLength, CBlockTable& store) {
    if (!IsInsideRange(nAddress, nLength)) return;
    CBlockTable& rangeTable = *GetRangeTable(store);
    const uint64_t nEnd = uint64_t(nAddress) + nLength;
    // Each pass takes back one more layer, or drops range entries that the
    // store no longer backs, so the loop ends.
    while (store.m_nCount > 0) {
        uint32_t nFirst = 0;
        uint32_t nLast = 0;
        if (NextRun(-1, nAddress, nFirst, nLast, rangeTable) == -1 || nFirst >= nEnd) break;
        RestoreRange(nFirst, uint32_t(nEnd - 1), store);
        nAddress = nFirst;
    }
}

void CMemoryImage::UndoByte(uint32_t nAddress) {
    if (nAddress < GetRangeEnd()) UndoRange(nAddress, 1);
}

void CMemoryImage::UndoLastStep() {
    TakeBackLastStep(m_undoStore);
}

void CMemoryImage::UndoRange(uint32_t nAddress, uint32_t nLength) {
    if (IsInsideRange(nAddress, nLength)) RestoreRange(nAddress, nAddress + nLength - 1, m_undoStore);
}

void CMemoryImage::UndoAll() {
    TakeBackAll(m_undoStore);
}

void CMemoryImage::UndoRangeFully(uint32_t nAddress, uint32_t nLength) {
    RestoreRangeFully(nAddress, nLength, m_undoStore);
}

void CMemoryImage::DropUndoLayer(uint32_t nAddress, uint32_t nLength) {
    if (!IsInsideRange(nAddress, nLength)) return;
    const uint32_t nLast = nAddress + nLength - 1;
    RemoveVisibleRange(nAddress, nLast, m_undoStore);
    RebuildRanges(nAddress, nLast, m_undoStore, m_undoRangeTable);
}

void CMemoryImage::DiscardUndoRange(uint32_t nAddress, uint32_t nLength) {
    if (!IsInsideRange(nAddress, nLength)) return;
    const uint32_t nLast = nAddress + nLength - 1;
    RemoveRange(nAddress, nLast, m_undoStore);
    RebuildRanges(nAddress, nLast, m_undoStore, m_undoRangeTable);
}

int CMemoryImage::NextUndoArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast) {
    return NextRun(nIndex, nAddress, nFirst, nLast, m_undoRangeTable);
}

void CMemoryImage::ClearHistory() {
    ClearTable(m_undoStore);
    ClearTable(m_redoStore);
    ClearTable(m_undoRangeTable);
    ClearTable(m_redoRangeTable);
}

int CMemoryImage::HasHistory() {
    return m_undoStore.m_nCount > 0 || m_redoStore.m_nCount > 0 ? 1 : 0;
}

void CMemoryImage::RedoByte(uint32_t nAddress) {
    if (nAddress < GetRangeEnd()) RedoRange(nAddress, 1);
}

void CMemoryImage::RedoLastStep() {
    TakeBackLastStep(m_redoStore);
}

void CMemoryImage::RedoRange(uint32_t nAddress, uint32_t nLength) {
    if (IsInsideRange(nAddress, nLength)) RestoreRange(nAddress, nAddress + nLength - 1, m_redoStore);
}

void CMemoryImage::RedoAll() {
    TakeBackAll(m_redoStore);
}

void CMemoryImage::RedoRangeFully(uint32_t nAddress, uint32_t nLength) {
    RestoreRangeFully(nAddress, nLength, m_redoStore);
}

void CMemoryImage::DropRedoLayer(uint32_t nAddress, uint32_t nLength) {
    if (!IsInsideRange(nAddress, nLength)) return;
    const uint32_t nLast = nAddress + nLength - 1;
    RemoveVisibleRange(nAddress, nLast, m_redoStore);
    RebuildRanges(nAddress, nLast, m_redoStore, m_redoRangeTable);
}

void CMemoryImage::DiscardRedoRange(uint32_t nAddress, uint32_t nLength) {
    if (!IsInsideRange(nAddress, nLength)) return;
    const uint32_t nLast = nAddress + nLength - 1;
    RemoveRange(nAddress, nLast, m_redoStore);
    RebuildRanges(nAddress, nLast, m_redoStore, m_redoRangeTable);
}

int CMemoryImage::NextRedoArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast) {
    return NextRun(nIndex, nAddress, nFirst, nLast, m_redoRangeTable);
}

void CMemoryImage::RevertChanges() {
    // Like UndoAll, newest first, but nothing is recorded for redo; the marks
    // of the ranges taken back go too.
    for (CDataBlock* pBlock = m_undoStore.m_pHead; pBlock; pBlock = pBlock->m_pNext) {
        PutBackLayer(pBlock, pBlock->m_nStart, pBlock->GetEnd());
        RemoveRange(pBlock->m_nStart, pBlock->GetEnd(), m_markTable);
    }
    ClearTable(m_undoStore);
    ClearTable(m_undoRangeTable);
}
