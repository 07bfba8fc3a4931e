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

// Blocks whose bytes take the most that a chunk hands out at once.
constexpr uint32_t kLongestInChunk = CImageHeap::kMaxChunkBytes - 8;

TEST(ImageHeapTest, AChunkWhoseBytesAreAllFreedGoesBack) {
    CImageHeap heap;
    std::vector<CDataBlock*> blocks;
    for (size_t nBytes = 0; nBytes < kPageChunkSize + kLongestInChunk; nBytes += kLongestInChunk) {
        CDataBlock* pBlock = heap.NewBlock(0, kLongestInChunk);
        *pBlock->GetDataPointer(0) = *pBlock->GetDataPointer(kLongestInChunk - 1) = 0x5A;
        blocks.push_back(pBlock);
    }
    if (heap.CountChunks() == 0) GTEST_SKIP() << "no chunks here: blocks come from the free store";
    ASSERT_EQ(3u, heap.CountChunks()) << "one of slots, two of bytes";
    const uintptr_t nFirstChunk = reinterpret_cast<uintptr_t>(blocks[0]->m_pData) & ~uintptr_t(kPageChunkSize - 1);
    size_t nInFirst = 0;
    while (reinterpret_cast<uintptr_t>(blocks[nInFirst]->m_pData) - nFirstChunk < kPageChunkSize) ++nInFirst;
    for (size_t i = 0; i + 1 < nInFirst; ++i) heap.DeleteBlock(blocks[i]);
    EXPECT_EQ(3u, heap.CountChunks()) << "the first chunk of bytes still holds some";
    heap.DeleteBlock(blocks[nInFirst - 1]);
    EXPECT_EQ(2u, heap.CountChunks());
    EXPECT_EQ(0x5A, *blocks.back()->GetDataPointer(kLongestInChunk - 1));
    for (size_t i = nInFirst; i < blocks.size(); ++i) heap.DeleteBlock(blocks[i]);
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

// The edges of what a chunk hands out, which the sanitizer preset guards:
// bytes that end at a chunk's last byte, narrowed from the front until one
// is left, and bytes too long for a chunk that move into one when narrowed.
TEST(ImageHeapTest, BytesAtTheEdgesOfAChunkNarrowAndMoveWhole) {
    CImageHeap heap;
    std::vector<CDataBlock*> blocks{heap.NewBlock(0, kLongestInChunk), heap.NewBlock(0, kLongestInChunk)};
    blocks[0]->GetDataPointer(0);
    blocks[1]->GetDataPointer(0);
    if (heap.CountChunks() == 0) GTEST_SKIP() << "no chunks here: blocks come from the free store";
    const uintptr_t nChunkEnd =
        (reinterpret_cast<uintptr_t>(blocks[0]->m_pData) & ~uintptr_t(kPageChunkSize - 1)) + kPageChunkSize;
    const auto endOf = [](const CDataBlock* pBlock) {
        return reinterpret_cast<uintptr_t>(pBlock->m_pData + pBlock->m_nLength);
    };
    // A header, and under the sanitizer a zone that is off-limits, lie
    // between the bytes of two blocks.
    const uintptr_t nSpacing = reinterpret_cast<uintptr_t>(blocks[1]->m_pData) - endOf(blocks[0]);
    const uintptr_t nRedZone = nSpacing - 8;
    while (nChunkEnd - endOf(blocks.back()) >= 2 * nSpacing + kLongestInChunk + nRedZone + 1) {
        blocks.push_back(heap.NewBlock(0, kLongestInChunk));
        blocks.back()->GetDataPointer(0);
    }
    CDataBlock* pLast =
        heap.NewBlock(0x1000, static_cast<uint32_t>(nChunkEnd - endOf(blocks.back()) - nSpacing - nRedZone));
    std::vector<uint8_t> bytes(pLast->m_nLength);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 13 + 1);
    pLast->SetData(0x1000, pLast->m_nLength, bytes.data());
    ASSERT_EQ(nChunkEnd - nRedZone, endOf(pLast));
    while (pLast->m_nLength > 1) {
        pLast->Narrow(pLast->m_nStart + pLast->m_nLength / 3 + 1, pLast->m_nLength - pLast->m_nLength / 3 - 1);
        for (uint32_t a = pLast->m_nStart; a <= pLast->GetEnd(); ++a)
            ASSERT_EQ(bytes[a - 0x1000], *pLast->GetDataPointer(a)) << "length " << pLast->m_nLength;
    }
    EXPECT_EQ(bytes.back(), *pLast->GetDataPointer(pLast->GetEnd()));
    blocks.push_back(pLast);

    CDataBlock* pLong = heap.NewBlock(0, 3 * CImageHeap::kMaxChunkBytes);
    pLong->GetDataPointer(0)[CImageHeap::kMaxChunkBytes + 7] = 0x42;
    EXPECT_FALSE(heap.HoldsEverything());
    pLong->Narrow(CImageHeap::kMaxChunkBytes + 7, 100);
    EXPECT_TRUE(heap.HoldsEverything()) << "narrowed bytes move into a chunk";
    EXPECT_EQ(0x42, *pLong->GetDataPointer(CImageHeap::kMaxChunkBytes + 7));
    blocks.push_back(pLong);
    for (CDataBlock* pBlock : blocks) heap.DeleteBlock(pBlock);
}

#if defined(__GLIBC__)
// An image destroyed while its blocks' bytes all lie in the heap's chunks
// goes with the chunks, without a walk over its blocks; bytes too long for a
// chunk come from the free store, and must still be freed one by one.
TEST(ImageHeapTest, DestroyingAnImageFreesWhatTheFreeStoreGaveItsBlocks) {
    {
        CImageHeap heap;
        heap.DeleteBlock(heap.NewBlock(0, 1));
        if (heap.CountChunks() == 0) GTEST_SKIP() << "no chunks here: blocks come from the free store";
    }
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
