// The table primitives on which every other operation rests: searches, runs,
// counting, block creation and trimming, and the memory they account for.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/memory_image.h"

namespace {

class TablePrimitivesTest : public ::testing::Test {
protected:
    CDataBlock* Add(CBlockTable& table, uint32_t nFirst, uint32_t nLast) {
        return m_pImage->CreateBlock(nFirst, nLast - nFirst + 1, table, nullptr);
    }

    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0x10000);
    CBlockTable& m_data = m_pImage->m_dataTable;
};

TEST_F(TablePrimitivesTest, FindFirstBlockAfterGivesTheFirstLaterStart) {
    EXPECT_EQ(-1, m_pImage->FindFirstBlockAfter(0x50, m_data));
    Add(m_data, 0x100, 0x10F);
    Add(m_data, 0x200, 0x20F);
    EXPECT_EQ(0, m_pImage->FindFirstBlockAfter(0x50, m_data));
    EXPECT_EQ(1, m_pImage->FindFirstBlockAfter(0x100, m_data));
    EXPECT_EQ(1, m_pImage->FindFirstBlockAfter(0x150, m_data));
    EXPECT_EQ(-1, m_pImage->FindFirstBlockAfter(0x250, m_data));
}

TEST_F(TablePrimitivesTest, FindLastBlockBeforeGivesTheLastEarlierEnd) {
    EXPECT_EQ(-1, m_pImage->FindLastBlockBefore(0x50, m_data));
    Add(m_data, 0x100, 0x1FF);
    Add(m_data, 0x300, 0x3FF);
    EXPECT_EQ(-1, m_pImage->FindLastBlockBefore(0x50, m_data));
    EXPECT_EQ(-1, m_pImage->FindLastBlockBefore(0x150, m_data));
    EXPECT_EQ(0, m_pImage->FindLastBlockBefore(0x250, m_data));
    EXPECT_EQ(0, m_pImage->FindLastBlockBefore(0x300, m_data));
    EXPECT_EQ(1, m_pImage->FindLastBlockBefore(0x500, m_data));
}

TEST_F(TablePrimitivesTest, FindBlockIndexFindsOnlyBlocksOfTheTable) {
    CDataBlock* pFirst = Add(m_data, 0x100, 0x10F);
    CDataBlock* pSecond = Add(m_data, 0x110, 0x11F);
    EXPECT_EQ(0, m_pImage->FindBlockIndex(pFirst, m_data));
    EXPECT_EQ(1, m_pImage->FindBlockIndex(pSecond, m_data));
    EXPECT_EQ(-1, m_pImage->FindBlockIndex(nullptr, m_data));
    CDataBlock stranger(0x100, 0x10);
    EXPECT_EQ(-1, m_pImage->FindBlockIndex(&stranger, m_data));
    EXPECT_EQ(-1, m_pImage->FindBlockIndex(pFirst, m_pImage->m_markTable));
}

TEST_F(TablePrimitivesTest, NextRunJoinsTouchingBlocksAndContinuesFromItsResult) {
    Add(m_data, 0x100, 0x1FF);
    Add(m_data, 0x200, 0x27F);
    Add(m_data, 0x400, 0x40F);
    uint32_t nFirst = 1;
    uint32_t nLast = 2;
    EXPECT_EQ(2, m_pImage->NextRun(-1, 0, nFirst, nLast, m_data));
    EXPECT_EQ(0x100u, nFirst);
    EXPECT_EQ(0x27Fu, nLast);
    EXPECT_EQ(3, m_pImage->NextRun(2, 0x280, nFirst, nLast, m_data));
    EXPECT_EQ(0x400u, nFirst);
    EXPECT_EQ(0x40Fu, nLast);
    EXPECT_EQ(-1, m_pImage->NextRun(3, 0x410, nFirst, nLast, m_data));
    EXPECT_EQ(0x400u, nFirst);
    EXPECT_EQ(0x40Fu, nLast);
}

