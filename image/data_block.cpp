#include "image/data_block.h"

#include <cassert>
#include <cstdint>
#include <cstring>

#include "image/image_heap.h"

CDataBlock::CDataBlock(uint32_t nStart, uint32_t nLength)
    : m_nStart(nStart),
      m_nLength(nLength),
      m_pData(nullptr),
      m_pPrev(nullptr),
      m_pNext(nullptr),
      m_nSequence(0),
      m_bGap(false) {}

CDataBlock::~CDataBlock() {
    if (m_pData) CImageHeap::FreeBytes(*this, m_pData);
}

// A loaded image is mostly blocks: four for every run of a file (data, mark,
// saved gap, undo range), most of them without bytes.
static_assert(sizeof(CDataBlock) <= 4 * sizeof(void*) + 16, "a block is its pointers and its numbers");

void CDataBlock::AllocateBytes() {
    if (m_pData) return;
    m_pData = CImageHeap::NewBytes(*this, m_nLength);
    std::memset(m_pData, 0xFF, m_nLength);
}

uint8_t* CDataBlock::GetDataPointer(uint32_t address) {
    AllocateBytes();
    if (address < m_nStart || address - m_nStart >= m_nLength) return nullptr;
    return m_pData + (address - m_nStart);
}

void CDataBlock::SetData(uint32_t address, uint32_t length, const uint8_t* pSource) {
    // Bytes that are about to be overwritten whole need no 0xFF fill first.
    if (!m_pData && address == m_nStart && length == m_nLength && length > 0 && pSource) {
        m_pData = CImageHeap::NewBytes(*this, m_nLength);
        std::memcpy(m_pData, pSource, length);
        return;
    }
    AllocateBytes();
    if (address < m_nStart || uint64_t(address) + length > uint64_t(m_nStart) + m_nLength) return;
    if (length == 0 || !pSource) return;
    std::memmove(m_pData + (address - m_nStart), pSource, length);
}

void CDataBlock::Narrow(uint32_t nStart, uint32_t nLength) {
    assert(nLength > 0 && nStart >= m_nStart && uint64_t(nStart) + nLength <= uint64_t(m_nStart) + m_nLength);
    if (m_pData) m_pData = CImageHeap::NarrowBytes(*this, m_pData, nStart - m_nStart, nLength);
    m_nStart = nStart;
    m_nLength = nLength;
}
