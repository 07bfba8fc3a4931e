// Cutting writes at runs of the erased value 0xFF, with and without the gap
// threshold.
#include "image/gap_rule.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/memory_image.h"

namespace {

// The pieces as (length, is a gap).
using Pieces = std::vector<std::pair<uint32_t, bool>>;

Pieces Cut(const std::vector<uint8_t>& bytes, bool bUseThreshold, int32_t nThreshold) {
    Pieces pieces;
    const CGapRule rule{bUseThreshold, nThreshold};
    for (uint32_t nOffset = 0; nOffset < bytes.size();) {
        const CGapPiece piece = NextGapPiece(bytes.data(), uint32_t(bytes.size()), nOffset, rule);
        pieces.push_back({piece.nLength, piece.bGap});
        nOffset += piece.nLength;
    }
    return pieces;
}

TEST(GapRuleTest, WithoutTheThresholdEveryErasedByteIsAGap) {
    const Pieces expected = {{1, false}, {1, true}, {2, false}, {3, true}};
    EXPECT_EQ(expected, Cut({1, 0xFF, 2, 3, 0xFF, 0xFF, 0xFF}, false, 8));
    EXPECT_EQ(expected, Cut({1, 0xFF, 2, 3, 0xFF, 0xFF, 0xFF}, true, 1));
}

TEST(GapRuleTest, ShortRunsStayInsideTheData) {
    const Pieces expected = {{5, false}, {8, true}, {1, false}};
    EXPECT_EQ(expected,
              Cut({0xFF, 1, 0xFF, 0xFF, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 3}, true, 8));
}

TEST(GapRuleTest, ARunCutShortByTheEndOfTheWriteIsData) {
    const Pieces expected = {{8, false}};
    EXPECT_EQ(expected, Cut({1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true, 8));
    const Pieces leading = {{8, true}, {1, false}};
    EXPECT_EQ(leading, Cut({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 3}, true, 8));
}

class GapStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0);
    CBlockTable& m_data = m_pImage->m_dataTable;
};

TEST_F(GapStoreTest, ConvertSettingsStoreShortRunsAndSkipLongOnes) {
    m_pImage->m_nGapThreshold = 8;
    m_pImage->m_bUseGapThreshold = 1;
    const std::vector<uint8_t> shortRun = {1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2};
    m_pImage->WriteBytes(0x100, shortRun.data(), int32_t(shortRun.size()));
    ASSERT_EQ(1, m_data.m_nCount);
    EXPECT_EQ(7u, m_data.m_apBlocks[0]->m_nLength);

    const std::vector<uint8_t> longRun = {1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2};
    m_pImage->WriteBytes(0x200, longRun.data(), int32_t(longRun.size()));
    ASSERT_EQ(3, m_data.m_nCount);
    EXPECT_EQ(1u, m_data.m_apBlocks[1]->m_nLength);
    EXPECT_EQ(1u, m_data.m_apBlocks[2]->m_nLength);
    std::vector<uint8_t> back(longRun.size());
    m_pImage->ReadBytes(0x200, back.data(), uint32_t(back.size()));
    EXPECT_EQ(longRun, back);
}

TEST_F(GapStoreTest, DefaultSettingsLeaveEveryErasedByteUnstored) {
    const std::vector<uint8_t> bytes = {1, 0xFF, 2};
    m_pImage->WriteBytes(0x100, bytes.data(), 3);
    EXPECT_EQ(2, m_data.m_nCount);
    std::vector<uint8_t> back(3);
    m_pImage->ReadBytes(0x100, back.data(), 3);
    EXPECT_EQ(bytes, back);
}

TEST_F(GapStoreTest, WritingErasedBytesOverDataRemovesItAndRecordsIt) {
    const std::vector<uint8_t> data(16, 0xAA);
    const std::vector<uint8_t> erased(16, 0xFF);
    m_pImage->WriteBytes(0x100, data.data(), 16);
    m_pImage->WriteBytes(0x100, erased.data(), 16);
    EXPECT_EQ(0, m_pImage->HasData());
    m_pImage->UndoLastStep();
    EXPECT_EQ(16u, m_pImage->CountBytes(0x100, 0x10F));
    EXPECT_EQ(0xAA, m_pImage->GetByte(0x10F));
}

}  // namespace
