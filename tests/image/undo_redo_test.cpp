// Taking changes back and making them again, step by step, by range and all at
// once, and the rollback of a load.
#include <gtest/gtest.h>

#include <vector>

#include "image/memory_image.h"

namespace {

class UndoRedoTest : public ::testing::Test {
protected:
    void Write(uint32_t nAddress, uint8_t value, int32_t nLength) {
        const std::vector<uint8_t> bytes(size_t(nLength), value);
        m_pImage->WriteBytes(nAddress, bytes.data(), nLength);
    }
    std::vector<uint8_t> Read(uint32_t nAddress, uint32_t nLength) {
        std::vector<uint8_t> bytes(nLength);
        EXPECT_EQ(1, m_pImage->ReadBytes(nAddress, bytes.data(), nLength));
        return bytes;
    }
    static std::vector<uint8_t> Bytes(std::initializer_list<std::pair<uint8_t, int>> runs) {
        std::vector<uint8_t> bytes;
        for (const auto& run : runs) bytes.insert(bytes.end(), size_t(run.second), run.first);
        return bytes;
    }
    // AA x 16 at 0x100, then BB x 4 at 0x104.
    void WriteTwoLayers() {
        Write(0x100, 0xAA, 16);
        Write(0x104, 0xBB, 4);
    }

    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0);
    CBlockTable& m_undo = m_pImage->m_undoStore;
};

TEST_F(UndoRedoTest, EachWriteSavesWhatItReplacesAsANewStep) {
    WriteTwoLayers();
    ASSERT_EQ(2, m_undo.m_nCount);
    const CDataBlock* pFirst = m_undo.m_apBlocks[0];
    const CDataBlock* pSecond = m_undo.m_apBlocks[1];
    EXPECT_EQ(0x100u, pFirst->m_nStart);
    EXPECT_EQ(16u, pFirst->m_nLength);
    EXPECT_EQ(0u, pFirst->m_nSequence);
    EXPECT_EQ(0x104u, pSecond->m_nStart);
    EXPECT_EQ(1u, pSecond->m_nSequence);
    std::vector<uint8_t> saved(16);
    m_pImage->ReadTable(0x100, 0x10F, saved.data(), m_undo);
    EXPECT_EQ(Bytes({{0xFF, 4}, {0xAA, 4}, {0xFF, 8}}), saved);
}

TEST_F(UndoRedoTest, UndoLastStepTakesBackTheNewestStepAndRedoMakesItAgain) {
    WriteTwoLayers();
    m_pImage->UndoLastStep();
    EXPECT_EQ(Bytes({{0xAA, 16}}), Read(0x100, 16));
    m_pImage->UndoLastStep();
    EXPECT_EQ(0, m_pImage->HasData());
    m_pImage->RedoLastStep();
    EXPECT_EQ(Bytes({{0xAA, 16}}), Read(0x100, 16));
    m_pImage->RedoLastStep();
    EXPECT_EQ(Bytes({{0xAA, 4}, {0xBB, 4}, {0xAA, 8}}), Read(0x100, 16));
    EXPECT_EQ(0, m_pImage->m_redoStore.m_nCount);
}

TEST_F(UndoRedoTest, UndoRangeTakesBackTheTopmostLayerAtEachAddress) {
    WriteTwoLayers();
    m_pImage->UndoRange(0x100, 16);
    EXPECT_EQ(Bytes({{0xFF, 4}, {0xAA, 4}, {0xFF, 8}}), Read(0x100, 16));
    EXPECT_EQ(4u, m_pImage->CountBytes(0x100, 0x10F));
    ASSERT_EQ(1, m_undo.m_nCount);
    EXPECT_EQ(0x104u, m_undo.m_apBlocks[0]->m_nStart);
    EXPECT_EQ(4u, m_undo.m_apBlocks[0]->m_nLength);
    m_pImage->UndoRange(0x100, 16);
    EXPECT_EQ(0, m_pImage->HasData());
    m_pImage->RedoRangeFully(0x100, 16);
    EXPECT_EQ(Bytes({{0xAA, 4}, {0xBB, 4}, {0xAA, 8}}), Read(0x100, 16));
}

