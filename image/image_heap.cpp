#include "image/image_heap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "host/page_memory.h"
#include "image/data_block.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVELT_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KORVELT_ADDRESS_SANITIZER 1
#endif

#if defined(KORVELT_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
// Bytes that follow one another in a chunk are kept apart, so that an
// overrun of one block's bytes lands off-limits, not in the next block's.
constexpr size_t kRedZone = 16;
#else
constexpr size_t kRedZone = 0;
#define ASAN_POISON_MEMORY_REGION(p, n) ((void)(p), (void)(n))
#define ASAN_UNPOISON_MEMORY_REGION(p, n) ((void)(p), (void)(n))
#endif

struct CImageHeap::CChunk {
    CImageHeap* pHeap;
    // Bytes cut from the chunk so far, this header included.
    size_t nUsed;
    // Byte chunks: the allocations handed out and not given back yet.
    size_t nLive;
};

// A slot whose block was deleted, waiting for the next block.
struct CImageHeap::CFreeSlot {
    CFreeSlot* pNext;
};

namespace {

constexpr size_t RoundUp(size_t n, size_t nAlignment) { return (n + nAlignment - 1) / nAlignment * nAlignment; }

constexpr size_t kChunkHeaderSize = RoundUp(sizeof(void*) + 2 * sizeof(size_t), 16);
constexpr size_t kSlotSize = RoundUp(sizeof(CDataBlock), alignof(CDataBlock));

// Stands right before a block's bytes, wherever narrowing has moved them:
// from it the heap finds their allocation and its size without a pointer and
// a length in the block, which would make every block 16 bytes larger, also
// the many that never hold bytes.
struct CByteHeader {
    // From the first byte after the allocation's header to the bytes.
    uint32_t nOffset;
    // The bytes after the header.
    uint32_t nAllocated;
};
constexpr uint32_t kByteHeaderSize = sizeof(CByteHeader);

CByteHeader HeaderOf(const uint8_t* pBytes) {
    CByteHeader header;
    std::memcpy(&header, pBytes - kByteHeaderSize, kByteHeaderSize);
    return header;
}

void PutHeader(uint8_t* pBytes, const CByteHeader& header) {
    std::memcpy(pBytes - kByteHeaderSize, &header, kByteHeaderSize);
}

uint8_t* AllocationOf(uint8_t* pBytes) {
    return pBytes - HeaderOf(pBytes).nOffset - kByteHeaderSize;
}

}  // namespace

// The chunks go without a look at the blocks in them: a block's destructor
// only frees bytes, which go with the chunks too, unless the free store gave
// them (HoldsEverything).
CImageHeap::~CImageHeap() {
    for (CChunk* pChunk : m_chunks) {
        ASAN_UNPOISON_MEMORY_REGION(pChunk, kPageChunkSize);
        UnmapPageChunk(pChunk);
    }
}

CImageHeap::CChunk* CImageHeap::NewChunk() {
    void* const pMemory = MapPageChunk();
    if (!pMemory) return nullptr;
    CChunk* const pChunk = new (pMemory) CChunk{this, kChunkHeaderSize, 0};
    ASAN_POISON_MEMORY_REGION(reinterpret_cast<uint8_t*>(pChunk) + kChunkHeaderSize,
                              kPageChunkSize - kChunkHeaderSize);
    m_chunks.insert(std::upper_bound(m_chunks.begin(), m_chunks.end(), pChunk), pChunk);
    return pChunk;
}

void CImageHeap::ReleaseChunk(CChunk* pChunk) {
    m_chunks.erase(std::lower_bound(m_chunks.begin(), m_chunks.end(), pChunk));
    ASAN_UNPOISON_MEMORY_REGION(pChunk, kPageChunkSize);
    UnmapPageChunk(pChunk);
}

CImageHeap::CChunk* CImageHeap::ChunkAt(const void* p) {
    // Chunks are aligned to their size, so the chunk that would hold p is
    // known without reading anything.
    return reinterpret_cast<CChunk*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kPageChunkSize - 1));
}

CImageHeap::CChunk* CImageHeap::FindChunk(const void* p) const {
    CChunk* const pChunk = ChunkAt(p);
    return std::binary_search(m_chunks.begin(), m_chunks.end(), pChunk) ? pChunk : nullptr;
}

CImageHeap* CImageHeap::OfBlock(const CDataBlock& block) {
    return block.m_bInHeap ? ChunkAt(&block)->pHeap : nullptr;
}

