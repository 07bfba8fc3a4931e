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
    delete[] m_pData;
}

void CDataBlock::AllocateBytes() {
    if (m_pData) return;
    m_pData = new uint8_t[m_nLength];
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
        m_pData = new uint8_t[m_nLength];
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
        uint8_t* pKept = new uint8_t[nLength];
        std::memcpy(pKept, m_pData + (nStart - m_nStart), nLength);
        delete[] m_pData;
        m_pData = pKept;
    }
    m_nStart = nStart;
    m_nLength = nLength;
}