TEST_F(TablePrimitivesTest, NextRunStartsInsideABlockAtTheAddress) {
    Add(m_data, 0x100, 0x1FF);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    EXPECT_EQ(1, m_pImage->NextRun(-1, 0x180, nFirst, nLast, m_data));
    EXPECT_EQ(0x180u, nFirst);
    EXPECT_EQ(-1, m_pImage->NextRun(-1, 0x200, nFirst, nLast, m_data));
    EXPECT_EQ(-1, m_pImage->NextRun(-7, 0, nFirst, nLast, m_data));
}

TEST_F(TablePrimitivesTest, CountTableBytesCountsCoveredAddressesOnly) {
    Add(m_data, 0x100, 0x10F);
    Add(m_data, 0x120, 0x12F);
    EXPECT_EQ(32u, m_pImage->CountTableBytes(0, 0xFFFF, m_data));
    EXPECT_EQ(8u, m_pImage->CountTableBytes(0x108, 0x11F, m_data));
    EXPECT_EQ(2u, m_pImage->CountTableBytes(0x10F, 0x120, m_data));
    EXPECT_EQ(0u, m_pImage->CountTableBytes(0x110, 0x11F, m_data));
    EXPECT_EQ(0u, m_pImage->CountTableBytes(0x12F, 0x100, m_data));
}

TEST_F(TablePrimitivesTest, MemoryCountsLengthOnlyInTablesThatCarryBytes) {
    CDataBlock* pData = Add(m_data, 0x100, 0x10F);
    EXPECT_EQ(16u + 28u, m_pImage->GetMemoryUsed());
    CDataBlock* pMark = Add(m_pImage->m_markTable, 0x100, 0x10F);
    EXPECT_EQ(16u + 28u + 28u, m_pImage->GetMemoryUsed());
    Add(m_pImage->m_undoStore, 0x100, 0x103);
    Add(m_pImage->m_undoRangeTable, 0x100, 0x103);
    EXPECT_EQ(16u + 28u + 28u + 4u + 28u + 28u, m_pImage->GetMemoryUsed());
    m_pImage->DeleteBlock(pMark, m_pImage->m_markTable);
    m_pImage->DeleteBlock(pData, m_data);
    EXPECT_EQ(4u + 28u + 28u, m_pImage->GetMemoryUsed());
    m_pImage->ClearAll();
    EXPECT_EQ(0u, m_pImage->GetMemoryUsed());
}

TEST_F(TablePrimitivesTest, NewBlocksHeadTheListWithNewSequenceNumbers) {
    CDataBlock* pOlder = Add(m_data, 0x200, 0x20F);
    CDataBlock* pNewer = Add(m_data, 0x100, 0x10F);
    EXPECT_EQ(0u, pOlder->m_nSequence);
    EXPECT_EQ(1u, pNewer->m_nSequence);
    EXPECT_EQ(pNewer, m_data.m_pHead);
    EXPECT_EQ(pOlder, pNewer->m_pNext);
    EXPECT_EQ(pNewer, m_data.m_apBlocks[0]);
    CDataBlock* pPiece = m_pImage->CreateBlock(0x300, 4, m_data, pOlder);
    EXPECT_EQ(0u, pPiece->m_nSequence);
    EXPECT_EQ(pPiece, pOlder->m_pNext);
    EXPECT_EQ(2u, m_data.m_nNextSequence);
}

TEST_F(TablePrimitivesTest, EmptyOrWrappingBlocksAreNotCreated) {
    EXPECT_EQ(nullptr, m_pImage->CreateBlock(0x100, 0, m_data, nullptr));
    EXPECT_EQ(nullptr, m_pImage->CreateBlock(0xFFFFFFF0, 0x11, m_data, nullptr));
    EXPECT_EQ(0, m_data.m_nCount);
}

