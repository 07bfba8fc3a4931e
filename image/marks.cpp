// The mark table: the ranges that WriteMarkedBytes wrote.
#include "image/memory_image.h"

void CMemoryImage::ClearMarks() {
    ClearTable(m_markTable);
}

void CMemoryImage::UnmarkRange(uint32_t nAddress, uint32_t nLength) {
    if (IsInsideRange(nAddress, nLength)) RemoveRange(nAddress, nAddress + nLength - 1, m_markTable);
}

int CMemoryImage::HasMarks() {
    return m_markTable.m_nCount > 0 ? 1 : 0;
}

int CMemoryImage::NextMarkedArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast) {
    return NextRun(nIndex, nAddress, nFirst, nLast, m_markTable);
}
