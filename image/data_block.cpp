#include "image/data_block.h"

#include <cstring>

#include "image/image_heap.h"

CDataBlock::CDataBlock(uint32_t nStart, uint32_t nLength)
    : m_nStart(nStart),
      m_nLength(nLength),
      m_pData(nullptr),
      m_pPrev(nullptr),
      m_pNext(nullptr),
      m_nSequence(0),
      m_bGap(0) {}

CDataBlock::~CDataBlock() {
    FreeBytes();
}

uint8_t* CDataBlock::NewBytes(uint32_t nLength, bool& bFromHeap) {
    uint8_t* const pFromHeap = m_bInHeap ? CImageHeap::OfBlock(this).AllocateBytes(nLength) : nullptr;
    bFromHeap = pFromHeap != nullptr;
    return pFromHeap ? pFromHeap : new uint8_t[nLength];
}

void CDataBlock::AdoptAllocation(uint8_t* pAllocation, uint32_t nAllocated, bool bFromHeap) {
    FreeBytes();
    // Only bytes of the free store are remembered for delete[]; the heap
    // finds its own from any pointer into them.
    m_pAllocation = bFromHeap ? nullptr : pAllocation;
    m_nAllocated = nAllocated;
    m_pData = pAllocation;
}

void CDataBlock::FreeBytes() {
    if (m_pAllocation)
        delete[] m_pAllocation;
    else if (m_pData)
        CImageHeap::OfBlock(this).FreeBytes(m_pData, m_nAllocated);
    m_pAllocation = nullptr;
    m_pData = nullptr;
}

void CDataBlock::AllocateBytes() {
    if (m_pData) return;
    bool bFromHeap = false;
    uint8_t* const pBytes = NewBytes(m_nLength, bFromHeap);
    AdoptAllocation(pBytes, m_nLength, bFromHeap);
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
        bool bFromHeap = false;
        uint8_t* const pBytes = NewBytes(m_nLength, bFromHeap);
        AdoptAllocation(pBytes, m_nLength, bFromHeap);
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
            bool bFromHeap = false;
            uint8_t* const pMoved = NewBytes(nLength, bFromHeap);
            std::memcpy(pMoved, pKept, nLength);
            AdoptAllocation(pMoved, nLength, bFromHeap);
        }
    }
    m_nStart = nStart;
    m_nLength = nLength;
}