CDataBlock* CImageHeap::NewBlock(uint32_t nStart, uint32_t nLength) {
    static_assert(sizeof(CFreeSlot) <= kSlotSize, "a free slot fits where a block was");
    void* pSlot = m_pFreeSlots;
    if (pSlot) {
        ASAN_UNPOISON_MEMORY_REGION(pSlot, kSlotSize);
        m_pFreeSlots = m_pFreeSlots->pNext;
    } else {
        if (!m_pSlotChunk || m_pSlotChunk->nUsed + kSlotSize > kPageChunkSize) m_pSlotChunk = NewChunk();
        if (!m_pSlotChunk) {
            ++m_nFromFreeStore;
            return new CDataBlock(nStart, nLength);
        }
        pSlot = reinterpret_cast<uint8_t*>(m_pSlotChunk) + m_pSlotChunk->nUsed;
        m_pSlotChunk->nUsed += kSlotSize;
        ASAN_UNPOISON_MEMORY_REGION(pSlot, kSlotSize);
    }
    CDataBlock* const pBlock = new (pSlot) CDataBlock(nStart, nLength);
    pBlock->m_bInHeap = true;
    return pBlock;
}

void CImageHeap::DeleteBlock(CDataBlock* pBlock) {
    if (!pBlock->m_bInHeap) {
        --m_nFromFreeStore;
        delete pBlock;
        return;
    }
    pBlock->~CDataBlock();
    m_pFreeSlots = new (pBlock) CFreeSlot{m_pFreeSlots};
    ASAN_POISON_MEMORY_REGION(pBlock, kSlotSize);
}

uint8_t* CImageHeap::AllocateInChunk(uint32_t nBytes) {
    // A chunk left behind still holds bytes (one whose last bytes are freed
    // starts over), and goes back once they are freed.
    if (!m_pByteChunk || m_pByteChunk->nUsed + nBytes + kRedZone > kPageChunkSize) {
        m_pByteChunk = NewChunk();
        if (!m_pByteChunk) return nullptr;
    }
    uint8_t* const pAllocation = reinterpret_cast<uint8_t*>(m_pByteChunk) + m_pByteChunk->nUsed;
    m_pByteChunk->nUsed += nBytes + kRedZone;
    ++m_pByteChunk->nLive;
    ASAN_UNPOISON_MEMORY_REGION(pAllocation, nBytes);
    return pAllocation;
}

void CImageHeap::FreeInChunk(CChunk* pChunk, uint8_t* pAllocation, size_t nBytes) {
    ASAN_POISON_MEMORY_REGION(pAllocation, nBytes);
    if (--pChunk->nLive > 0) return;
    if (pChunk == m_pByteChunk)
        pChunk->nUsed = kChunkHeaderSize;
    else
        ReleaseChunk(pChunk);
}

uint8_t* CImageHeap::NewBytes(const CDataBlock& block, uint32_t nLength) {
    CImageHeap* const pHeap = OfBlock(block);
    uint8_t* pAllocation = nullptr;
    if (pHeap && nLength <= kMaxChunkBytes - kByteHeaderSize) pAllocation = pHeap->AllocateInChunk(nLength + kByteHeaderSize);
    if (!pAllocation) {
        // With the header, the bytes of a block of nearly 4 GiB would not fit
        // a 32-bit size: refused as any allocation beyond the system's.
        if (sizeof(size_t) <= sizeof(uint32_t) && nLength > UINT32_MAX - kByteHeaderSize) throw std::bad_alloc();
        pAllocation = new uint8_t[size_t{nLength} + kByteHeaderSize];
        if (pHeap) ++pHeap->m_nFromFreeStore;
    }
    uint8_t* const pBytes = pAllocation + kByteHeaderSize;
    PutHeader(pBytes, {0, nLength});
    return pBytes;
}

void CImageHeap::FreeBytes(const CDataBlock& block, uint8_t* pBytes) {
    CImageHeap* const pHeap = OfBlock(block);
    uint8_t* const pAllocation = AllocationOf(pBytes);
    if (CChunk* const pChunk = pHeap ? pHeap->FindChunk(pAllocation) : nullptr) {
        pHeap->FreeInChunk(pChunk, pAllocation, kByteHeaderSize + HeaderOf(pBytes).nAllocated);
        return;
    }
    delete[] pAllocation;
    if (pHeap) --pHeap->m_nFromFreeStore;
}

uint8_t* CImageHeap::NarrowBytes(const CDataBlock& block, uint8_t* pBytes, uint32_t nSkip, uint32_t nLength) {
    uint8_t* const pKept = pBytes + nSkip;
    CByteHeader header = HeaderOf(pBytes);
    if (nLength < header.nAllocated / 2) {
        uint8_t* const pMoved = NewBytes(block, nLength);
        std::memcpy(pMoved, pKept, nLength);
        FreeBytes(block, pBytes);
        return pMoved;
    }
    // The header moves along, over bytes that are no longer kept, and what
    // is no longer kept is off-limits.
    header.nOffset += nSkip;
    PutHeader(pKept, header);
    ASAN_POISON_MEMORY_REGION(pBytes - kByteHeaderSize, nSkip);
    ASAN_POISON_MEMORY_REGION(pKept + nLength, block.m_nLength - nSkip - nLength);
    return pKept;
}
