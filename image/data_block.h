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
    // block. The bytes kept stay where they are while they fill at least half
    // of their allocation, and move to one of their own size after that: a
    // block narrowed a little at a time, as when the pieces of a long write
    // are taken back one by one, is then copied a bounded number of times
    // over, not once per step.
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

    // nLength bytes for the block, preceded by their allocation's header:
    // from its image's heap when the heap made the block and has room, else
    // from the free store.
    uint8_t* NewBytes(uint32_t nLength, bool& bFromFreeStore);
    void AllocateBytes();
    void FreeBytes();

    // Made by its image's heap (CImageHeap::NewBlock).
    bool m_bInHeap = false;
    // m_pData lies in an allocation of the free store, not of the heap.
    bool m_bBytesFromFreeStore = false;
};