TEST_F(TablePrimitivesTest, TrimInsideABlockLeavesTwoPiecesOfTheSameStep) {
    CDataBlock* pBlock = Add(m_data, 0x100, 0x1FF);
    for (uint32_t a = 0x100; a <= 0x1FF; ++a) *pBlock->GetDataPointer(a) = uint8_t(a);
    const uint32_t nSequence = pBlock->m_nSequence;
    const uint32_t nMemory = m_pImage->GetMemoryUsed();

    m_pImage->TrimBlock(0x120, 0x12F, pBlock, m_data);

    ASSERT_EQ(2, m_data.m_nCount);
    CDataBlock* pLeft = m_data.m_apBlocks[0];
    CDataBlock* pRight = m_data.m_apBlocks[1];
    EXPECT_EQ(0x100u, pLeft->m_nStart);
    EXPECT_EQ(0x11Fu, pLeft->GetEnd());
    EXPECT_EQ(0x130u, pRight->m_nStart);
    EXPECT_EQ(0x1FFu, pRight->GetEnd());
    EXPECT_EQ(nSequence, pLeft->m_nSequence);
    EXPECT_EQ(nSequence, pRight->m_nSequence);
    EXPECT_EQ(pRight, pLeft->m_pNext);
    EXPECT_EQ(0x11F & 0xFF, *pLeft->GetDataPointer(0x11F));
    EXPECT_EQ(0x130 & 0xFF, *pRight->GetDataPointer(0x130));
    EXPECT_EQ(nMemory - 16 + 28, m_pImage->GetMemoryUsed());
}

TEST_F(TablePrimitivesTest, RemoveRangeCutsEveryLayerOfAStore) {
    CBlockTable& store = m_pImage->m_undoStore;
    Add(store, 0x100, 0x1FF);
    Add(store, 0x180, 0x18F);
    Add(store, 0x1F0, 0x2FF);
    m_pImage->RemoveRange(0x150, 0x1FF, store);
    ASSERT_EQ(2, store.m_nCount);
    EXPECT_EQ(0x14Fu, store.m_apBlocks[0]->GetEnd());
    EXPECT_EQ(0x200u, store.m_apBlocks[1]->m_nStart);
}

// Ranges over many blocks go in one move of the array; checked against the
// covered addresses for ranges in either half of the array (each half moves
// its own side), inside one block, on block edges and between blocks.
TEST_F(TablePrimitivesTest, RemoveRangeOverManyBlocksTakesExactlyTheRange) {
    struct CCase {
        uint32_t nFirst;
        uint32_t nLast;
    };
    const CCase cases[] = {{0x1008, 0x1F07}, {0x7E08, 0x8F17}, {0x2005, 0x2009}, {0x3000, 0x30FF},
                           {0x4010, 0x401F}, {0x0000, 0x0FFF}, {0x9F00, 0xFFFF}, {0x0000, 0xFFFF}};
    for (const CCase& c : cases) {
        m_pImage->ClearTable(m_data);
        std::vector<bool> covered(0x10000, false);
        // 0x10 bytes every 0x20: 0x800 blocks over 0x0000..0xFFFF.
        for (uint32_t nStart = 0; nStart < 0x10000; nStart += 0x20) {
            Add(m_data, nStart, nStart + 0x0F);
            for (uint32_t a = nStart; a <= nStart + 0x0F; ++a) covered[a] = true;
        }
        m_pImage->RemoveRange(c.nFirst, c.nLast, m_data);
        for (uint32_t a = c.nFirst; a <= c.nLast; ++a) covered[a] = false;

        std::vector<bool> left(0x10000, false);
        uint32_t nPreviousEnd = 0;
        for (int i = 0; i < m_data.m_nCount; ++i) {
            const CDataBlock* pBlock = m_data.m_apBlocks[i];
            ASSERT_TRUE(i == 0 || pBlock->m_nStart > nPreviousEnd) << std::hex << c.nFirst;
            for (uint32_t a = pBlock->m_nStart; a <= pBlock->GetEnd(); ++a) left[a] = true;
            nPreviousEnd = pBlock->GetEnd();
        }
        EXPECT_EQ(covered, left) << std::hex << c.nFirst << ".." << c.nLast;
        int nInList = 0;
        for (const CDataBlock* pBlock = m_data.m_pHead; pBlock; pBlock = pBlock->m_pNext) ++nInList;
        EXPECT_EQ(m_data.m_nCount, nInList);
        EXPECT_EQ(uint64_t(m_data.m_nCount) * 28 + m_pImage->CountTableBytes(0, 0xFFFFFFFF, m_data),
                  m_pImage->GetMemoryUsed());
    }
}