TEST_F(UndoRedoTest, UndoAllRestoresTheStartAndRedoRepeatsInTheOriginalOrder) {
    Write(0x100, 0x11, 8);
    Write(0x100, 0x22, 8);
    Write(0x104, 0x33, 8);
    m_pImage->UndoAll();
    EXPECT_EQ(0, m_pImage->HasData());
    EXPECT_EQ(0, m_undo.m_nCount);
    EXPECT_EQ(0, m_pImage->m_undoRangeTable.m_nCount);
    EXPECT_EQ(1, m_pImage->HasHistory());
    m_pImage->RedoLastStep();
    EXPECT_EQ(Bytes({{0x11, 8}, {0xFF, 4}}), Read(0x100, 12));
    m_pImage->RedoLastStep();
    EXPECT_EQ(Bytes({{0x22, 8}, {0xFF, 4}}), Read(0x100, 12));
    m_pImage->RedoAll();
    EXPECT_EQ(Bytes({{0x22, 4}, {0x33, 8}}), Read(0x100, 12));
}

TEST_F(UndoRedoTest, OneStepTakenBackIsOneStepToMakeAgain) {
    WriteTwoLayers();
    m_pImage->UndoRange(0x100, 16);  // one redo step of three blocks
    m_pImage->RedoLastStep();
    m_pImage->UndoLastStep();
    EXPECT_EQ(Bytes({{0xFF, 4}, {0xAA, 4}, {0xFF, 8}}), Read(0x100, 16));
    EXPECT_EQ(0, m_pImage->m_redoStore.m_nCount == 0);
}

TEST_F(UndoRedoTest, WritesLeaveTheRedoStoreAsItIs) {
    WriteTwoLayers();
    m_pImage->UndoLastStep();
    const int nRedoBlocks = m_pImage->m_redoStore.m_nCount;
    Write(0x200, 0x44, 4);
    EXPECT_EQ(nRedoBlocks, m_pImage->m_redoStore.m_nCount);
}

TEST_F(UndoRedoTest, RangesWithHistoryAreWalkedAsOneWhereTheyTouch) {
    Write(0x100, 0x11, 16);
    Write(0x110, 0x22, 16);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    EXPECT_EQ(2, m_pImage->NextUndoArea(-1, 0, nFirst, nLast));
    EXPECT_EQ(0x100u, nFirst);
    EXPECT_EQ(0x11Fu, nLast);
    EXPECT_EQ(-1, m_pImage->NextRedoArea(-1, 0, nFirst, nLast));
}

TEST_F(UndoRedoTest, RangeOperationsWithoutHistoryOrOutsideTheRangeDoNothing) {
    Write(0x100, 0x11, 16);
    m_pImage->UndoRangeFully(0x200, 16);
    m_pImage->UndoRange(0x100, 0);
    m_pImage->UndoRange(0x100, 0x1000);  // reaches past the end of the range
    m_pImage->DiscardUndoRange(0x100, 0x1000);
    m_pImage->UndoByte(0x1000);
    EXPECT_EQ(16u, m_pImage->CountBytes(0x100, 0x10F));
    EXPECT_EQ(1, m_undo.m_nCount);
}

TEST_F(UndoRedoTest, DropAndDiscardForgetHistoryWithoutTouchingTheData) {
    WriteTwoLayers();
    m_pImage->DropUndoLayer(0x100, 16);
    EXPECT_EQ(Bytes({{0xAA, 4}, {0xBB, 4}, {0xAA, 8}}), Read(0x100, 16));
    m_pImage->UndoRange(0x100, 16);  // the older layer, where it was hidden
    EXPECT_EQ(Bytes({{0xAA, 4}, {0xFF, 4}, {0xAA, 8}}), Read(0x100, 16));
    m_pImage->DiscardUndoRange(0x100, 16);
    EXPECT_EQ(0, m_undo.m_nCount);
    EXPECT_EQ(0, m_pImage->m_undoRangeTable.m_nCount);
}

