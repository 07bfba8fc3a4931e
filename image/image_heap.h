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
// from the free store.
class CImageHeap {
public:
    CImageHeap() = default;
    ~CImageHeap();
    CImageHeap(const CImageHeap&) = delete;
    CImageHeap& operator=(const CImageHeap&) = delete;

    // A block constructed in a slot of the heap, or null when the system has
    // no memory to give.
    CDataBlock* NewBlock(uint32_t nStart, uint32_t nLength);
    // Destroys a block that NewBlock made and frees its slot.
    void DeleteBlock(CDataBlock* pBlock);

    static constexpr uint32_t kMaxChunkBytes = 64 * 1024;
    // The heap of a block that NewBlock made.
    static CImageHeap& OfBlock(const CDataBlock* pBlock);
    // nLength bytes (at most kMaxChunkBytes) for a block of this heap; null
    // when no chunk can be had.
    uint8_t* AllocateBytes(uint32_t nLength);
    // Gives back bytes that AllocateBytes handed out; pInside is any pointer
    // into them.
    void FreeBytes(const uint8_t* pInside);

    // The chunks the heap holds from the system.
    size_t CountChunks() const { return m_chunks.size(); }

    // Blocks of this heap's image and their bytes that came from the free
    // store, which only destroying the block gives back: counted so that an
    // image whose every block and byte lies in the chunks can be destroyed
    // by dropping the chunks, without reading each block.
    void NoteFromFreeStore(int nChange) { m_nFromFreeStore += nChange; }
    bool HoldsEverything() const { return m_nFromFreeStore == 0; }

private:
    struct CChunk;
    CChunk* NewChunk();
    void ReleaseChunk(CChunk* pChunk);
    static CChunk* ChunkOf(const void* p);

    std::vector<CChunk*> m_chunks;
    // Freed block slots, linked through their first bytes.
    void* m_pFreeSlots = nullptr;
    // Where new slots and new bytes are cut from.
    CChunk* m_pSlotChunk = nullptr;
    CChunk* m_pByteChunk = nullptr;
    int64_t m_nFromFreeStore = 0;
};
