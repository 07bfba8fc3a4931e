#pragma once

#include <cstdint>

// One stretch of addresses in a block table. Its bytes are allocated (and
// filled with the erased value 0xFF) only when they are first asked for, so the
// blocks of the data-less tables never hold memory.
class CDataBlock {
public:
    CDataBlock(uint32_t nStart, uint32_t nLength);
    virtual ~CDataBlock();

    CDataBlock(const CDataBlock&) = delete;
    CDataBlock& operator=(const CDataBlock&) = delete;

    // The byte of `address`, or null when the block does not cover it.
    uint8_t* GetDataPointer(uint32_t address);
    // Copies `length` bytes to `address` when the block covers all of them.
    void SetData(uint32_t address, uint32_t length, const uint8_t* pSource);

    uint32_t m_nStart;
    uint32_t m_nLength;
    uint8_t* m_pData;
    CDataBlock* m_pPrev;
    CDataBlock* m_pNext;
    uint32_t m_nSequence;
};
