// The image's own heap: block slots are reused, and a chunk of bytes goes back
// to the system once none of its bytes is in use.
#include "image/image_heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/page_memory.h"
#include "image/data_block.h"

namespace {

TEST(ImageHeapTest, AFreedSlotTakesTheNextBlock) {
    CImageHeap heap;
    CDataBlock* pFirst = heap.NewBlock(0x100, 16);
    CDataBlock* pSecond = heap.NewBlock(0x200, 16);
    heap.DeleteBlock(pFirst);
    CDataBlock* pThird = heap.NewBlock(0x300, 16);
    const bool bInChunks = heap.CountChunks() > 0;
    if (bInChunks) {
        EXPECT_EQ(pFirst, pThird);
    }
    EXPECT_EQ(0x300u, pThird->m_nStart);
    heap.DeleteBlock(pSecond);
    heap.DeleteBlock(pThird);
    if (!bInChunks) GTEST_SKIP() << "no chunks here: blocks come from the free store";
}

TEST(ImageHeapTest, AChunkWhoseBytesAreAllFreedGoesBack) {
    CImageHeap heap;
    const uint32_t nPiece = CImageHeap::kMaxChunkBytes;
    std::vector<uint8_t*> pieces;
    for (size_t nBytes = 0; nBytes < kPageChunkSize + nPiece; nBytes += nPiece) {
        uint8_t* pBytes = heap.AllocateBytes(nPiece);
        if (!pBytes) GTEST_SKIP() << "no chunks here: bytes come from the free store";
        pBytes[0] = pBytes[nPiece - 1] = 0x5A;
        pieces.push_back(pBytes);
    }
    ASSERT_EQ(2u, heap.CountChunks());
    const uintptr_t nFirstChunk = reinterpret_cast<uintptr_t>(pieces[0]) & ~uintptr_t(kPageChunkSize - 1);
    size_t nInFirst = 0;
    while (reinterpret_cast<uintptr_t>(pieces[nInFirst]) - nFirstChunk < kPageChunkSize) ++nInFirst;
    for (size_t i = 0; i + 1 < nInFirst; ++i) heap.FreeBytes(pieces[i] + 1, nPiece);
    EXPECT_EQ(2u, heap.CountChunks()) << "the first chunk still holds a piece";
    heap.FreeBytes(pieces[nInFirst - 1], nPiece);
    EXPECT_EQ(1u, heap.CountChunks());
    EXPECT_EQ(0x5A, pieces.back()[nPiece - 1]);
    EXPECT_EQ(nullptr, heap.AllocateBytes(nPiece + 1)) << "longer bytes come from the free store";
}

}  // namespace
