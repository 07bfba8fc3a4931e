// A table holds at most 131,072 blocks; what a full table refuses is reported
// and remembered, never stored halfway or silently dropped.
#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "image/memory_image.h"

namespace {

const char kNoMoreMemory[] = "No more memory can be allocated - clear some data.";

class BlockLimitTest : public ::testing::Test {
protected:
    void SetUp() override { SetHost(&m_host); }
    void TearDown() override { SetHost(nullptr); }

    // Fills a table with one-byte blocks at every second address from 0.
    void Fill(CBlockTable& table) {
        for (uint32_t i = 0; i < kMaxBlocksPerTable; ++i) {
            CDataBlock* pBlock = m_pImage->CreateBlock(2 * i, 1, table, nullptr);
            if (&table == &m_pImage->m_dataTable) pBlock->SetData(2 * i, 1, &m_byte);
        }
        ASSERT_EQ(kMaxBlocksPerTable, table.m_nCount);
    }

    CRecordingHost m_host;
    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0);
    const uint8_t m_byte = 0x42;
};

// A mark or a record of history that does not fit loses none of the image's
// contents; a refused record of history makes the undo record incomplete.
TEST_F(BlockLimitTest, TheNextBlockIsRefusedWithAMessageButOnlyDataIsLostData) {
    Fill(m_pImage->m_markTable);
    EXPECT_EQ(nullptr, m_pImage->CreateBlock(0x400000, 1, m_pImage->m_markTable, nullptr));
    EXPECT_EQ(nullptr, m_pImage->CreateBlock(0x400002, 1, m_pImage->m_markTable, nullptr));
    EXPECT_EQ(kMaxBlocksPerTable, m_pImage->m_markTable.m_nCount);
    EXPECT_EQ(std::vector<std::string>(2, kNoMoreMemory), m_host.Texts("box"));
    EXPECT_EQ(0, m_pImage->HasDataLost());
    EXPECT_EQ(1, m_pImage->IsUndoComplete());

    Fill(m_pImage->m_undoStore);
    EXPECT_EQ(nullptr, m_pImage->CreateBlock(0x400000, 1, m_pImage->m_undoStore, nullptr));
    EXPECT_EQ(0, m_pImage->HasDataLost());
    EXPECT_EQ(0, m_pImage->IsUndoComplete());
    m_pImage->ClearHistory();
    EXPECT_EQ(1, m_pImage->IsUndoComplete());
}

TEST_F(BlockLimitTest, OtherTablesAreUnaffected) {
    Fill(m_pImage->m_markTable);
    EXPECT_NE(nullptr, m_pImage->CreateBlock(0x400000, 1, m_pImage->m_dataTable, nullptr));
    EXPECT_TRUE(m_host.m_events.empty());
    EXPECT_EQ(0, m_pImage->HasDataLost());
}

TEST_F(BlockLimitTest, AWriteIntoAFullDataTableStoresNothingThereAndSaysSo) {
    m_pImage->SetSize(0x400000);
    Fill(m_pImage->m_dataTable);
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_EQ(1, m_pImage->WriteBytes(0x300000, bytes, 3));
    EXPECT_EQ(0, m_pImage->CountBytes(0x300000, 0x300002));
    EXPECT_EQ(1, m_pImage->HasDataLost());
    EXPECT_EQ(std::vector<std::string>{kNoMoreMemory}, m_host.Texts("box"));
}

TEST_F(BlockLimitTest, ATrimThatLeavesOnePieceKeepsItInAFullTable) {
    m_pImage->SetSize(0x400000);
    Fill(m_pImage->m_dataTable);
    m_pImage->DeleteBlock(m_pImage->m_dataTable.m_apBlocks[0], m_pImage->m_dataTable);
    const uint8_t bytes[] = {1, 2, 3, 4};
    m_pImage->StoreBytes(0x300000, 4, bytes, m_pImage->m_dataTable);
    ASSERT_EQ(kMaxBlocksPerTable, m_pImage->m_dataTable.m_nCount);

    const uint8_t overlap[] = {9, 9};
    m_pImage->StoreBytes(0x2FFFFF, 2, overlap, m_pImage->m_dataTable);  // needs a block, refused

    uint8_t kept[3] = {};
    ASSERT_EQ(1, m_pImage->ReadBytes(0x300001, kept, 3));
    EXPECT_EQ(2, kept[0]);
    EXPECT_EQ(3, kept[1]);
    EXPECT_EQ(4, kept[2]);
    EXPECT_EQ(1, m_pImage->HasDataLost());
}

}  // namespace
