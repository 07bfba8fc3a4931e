// Putting bytes into the image: writes with undo recording, and the stores
// into single tables under them.
#include <algorithm>
#include <vector>

#include "image/gap_rule.h"
#include "image/memory_image.h"

int CMemoryImage::WriteBytes(uint32_t nAddress, const uint8_t* pData, int32_t nLength) {
    CClippedWrite write;
    if (!ApplyRangeRules(nAddress, nLength, pData, write)) return 0;

    const CGapRule rule{m_bUseGapThreshold != 0, m_nGapThreshold};
    for (uint32_t nOffset = 0; nOffset < write.nLength;) {
        const CGapPiece piece = NextGapPiece(write.pData, write.nLength, nOffset, rule);
        const uint32_t nFirst = write.nAddress + nOffset;
        // Every piece, gap pieces included, is an undo step of its own.
        CDataBlock* pStep = nullptr;
        RecordLayer(nFirst, nFirst + piece.nLength - 1, m_undoStore, pStep);
        StoreBytes(nFirst, int32_t(piece.nLength), write.pData + nOffset, m_dataTable);
        nOffset += piece.nLength;
    }
    return write.bClipped ? 0 : 1;
}

int CMemoryImage::WriteMarkedBytes(uint32_t nAddress, int32_t nLength, const uint8_t* pData) {
    CClippedWrite write;
    if (!ApplyRangeRules(nAddress, nLength, pData, write)) return 0;

    WriteBytes(write.nAddress, write.pData, int32_t(write.nLength));
    const uint32_t nLast = write.nAddress + write.nLength - 1;
    RemoveRange(nAddress, nLast, m_markTable);
    CreateBlock(write.nAddress, write.nLength, m_markTable, nullptr);
    return write.bClipped ? 0 : 1;
}

int CMemoryImage::SetByte(uint32_t nAddress, uint8_t byte) {
    return WriteBytes(nAddress, &byte, 1);
}

void CMemoryImage::StoreBytes(uint32_t nAddress, int32_t nLength, const uint8_t* pData, CBlockTable& table) {
    if (!pData || nLength <= 0) return;
    // Stores never grow the range: what lies outside it is dropped.
    uint64_t nFirst = nAddress;
    uint64_t nEnd = uint64_t(nAddress) + uint64_t(nLength);
    if (nFirst < m_nBase) {
        pData += m_nBase - nFirst;
        nFirst = m_nBase;
    }
    nEnd = std::min(nEnd, GetRangeEnd());
    if (nEnd <= nFirst) return;
    const uint32_t nStart = uint32_t(nFirst);
    const uint32_t nStoreLength = uint32_t(nEnd - nFirst);

    if (&table == &m_dataTable) {
        StoreIntoData(nStart, nStoreLength, pData, kCutAtGaps);
    } else if (MayOverlap(table)) {
        CDataBlock* pBlock = CreateBlock(nStart, nStoreLength, table, nullptr);
        if (pBlock) pBlock->SetData(nStart, nStoreLength, pData);
    } else {
        AddRange(nStart, nStart + nStoreLength - 1, table);
    }
}

void CMemoryImage::StoreIntoData(uint32_t nAddress, uint32_t nLength, const uint8_t* pData, EStoreMode mode) {
    uint32_t nAreaFirst = 0;
    uint32_t nAreaLast = 0;
    // Only whether each piece lies inside the area matters, so the area is
    // followed no further than the end of the write.
    const uint32_t nWriteLast = nAddress + nLength - 1;
    const bool bInArea = NextRunUpTo(-1, nAddress, nWriteLast, nAreaFirst, nAreaLast, m_dataTable) != -1;
    RemoveRange(nAddress, nWriteLast, m_dataTable);

    const CGapRule rule{m_bUseGapThreshold != 0, m_nGapThreshold};
    bool bExtentChanged = false;
    for (uint32_t nOffset = 0; nOffset < nLength;) {
        const CGapPiece piece = mode == kCutAtGaps ? NextGapPiece(pData, nLength, nOffset, rule)
                                                   : CGapPiece{nLength, mode == kEraseAll};
        const uint32_t nFirst = nAddress + nOffset;
        const uint32_t nLast = nFirst + piece.nLength - 1;
        const bool bInsideArea = bInArea && nFirst >= nAreaFirst && nLast <= nAreaLast;
        if (piece.bGap) {
            if (bInsideArea) bExtentChanged = true;
        } else {
            if (!bInsideArea) bExtentChanged = true;
            CDataBlock* pBlock = CreateBlock(nFirst, piece.nLength, m_dataTable, nullptr);
            if (pBlock) pBlock->SetData(nFirst, piece.nLength, pData + nOffset);
        }
        nOffset += piece.nLength;
    }
    if (bExtentChanged) OnDataChanged();
}
