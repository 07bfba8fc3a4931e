// The image's own heap: block slots are reused, and a chunk of bytes goes back
// to the system once none of its bytes is in use.
#include "image/image_heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/page_memory.h"
#include "image/data_block.h"
#include "image/memory_image.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
    for (size_t i = 0; i + 1 < nInFirst; ++i) heap.FreeBytes(pieces[i] + 1);
    EXPECT_EQ(2u, heap.CountChunks()) << "the first chunk still holds a piece";
    heap.FreeBytes(pieces[nInFirst - 1]);
    EXPECT_EQ(1u, heap.CountChunks());
    EXPECT_EQ(0x5A, pieces.back()[nPiece - 1]);
    EXPECT_EQ(nullptr, heap.AllocateBytes(nPiece + 1)) << "longer bytes come from the free store";
}

// A block finds the allocation of its bytes from m_pData alone, also after
// narrowing has moved m_pData into it: every byte must stay at its address,
// and every allocation must go back whole, from the heap and from the free
// store alike.
TEST(ImageHeapTest, NarrowedBytesKeepTheirAddressesAndGoBackWhole) {
    CImageHeap heap;
    for (const uint32_t nLength : {1000u, CImageHeap::kMaxChunkBytes + 1}) {
        CDataBlock* pBlock = heap.NewBlock(0x1000, nLength);
        std::vector<uint8_t> bytes(nLength);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 3);
        pBlock->SetData(0x1000, nLength, bytes.data());
        const uint32_t nStep = nLength / 50;
        for (int nRound = 0; pBlock->m_nLength > nStep; ++nRound) {
            const bool bFromFront = nRound % 3 != 2;
            pBlock->Narrow(bFromFront ? pBlock->m_nStart + nStep : pBlock->m_nStart, pBlock->m_nLength - nStep);
            for (uint32_t a = pBlock->m_nStart; a <= pBlock->GetEnd(); ++a)
                ASSERT_EQ(bytes[a - 0x1000], *pBlock->GetDataPointer(a)) << "length " << nLength << ", address " << a;
        }
        heap.DeleteBlock(pBlock);
    }
    if (heap.CountChunks() == 0) GTEST_SKIP() << "no chunks here: blocks come from the free store";

    // Bytes over three chunks, narrowed in place or moved, then all freed:
    // only the chunk of block slots and the chunk that bytes are cut from
    // remain.
    const uint32_t nLength = CImageHeap::kMaxChunkBytes - 1024;
    std::vector<CDataBlock*> blocks;
    for (size_t nBytes = 0; nBytes < 2 * kPageChunkSize + nLength; nBytes += nLength) {
        CDataBlock* pBlock = heap.NewBlock(0, nLength);
        pBlock->GetDataPointer(0);
        pBlock->Narrow(blocks.size() % 2 ? 100 : nLength - 100, blocks.size() % 2 ? nLength - 100 : 100);
        blocks.push_back(pBlock);
    }
    EXPECT_LE(4u, heap.CountChunks());
    for (CDataBlock* pBlock : blocks) heap.DeleteBlock(pBlock);
    EXPECT_EQ(2u, heap.CountChunks());
}

#if defined(__GLIBC__)
// An image destroyed while its blocks' bytes all lie in the heap's chunks
// goes with the chunks, without a walk over its blocks; bytes too long for a
// chunk come from the free store, and must still be freed one by one.
TEST(ImageHeapTest, DestroyingAnImageFreesWhatTheFreeStoreGaveItsBlocks) {
    if (CImageHeap().AllocateBytes(1) == nullptr) GTEST_SKIP() << "no chunks here: blocks come from the free store";
    const auto inUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    const std::vector<uint8_t> longData(2 * CImageHeap::kMaxChunkBytes, 0x11);
    const std::vector<uint8_t> shortData(64, 0x22);
    const auto useAnImage = [&] {
        std::unique_ptr<CMemoryImage> pImage = CMemoryImage::Create(0);
        pImage->WriteBytes(0x100000, shortData.data(), static_cast<int32_t>(shortData.size()));
        pImage->WriteBytes(0, longData.data(), static_cast<int32_t>(longData.size()));
        pImage->UndoLastStep();
        pImage->RedoLastStep();
    };
    // The first use sets up what lives as long as the program.
    useAnImage();
    const size_t nBefore = inUse();
    useAnImage();
    EXPECT_EQ(nBefore, inUse());
}
#endif

}  // namespace
