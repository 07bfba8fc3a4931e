#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CDataBlock;

// Where a memory image keeps its blocks and their bytes: chunks of memory of
// its own (host/page_memory.h), freed with the image, so that building an
// image of tens of thousands of blocks costs few page faults and no header
// per allocation. Blocks take slots of one size, which are reused; bytes are
// laid out one after another in a chunk, and a chunk goes back to the system
// once none of its bytes is in use. Bytes longer than kMaxChunkBytes come
// from the free store, and so does everything when no chunk can be had.
//
// The heap alone knows where a block and its bytes came from and keeps the
// accounting; a block holds its bytes' pointer and whether the heap made it.
// Under AddressSanitizer whatever a chunk does not hand out is off-limits,
// so that a use after free or an overrun inside a chunk is reported.
class CImageHeap {
public:
    CImageHeap() = default;
    ~CImageHeap();
    CImageHeap(const CImageHeap&) = delete;
    CImageHeap& operator=(const CImageHeap&) = delete;

    // A block constructed in a slot of the heap, or from the free store when
    // the system has no chunk to give.
    CDataBlock* NewBlock(uint32_t nStart, uint32_t nLength);
    // Destroys a block that NewBlock made and frees its slot.
    void DeleteBlock(CDataBlock* pBlock);

    // The bytes of a block, for CDataBlock alone: nLength bytes, from the
    // chunks of the heap that made the block where they fit.
    static uint8_t* NewBytes(const CDataBlock& block, uint32_t nLength);
    static void FreeBytes(const CDataBlock& block, uint8_t* pBytes);
    // Keeps nLength (at least 1) of the block's m_nLength bytes at pBytes,
    // from nSkip on, and returns where they are now: in place while they
    // fill at least half of their allocation, else moved to one of their own
    // size, so that a block narrowed a little at a time is copied a bounded
    // number of times over.
    static uint8_t* NarrowBytes(const CDataBlock& block, uint8_t* pBytes, uint32_t nSkip, uint32_t nLength);

    static constexpr uint32_t kMaxChunkBytes = 64 * 1024;

    // The chunks the heap holds from the system.
    size_t CountChunks() const { return m_chunks.size(); }
    // Whether every block of the heap and all of their bytes lie in its
    // chunks: an image can then be destroyed by dropping the chunks, without
    // reading each block.
    bool HoldsEverything() const { return m_nFromFreeStore == 0; }

private:
    struct CChunk;
    struct CFreeSlot;

    // The heap that made the block; null for a block of the free store.
    static CImageHeap* OfBlock(const CDataBlock& block);
    CChunk* NewChunk();
    void ReleaseChunk(CChunk* pChunk);
    // The chunk that would hold p, were p in a chunk.
    static CChunk* ChunkAt(const void* p);
    // The chunk of the heap that holds p, or null; p is not read.
    CChunk* FindChunk(const void* p) const;
    uint8_t* AllocateInChunk(uint32_t nBytes);
    void FreeInChunk(CChunk* pChunk, uint8_t* pAllocation, size_t nBytes);

    // Sorted by address.
    std::vector<CChunk*> m_chunks;
    CFreeSlot* m_pFreeSlots = nullptr;
    // Where new slots and new bytes are cut from.
    CChunk* m_pSlotChunk = nullptr;
    CChunk* m_pByteChunk = nullptr;
    // Blocks and byte allocations of the heap that came from the free store.
    int64_t m_nFromFreeStore = 0;
};
