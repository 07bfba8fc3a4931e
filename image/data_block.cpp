#include "image/data_block.h"

#include <cstring>

CDataBlock::CDataBlock(uint32_t nStart, uint32_t nLength)
    : m_nStart(nStart),
      m_nLength(nLength),
      m_pData(nullptr),
      m_pPrev(nullptr),
      m_pNext(nullptr),
      m_nSequence(0),
      m_bGap(0) {}

CDataBlock::~CDataBlock() {
    delete[] m_pAllocation;
}

void CDataBlock::AdoptAllocation(uint8_t* pAllocation, uint32_t nAllocated) {
    delete[] m_pAllocation;
    m_pAllocation = pAllocation;
    m_nAllocated = nAllocated;
    m_pData = pAllocation;
}

void CDataBlock::AllocateBytes() {
    if (m_pData) return;
    AdoptAllocation(new uint8_t[m_nLength], m_nLength);
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
        AdoptAllocation(new uint8_t[m_nLength], m_nLength);
        std::memcpy(m_pData, pSource, length);
        return;
    }
    AllocateBytes();
    if (address < m_nStart || uint64_t(address) + length > uint64_t(m_nStart) + m_nLength) return;
    if (length == 0 || !pSource) return;
    std::memmove(m_pData + (address - m_nStart), pSource, length);
}

void CDataBlock::Narrow(uint32_t nStart, uint32_t nLength) {
    if (m_pData) {
        uint8_t* const pKept = m_pData + (nStart - m_nStart);
        if (nLength >= m_nAllocated / 2) {
            m_pData = pKept;
        } else {
            uint8_t* const pMoved = new uint8_t[nLength];
            std::memcpy(pMoved, pKept, nLength);
            AdoptAllocation(pMoved, nLength);
        }
    }
    m_nStart = nStart;
    m_nLength = nLength;
}
