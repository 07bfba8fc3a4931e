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

    // The last address that the block covers.
    uint32_t GetEnd() const { return m_nStart + m_nLength - 1; }
    // Keeps only [nStart, nStart + nLength - 1], which must lie inside the
    // block and hold at least one address: an empty block would break the
    // searches that find blocks by their end. The bytes kept stay where they
    // are or move (CImageHeap::NarrowBytes).
    void Narrow(uint32_t nStart, uint32_t nLength);

    uint32_t m_nStart;
    uint32_t m_nLength;
    uint8_t* m_pData;
    CDataBlock* m_pPrev;
    CDataBlock* m_pNext;
    uint32_t m_nSequence;
    // A history block that saved addresses which held no data: putting it back
    // erases them instead of storing 0xFF bytes, so that a short run that was a
    // gap does not come back as stored data. It never allocates bytes.
    bool m_bGap;

private:
    friend class CImageHeap;

    void AllocateBytes();

    // Made by its image's heap (CImageHeap::NewBlock), which then also
    // gives and takes back its bytes.
    bool m_bInHeap = false;
};
