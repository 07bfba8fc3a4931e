// The address range: how an image starts, how writes grow or clip it, the top
// of the address space, and moving or resizing it.
#include <gtest/gtest.h>

#include <vector>

#include "image/memory_image.h"

namespace {

// 1, 2, 3... never the erased value, so every byte is stored.
std::vector<uint8_t> Counting(size_t nLength) {
    std::vector<uint8_t> bytes(nLength);
    for (size_t i = 0; i < nLength; ++i) bytes[i] = uint8_t(i % 0xFE + 1);
    return bytes;
}

TEST(ImageConstructionTest, SizeZeroGivesAnEmptyGrowingRange) {
    auto pImage = CMemoryImage::Create(0);
    EXPECT_EQ(1, pImage->IsAutoGrow());
    EXPECT_EQ(0u, pImage->GetBase());
    EXPECT_EQ(0u, pImage->GetSize());
    EXPECT_EQ(1u, pImage->GetAlignment());
    EXPECT_EQ(0u, pImage->GetMemoryUsed());
    EXPECT_EQ(0, pImage->HasData());
    EXPECT_EQ(1, pImage->m_nGapThreshold);
    EXPECT_EQ(0, pImage->m_bUseGapThreshold);
    EXPECT_EQ(1, CMemoryImage::Create(-5)->IsAutoGrow());
}

TEST(ImageConstructionTest, PositiveSizeGivesAFixedRangeFromZero) {
    auto pImage = CMemoryImage::Create(4096);
    EXPECT_EQ(0, pImage->IsAutoGrow());
    EXPECT_EQ(0u, pImage->GetBase());
    EXPECT_EQ(4096u, pImage->GetSize());
}

TEST(ImageConstructionTest, AlignmentIsSetOnlyOnGrowingRangesAndNeverToZero) {
    auto pFixed = CMemoryImage::Create(4096);
    pFixed->SetAlignment(0x100);
    EXPECT_EQ(1u, pFixed->GetAlignment());
    auto pGrowing = CMemoryImage::Create(0);
    pGrowing->SetAlignment(0x100);
    pGrowing->SetAlignment(0);
    EXPECT_EQ(0x100u, pGrowing->GetAlignment());
}

TEST(RangeRulesTest, AutoGrowRangeTakesAWriteBeyondItsEnd) {
    auto pImage = CMemoryImage::Create(0);
    const auto bytes = Counting(16);
    EXPECT_EQ(1, pImage->WriteBytes(0x1000, bytes.data(), 16));
    EXPECT_EQ(0u, pImage->GetBase());
    EXPECT_EQ(0x1010u, pImage->GetSize());
    EXPECT_EQ(0x100Fu, pImage->GetHighestAddress());
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    EXPECT_NE(-1, pImage->NextArea(0, 0, nFirst, nLast));
    EXPECT_EQ(0x1000u, nFirst);
}

TEST(RangeRulesTest, GrowthIsRoundedUpToTheAlignment) {
    auto pImage = CMemoryImage::Create(0);
    pImage->SetAlignment(0x100);
    const auto bytes = Counting(16);
    pImage->WriteBytes(0x1000, bytes.data(), 16);
    EXPECT_EQ(0x1100u, pImage->GetSize());
}

TEST(RangeRulesTest, AutoGrowRangeGrowsDownKeepingItsEnd) {
    auto pImage = CMemoryImage::Create(0);
    const auto bytes = Counting(16);
    pImage->WriteBytes(0x2000, bytes.data(), 16);
    pImage->SetBase(0x1800);
    EXPECT_EQ(1, pImage->WriteBytes(0x1000, bytes.data(), 16));
    EXPECT_EQ(0x1000u, pImage->GetBase());
    EXPECT_EQ(0x3810u - 0x1000u, pImage->GetSize());
}

TEST(RangeRulesTest, FixedRangeClipsAWriteAndReportsIt) {
    auto pImage = CMemoryImage::Create(0x100);
    const auto bytes = Counting(0x20);
    EXPECT_EQ(0, pImage->WriteBytes(0xF0, bytes.data(), 0x20));
    EXPECT_EQ(0x10u, pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(0xFFu, pImage->GetHighestAddress());
    EXPECT_EQ(0x100u, pImage->GetSize());

    std::vector<uint8_t> buffer(0x20, 0x5A);
    EXPECT_EQ(0, pImage->ReadBytes(0xF0, buffer.data(), 0x20));
    EXPECT_EQ(std::vector<uint8_t>(0x20, 0x5A), buffer);
}

TEST(RangeRulesTest, FixedRangeClipsTheFrontOfAWrite) {
    auto pImage = CMemoryImage::Create(0x100);
    pImage->SetBase(0x1000);
    const auto bytes = Counting(0x10);
    EXPECT_EQ(0, pImage->WriteBytes(0xFF8, bytes.data(), 0x10));
    EXPECT_EQ(9, pImage->GetByte(0x1000));
    EXPECT_EQ(8u, pImage->CountBytes(0, 0xFFFFFFFF));
}

TEST(RangeRulesTest, WritesOfNothingReportZeroAndStoreNothing) {
    auto pImage = CMemoryImage::Create(0x100);
    const uint8_t byte = 1;
    EXPECT_EQ(0, pImage->WriteBytes(0x10, &byte, 0));
    EXPECT_EQ(0, pImage->WriteBytes(0x10, &byte, -1));
    EXPECT_EQ(0, pImage->WriteBytes(0x10, nullptr, 1));
    EXPECT_EQ(0, pImage->WriteMarkedBytes(0x10, 1, nullptr));
    EXPECT_EQ(0, pImage->WriteBytes(0x200, &byte, 1));
    EXPECT_EQ(0, pImage->HasData());
    EXPECT_EQ(0, pImage->HasHistory());
    EXPECT_EQ(0, pImage->HasMarks());
}

TEST(RangeRulesTest, ReadsNeedTheWholeStretchInsideTheRange) {
    auto pImage = CMemoryImage::Create(0x100);
    uint8_t buffer[4] = {};
    EXPECT_EQ(1, pImage->ReadBytes(0xFC, buffer, 4));
    EXPECT_EQ(0, pImage->ReadBytes(0xFD, buffer, 4));
    EXPECT_EQ(1, pImage->ReadBytes(0x100, buffer, 0));
    EXPECT_EQ(0, pImage->ReadBytes(0x10, nullptr, 4));
    EXPECT_EQ(0xFF, pImage->GetByte(0x200));
}

TEST(TopOfAddressSpaceTest, AWriteEndingAtTheLastAddressIsStoredAndReadBack) {
    auto pImage = CMemoryImage::Create(0);
    const auto bytes = Counting(16);
    EXPECT_EQ(1, pImage->WriteBytes(0xFFFFFFF0, bytes.data(), 16));
    EXPECT_EQ(0u, pImage->GetBase());
    EXPECT_EQ(uint64_t(1) << 32, pImage->GetSize());
    std::vector<uint8_t> buffer(16);
    ASSERT_EQ(1, pImage->ReadBytes(0xFFFFFFF0, buffer.data(), 16));
    EXPECT_EQ(bytes, buffer);
    EXPECT_EQ(0xFFFFFFFFu, pImage->GetHighestAddress());
    EXPECT_EQ(16u, pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(0u, pImage->CountBytes(0, 0xFFFFFFEF));
    EXPECT_EQ(0xFFFFFFF0u, pImage->FindPattern(0, 0xFFFFFFFF, bytes.data(), 16));
}

TEST(TopOfAddressSpaceTest, BytesBeyondTheLastAddressAreCutAndReported) {
    auto pImage = CMemoryImage::Create(0);
    const auto bytes = Counting(32);
    EXPECT_EQ(0, pImage->WriteMarkedBytes(0xFFFFFFF0, 32, bytes.data()));
    EXPECT_EQ(uint64_t(1) << 32, pImage->GetSize());
    EXPECT_EQ(16u, pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(0u, pImage->CountBytes(0, 0xF));
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    ASSERT_NE(-1, pImage->NextMarkedArea(-1, 0, nFirst, nLast));
    EXPECT_EQ(0xFFFFFFF0u, nFirst);
    EXPECT_EQ(0xFFFFFFFFu, nLast);
}

TEST(TopOfAddressSpaceTest, TheLastAreaEndsTheWalk) {
    auto pImage = CMemoryImage::Create(0);
    const auto bytes = Counting(4);
    pImage->WriteBytes(0x10, bytes.data(), 4);
    pImage->WriteBytes(0xFFFFFFFC, bytes.data(), 4);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    int nIndex = pImage->NextArea(-1, 0, nFirst, nLast);
    nIndex = pImage->NextArea(nIndex, nLast + 1, nFirst, nLast);
    EXPECT_EQ(0xFFFFFFFFu, nLast);
    EXPECT_EQ(-1, pImage->NextArea(nIndex, nLast + 1, nFirst, nLast));
}

TEST(TopOfAddressSpaceTest, UndoAndRedoReachTheLastAddress) {
    auto pImage = CMemoryImage::Create(0);
    const auto bytes = Counting(16);
    pImage->WriteBytes(0xFFFFFFF0, bytes.data(), 16);
    pImage->UndoRangeFully(0xFFFFFFF0, 16);
    EXPECT_EQ(0, pImage->HasData());
    pImage->RedoRange(0xFFFFFFF0, 16);
    EXPECT_EQ(16, pImage->GetByte(0xFFFFFFFF));
}

TEST(TopOfAddressSpaceTest, MovingARangeUpNeverTakesItPastTheLastAddress) {
    auto pImage = CMemoryImage::Create(0x1000);
    pImage->SetBase(0xFFFFFF00);
    EXPECT_EQ(0x100u, pImage->GetSize());
    const auto bytes = Counting(0x200);
    EXPECT_EQ(0, pImage->WriteBytes(0xFFFFFF00, bytes.data(), 0x200));
    EXPECT_EQ(0x100u, pImage->CountBytes(0, 0xFFFFFFFF));
}

class RangeChangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto bytes = Counting(0x100);
        m_pImage->WriteMarkedBytes(0x100, 0x100, bytes.data());
    }
    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0x300);
};

TEST_F(RangeChangeTest, ShrinkingCutsEveryTableAtTheNewEnd) {
    m_pImage->SetSize(0x180);
    EXPECT_EQ(0x180u, m_pImage->GetSize());
    EXPECT_EQ(0x17Fu, m_pImage->GetHighestAddress());
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    m_pImage->NextMarkedArea(-1, 0, nFirst, nLast);
    EXPECT_EQ(0x17Fu, nLast);
    m_pImage->NextUndoArea(-1, 0, nFirst, nLast);
    EXPECT_EQ(0x17Fu, nLast);
}

TEST_F(RangeChangeTest, MovingTheBaseUpCutsWhatFallsBelowIt) {
    m_pImage->SetBase(0x180);
    EXPECT_EQ(0x180u, m_pImage->GetBase());
    EXPECT_EQ(0x300u, m_pImage->GetSize());
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    m_pImage->NextArea(-1, 0, nFirst, nLast);
    EXPECT_EQ(0x180u, nFirst);
    EXPECT_EQ(0x80u, m_pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(0x81, m_pImage->GetByte(0x180));  // no data moves
}

TEST_F(RangeChangeTest, MovingTheBaseDownCutsWhatFallsBeyondTheNewEnd) {
    m_pImage->SetBase(0x100);
    const auto bytes = Counting(0x10);
    m_pImage->WriteMarkedBytes(0x380, 0x10, bytes.data());
    m_pImage->SetBase(0);
    EXPECT_EQ(0x300u, m_pImage->GetSize());
    EXPECT_EQ(0x1FFu, m_pImage->GetHighestAddress());
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    EXPECT_EQ(-1, m_pImage->NextMarkedArea(-1, 0x200, nFirst, nLast));
    EXPECT_EQ(-1, m_pImage->NextUndoArea(-1, 0x200, nFirst, nLast));
}

}  // namespace
