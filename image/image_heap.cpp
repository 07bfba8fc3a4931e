#include "image/image_heap.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "host/page_memory.h"
#include "image/data_block.h"

struct CImageHeap::CChunk {
    CImageHeap* pHeap;
    // Bytes cut from the chunk so far, this header included.
    size_t nUsed;
    // Byte chunks: the allocations handed out and not given back yet.
    size_t nLive;
};

namespace {

constexpr size_t RoundUp(size_t n, size_t nAlignment) { return (n + nAlignment - 1) / nAlignment * nAlignment; }

constexpr size_t kHeaderSize = RoundUp(sizeof(void*) + 2 * sizeof(size_t), 16);
constexpr size_t kSlotSize = RoundUp(sizeof(CDataBlock), alignof(CDataBlock));

}  // namespace

CImageHeap::~CImageHeap() {
    for (CChunk* pChunk : m_chunks) UnmapPageChunk(pChunk);
}

CImageHeap::CChunk* CImageHeap::NewChunk() {
    void* const pMemory = MapPageChunk();
    if (!pMemory) return nullptr;
    CChunk* const pChunk = new (pMemory) CChunk{this, kHeaderSize, 0};
    m_chunks.push_back(pChunk);
    return pChunk;
}

void CImageHeap::ReleaseChunk(CChunk* pChunk) {
    m_chunks.erase(std::find(m_chunks.begin(), m_chunks.end(), pChunk));
    UnmapPageChunk(pChunk);
}

CImageHeap::CChunk* CImageHeap::ChunkOf(const void* p) {
    return reinterpret_cast<CChunk*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kPageChunkSize - 1));
}

CImageHeap& CImageHeap::OfBlock(const CDataBlock* pBlock) {
    return *ChunkOf(pBlock)->pHeap;
}

CDataBlock* CImageHeap::NewBlock(uint32_t nStart, uint32_t nLength) {
    void* pSlot = m_pFreeSlots;
    if (pSlot) {
        m_pFreeSlots = *static_cast<void**>(pSlot);
    } else {
        if (!m_pSlotChunk || m_pSlotChunk->nUsed + kSlotSize > kPageChunkSize) m_pSlotChunk = NewChunk();
        // Without a chunk the block comes from the free store, and so do its
        // bytes.
        if (!m_pSlotChunk) {
            NoteFromFreeStore(+1);
            return new CDataBlock(nStart, nLength);
        }
        pSlot = reinterpret_cast<uint8_t*>(m_pSlotChunk) + m_pSlotChunk->nUsed;
        m_pSlotChunk->nUsed += kSlotSize;
    }
    CDataBlock* const pBlock = new (pSlot) CDataBlock(nStart, nLength);
    pBlock->m_bInHeap = true;
    return pBlock;
}

void CImageHeap::DeleteBlock(CDataBlock* pBlock) {
    if (!pBlock->m_bInHeap) {
        NoteFromFreeStore(-1);
        delete pBlock;
        return;
    }
    pBlock->~CDataBlock();
    *reinterpret_cast<void**>(pBlock) = m_pFreeSlots;
    m_pFreeSlots = pBlock;
}

uint8_t* CImageHeap::AllocateBytes(uint32_t nLength) {
    if (nLength == 0 || nLength > kMaxChunkBytes) return nullptr;
    if (!m_pByteChunk || m_pByteChunk->nUsed + nLength > kPageChunkSize) {
        // The chunk left behind goes back once its last bytes do.
        if (m_pByteChunk && m_pByteChunk->nLive == 0) ReleaseChunk(m_pByteChunk);
        m_pByteChunk = NewChunk();
        if (!m_pByteChunk) return nullptr;
    }
    uint8_t* const pBytes = reinterpret_cast<uint8_t*>(m_pByteChunk) + m_pByteChunk->nUsed;
    m_pByteChunk->nUsed += nLength;
    ++m_pByteChunk->nLive;
    return pBytes;
}

void CImageHeap::FreeBytes(const uint8_t* pInside) {
    CChunk* const pChunk = ChunkOf(pInside);
    --pChunk->nLive;
    if (pChunk->nLive > 0) return;
    if (pChunk == m_pByteChunk)
        pChunk->nUsed = kHeaderSize;
    else
        ReleaseChunk(pChunk);
}