TEST_F(TablePrimitivesTest, BlocksAddedBelowAboveAndBetweenKeepAddressOrder) {
    for (uint32_t nStart : {0x500u, 0x400u, 0x600u, 0x300u, 0x450u, 0x700u, 0x200u, 0x550u})
        Add(m_data, nStart, nStart + 0x0F);
    std::vector<uint32_t> starts;
    for (int i = 0; i < m_data.m_nCount; ++i) starts.push_back(m_data.m_apBlocks[i]->m_nStart);
    EXPECT_EQ((std::vector<uint32_t>{0x200, 0x300, 0x400, 0x450, 0x500, 0x550, 0x600, 0x700}), starts);

    m_pImage->DeleteBlock(m_data.m_apBlocks[1], m_data);
    m_pImage->DeleteBlock(m_data.m_apBlocks[5], m_data);
    starts.clear();
    for (int i = 0; i < m_data.m_nCount; ++i) starts.push_back(m_data.m_apBlocks[i]->m_nStart);
    EXPECT_EQ((std::vector<uint32_t>{0x200, 0x400, 0x450, 0x500, 0x550, 0x700}), starts);
    EXPECT_EQ(3, m_pImage->FindBlockIndex(m_data.m_apBlocks[3], m_data));
}

// Adding at the top while removing at the bottom walks the entries through
// their store many times over.
TEST_F(TablePrimitivesTest, ATableThatKeepsMovingUpKeepsItsBlocks) {
    CBlockTable& marks = m_pImage->m_markTable;
    const uint32_t nSteps = 2 * kMaxBlocksPerTable + 100;
    for (uint32_t n = 0; n < nSteps; ++n) {
        Add(marks, 2 * n, 2 * n);
        if (marks.m_nCount > 4) m_pImage->DeleteBlock(marks.m_apBlocks[0], marks);
    }
    ASSERT_EQ(4, marks.m_nCount);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(2 * (nSteps - 4 + i), marks.m_apBlocks[i]->m_nStart);
    EXPECT_EQ(4u * 28, m_pImage->GetMemoryUsed());
}

TEST_F(TablePrimitivesTest, ALongOldLayerIsTrimmedPastManyShortOnes) {
    CBlockTable& store = m_pImage->m_undoStore;
    Add(store, 0x1000, 0x1FFF);
    for (uint32_t n = 1; n < 0x40; ++n) Add(store, 0x1000 + 0x40 * n, 0x1000 + 0x40 * n + 3);
    m_pImage->RemoveRange(0x1FF0, 0x1FFF, store);
    EXPECT_EQ(0x1FEFu, store.m_apBlocks[0]->GetEnd());
    m_pImage->RebuildRanges(0x1F00, 0x1FFF, store, m_pImage->m_undoRangeTable);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    ASSERT_NE(-1, m_pImage->NextUndoArea(-1, 0x1F00, nFirst, nLast));
    EXPECT_EQ(0x1F00u, nFirst);
    EXPECT_EQ(0x1FEFu, nLast);
}

TEST_F(TablePrimitivesTest, PointerArrayRefusesIndexesOutsideIt) {
    CDataBlock* apBlocks[3] = {};
    int32_t nCount = 0;
    CDataBlock block(0, 1);
    EXPECT_EQ(0, m_pImage->InsertBlockPointer(apBlocks, &block, 1, nCount));
    EXPECT_EQ(0, m_pImage->InsertBlockPointer(apBlocks, &block, -1, nCount));
    EXPECT_EQ(1, m_pImage->InsertBlockPointer(apBlocks, &block, 0, nCount));
    EXPECT_EQ(1, m_pImage->RemoveBlockPointer(apBlocks, 1, nCount));
    EXPECT_EQ(1, m_pImage->RemoveBlockPointer(apBlocks, -1, nCount));
    EXPECT_EQ(0, m_pImage->RemoveBlockPointer(apBlocks, 0, nCount));
}

}  // namespace
