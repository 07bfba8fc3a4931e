#include "image/memory_image.h"

#include <algorithm>

#include "image/address_space.h"

std::unique_ptr<CMemoryImage> CMemoryImage::Create(int32_t nSize) {
    return std::unique_ptr<CMemoryImage>(new CMemoryImage(nSize));
}

CMemoryImage::CMemoryImage(int32_t nSize)
    : m_nGapThreshold(1),
      m_bUseGapThreshold(0),
      m_bAutoGrow(nSize <= 0 ? 1 : 0),
      m_nAlignment(1),
      m_nBase(0),
      m_nSize(nSize > 0 ? uint64_t(nSize) : 0),
      m_nMemoryUsed(0),
      m_bDataLost(0),
      m_bUndoIncomplete(0) {}

CMemoryImage::~CMemoryImage() {
    // What ClearAll would free all goes back with the heap's chunks; walking
    // the tables first would only read every block once more.
    if (m_heap.HoldsEverything()) return;
    ClearAll();
}

void CMemoryImage::ClearAll() {
    ClearTable(m_dataTable);
    ClearTable(m_markTable);
    ClearTable(m_undoStore);
    ClearTable(m_redoStore);
    ClearTable(m_undoRangeTable);
    ClearTable(m_redoRangeTable);
    OnDataChanged();
}

uint32_t CMemoryImage::GetMemoryUsed() {
    return m_nMemoryUsed;
}

int CMemoryImage::HasData() {
    return m_dataTable.m_nCount > 0 ? 1 : 0;
}

void CMemoryImage::OnDataChanged() {}

void CMemoryImage::SetAlignment(uint32_t n) {
    // Every rounding divides by the alignment, so 0 is refused.
    if (m_bAutoGrow && n != 0) m_nAlignment = n;
}

uint32_t CMemoryImage::GetAlignment() {
    return m_nAlignment;
}

int CMemoryImage::IsAutoGrow() {
    return m_bAutoGrow;
}

uint32_t CMemoryImage::GetBase() {
    return m_nBase;
}

uint64_t CMemoryImage::GetSize() {
    return m_nSize;
}

void CMemoryImage::SetBase(uint32_t nAddress) {
    const uint64_t nOldEnd = GetRangeEnd();
    const uint64_t nNewEnd = std::min(uint64_t(nAddress) + m_nSize, kAddressSpaceEnd);
    // Whatever falls outside the moved range is cut away exactly at its edges.
    uint64_t nCutFirst = 0;
    uint64_t nCutLast = 0;
    bool bCut = false;
    if (nAddress > m_nBase && m_nSize > 0) {
        nCutFirst = m_nBase;
        nCutLast = std::min(uint64_t(nAddress), nOldEnd) - 1;
        bCut = true;
    } else if (nAddress < m_nBase && nNewEnd < nOldEnd) {
        nCutFirst = std::max(nNewEnd, uint64_t(m_nBase));
        nCutLast = nOldEnd - 1;
        bCut = nCutFirst <= nCutLast;
    }
    if (bCut) {
        for (CBlockTable* pTable :
             {&m_dataTable, &m_markTable, &m_undoStore, &m_redoStore, &m_undoRangeTable, &m_redoRangeTable})
            RemoveRange(uint32_t(nCutFirst), uint32_t(nCutLast), *pTable);
    }
    m_nBase = nAddress;
    m_nSize = nNewEnd - nAddress;
}

void CMemoryImage::SetSize(uint32_t n) {
    const uint64_t nNewSize = std::min(RoundUpToAlignment(n), kAddressSpaceEnd - m_nBase);
    if (nNewSize < m_nSize) {
        const uint32_t nCutFirst = uint32_t(m_nBase + nNewSize);
        const uint32_t nCutLast = uint32_t(GetRangeEnd() - 1);
        for (CBlockTable* pTable :
             {&m_dataTable, &m_markTable, &m_undoStore, &m_redoStore, &m_undoRangeTable, &m_redoRangeTable})
            RemoveRange(nCutFirst, nCutLast, *pTable);
    }
    m_nSize = nNewSize;
}

uint64_t CMemoryImage::RoundUpToAlignment(uint64_t n) const {
    const uint64_t nAlignment = m_nAlignment;
    return (n + nAlignment - 1) / nAlignment * nAlignment;
}

void CMemoryImage::GrowRange(uint32_t nBase, uint64_t nEnd) {
    m_nBase = nBase;
    m_nSize = std::min(RoundUpToAlignment(nEnd - nBase), kAddressSpaceEnd - nBase);
}

bool CMemoryImage::IsInsideRange(uint32_t nAddress, uint32_t nLength) const {
    return nLength > 0 && uint64_t(nAddress) + nLength <= GetRangeEnd();
}

bool CMemoryImage::CarriesBytes(const CBlockTable& table) const {
    return &table == &m_dataTable || &table == &m_undoStore || &table == &m_redoStore;
}

bool CMemoryImage::MayOverlap(const CBlockTable& table) const {
    return &table == &m_undoStore || &table == &m_redoStore;
}

CBlockTable* CMemoryImage::GetOtherStore(const CBlockTable& store) {
    if (&store == &m_undoStore) return &m_redoStore;
    if (&store == &m_redoStore) return &m_undoStore;
    return nullptr;
}

CBlockTable* CMemoryImage::GetRangeTable(const CBlockTable& store) {
    if (&store == &m_undoStore) return &m_undoRangeTable;
    if (&store == &m_redoStore) return &m_redoRangeTable;
    return nullptr;
}