// An older layer that reaches out beyond a newer one is the topmost layer
// there: a drop takes it, and a read of the store shows it.
TEST_F(UndoRedoTest, TheTopmostLayerIncludesOlderBlocksReachingOutBeyondNewerOnes) {
    Write(0x100, 0x11, 16);
    Write(0x100, 0x22, 4);
    Write(0x100, 0x33, 4);
    std::vector<uint8_t> saved(16);
    m_pImage->ReadTable(0x100, 0x10F, saved.data(), m_undo);
    EXPECT_EQ(Bytes({{0x22, 4}, {0xFF, 12}}), saved);

    m_pImage->DropUndoLayer(0x100, 16);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    m_pImage->NextUndoArea(-1, 0, nFirst, nLast);
    EXPECT_EQ(0x103u, nLast);
    m_pImage->ReadTable(0x100, 0x10F, saved.data(), m_undo);
    EXPECT_EQ(Bytes({{0x11, 4}, {0xFF, 12}}), saved);
}

// With the gap threshold a write's undo copy holds 0xFF for gaps and for
// stored 0xFF bytes alike; putting it back must restore which was which.
class ExactRestoreTest : public UndoRedoTest {
protected:
    void SetUp() override {
        m_pImage->m_nGapThreshold = 8;
        m_pImage->m_bUseGapThreshold = 1;
    }
};

TEST_F(ExactRestoreTest, RevertingALoadLeavesNoErasedBytesBehind) {
    const std::vector<uint8_t> record = {1, 2, 3};
    m_pImage->WriteMarkedBytes(0x8000, 3, record.data());
    m_pImage->WriteMarkedBytes(0x9000, 3, record.data());
    m_pImage->RevertChanges();
    EXPECT_EQ(0, m_pImage->HasData());
    EXPECT_EQ(0xFFFFFFFFu, m_pImage->GetHighestAddress());
    EXPECT_EQ(0, m_pImage->HasMarks());
    EXPECT_EQ(0, m_pImage->HasHistory());
}

TEST_F(ExactRestoreTest, StoredErasedBytesComeBackStored) {
    const auto before = Bytes({{0x11, 1}, {0xFF, 3}, {0x22, 1}});
    m_pImage->WriteBytes(0x100, before.data(), 5);
    Write(0x101, 0x33, 3);
    m_pImage->UndoLastStep();
    EXPECT_EQ(5u, m_pImage->CountBytes(0x100, 0x104));
    m_pImage->RedoLastStep();
    m_pImage->UndoRange(0x101, 3);
    EXPECT_EQ(5u, m_pImage->CountBytes(0x100, 0x104));
}

TEST_F(ExactRestoreTest, RevertKeepsTheRedoStoreAndOtherMarks) {
    Write(0x100, 0x11, 4);
    m_pImage->UndoLastStep();
    const uint8_t mark = 0x42;
    m_pImage->WriteMarkedBytes(0x300, 1, &mark);
    m_pImage->ClearHistory();
    m_pImage->WriteMarkedBytes(0x200, 1, &mark);
    m_pImage->UndoLastStep();
    m_pImage->RedoLastStep();
    const int nRedoBlocks = m_pImage->m_redoStore.m_nCount;
    m_pImage->RevertChanges();
    EXPECT_EQ(nRedoBlocks, m_pImage->m_redoStore.m_nCount);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    ASSERT_NE(-1, m_pImage->NextMarkedArea(-1, 0, nFirst, nLast));
    EXPECT_EQ(0x300u, nFirst);
    EXPECT_EQ(-1, m_pImage->NextMarkedArea(-1, 0x301, nFirst, nLast));
    EXPECT_EQ(0xFF, m_pImage->GetByte(0x200));
}

}  // namespace
