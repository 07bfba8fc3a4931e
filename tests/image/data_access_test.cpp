// Searching, listing areas, marks, and the hook for changes of the extent.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/recording_host.h"
#include "image/memory_image.h"

namespace {

TEST(FindPatternTest, FindsAPatternAcrossAWindowEdge) {
    auto pImage = CMemoryImage::Create(0x10000);
    const uint8_t pattern[] = {0x12, 0x34, 0x56, 0x78};
    pImage->WriteBytes(0x100 + 4998, pattern, 4);  // straddles the first 5000-byte window
    EXPECT_EQ(0x100u + 4998, pImage->FindPattern(0x100, 0xFFFF, pattern, 4));
}

TEST(FindPatternTest, ReportsNoAddressWhenAbsentOrTheRangeIsEmpty) {
    auto pImage = CMemoryImage::Create(0x10000);
    const uint8_t pattern[] = {0x12, 0x34};
    EXPECT_EQ(0xFFFFFFFFu, pImage->FindPattern(0, 0xFFFF, pattern, 2));
    pImage->WriteBytes(0x200, pattern, 2);
    EXPECT_EQ(0xFFFFFFFFu, pImage->FindPattern(0x300, 0x200, pattern, 2));
    EXPECT_EQ(0xFFFFFFFFu, pImage->FindPattern(0x100, 0x200, pattern, 2));  // would end past last
    EXPECT_EQ(0xFFFFFFFFu, pImage->FindPattern(0, 0xFFFF, nullptr, 2));
    EXPECT_EQ(0xFFFFFFFFu, CMemoryImage::Create(0)->FindPattern(0, 0xFFFFFFFF, pattern, 2));
}

TEST(FindPatternTest, GapsReadAsErasedAndAnEmptyPatternMatchesAtTheStart) {
    auto pImage = CMemoryImage::Create(0x10000);
    pImage->SetBase(0x1000);
    const uint8_t erased[] = {0xFF, 0xFF};
    EXPECT_EQ(0x1000u, pImage->FindPattern(0, 0xFFFFFFFF, erased, 2));
    EXPECT_EQ(0x1000u, pImage->FindPattern(0, 0xFFFFFFFF, erased, 0));
    const uint8_t data = 0x12;
    pImage->WriteBytes(0x9000, &data, 1);
    const uint8_t before[] = {0xFF, 0x12};
    const uint8_t after[] = {0x12, 0xFF};
    EXPECT_EQ(0x8FFFu, pImage->FindPattern(0x1000, 0xFFFFFFFF, before, 2));
    EXPECT_EQ(0x9000u, pImage->FindPattern(0x1000, 0xFFFFFFFF, after, 2));
}

TEST(FindPatternTest, SearchesTheUpperHalfOfTheAddressSpace) {
    auto pImage = CMemoryImage::Create(0x10000);
    pImage->SetBase(0x80000000);
    const uint8_t pattern[] = {0xC0, 0xDE};
    pImage->WriteBytes(0x80001234, pattern, 2);
    EXPECT_EQ(0x80001234u, pImage->FindPattern(0x80000000, 0x8000FFFF, pattern, 2));
    EXPECT_EQ(0x80001234u, pImage->FindPattern(0x7FFFFFFF, 0xFFFFFFFF, pattern, 2));
}

class ShowDataAreasTest : public ::testing::Test {
protected:
    void SetUp() override { SetHost(&m_host); }
    void TearDown() override { SetHost(nullptr); }
    CRecordingHost m_host;
    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0);
};

TEST_F(ShowDataAreasTest, AnEmptyImageSaysSo) {
    m_pImage->ShowDataAreas();
    EXPECT_EQ(std::vector<std::string>{"No data blocks assigned."}, m_host.Texts("box"));
}

TEST_F(ShowDataAreasTest, TouchingBlocksFormOneLine) {
    const std::vector<uint8_t> bytes(0x100, 0x11);
    m_pImage->WriteBytes(0x100, bytes.data(), 0x100);
    m_pImage->WriteBytes(0x200, bytes.data(), 0x10);
    m_pImage->WriteBytes(0x1000, bytes.data(), 1);
    m_pImage->ShowDataAreas();
    EXPECT_EQ(std::vector<std::string>{" H'00000100 - H'0000020F      Length : H'00000110\n"
                                       " H'00001000 - H'00001000      Length : H'00000001\n"},
              m_host.Texts("box"));
}

TEST(MarksTest, AMarkedWriteMarksItsWholeRangeGapsIncluded) {
    auto pImage = CMemoryImage::Create(0);
    std::vector<uint8_t> bytes(0x20, 0x11);
    for (int i = 8; i < 0x18; ++i) bytes[i] = 0xFF;
    EXPECT_EQ(1, pImage->WriteMarkedBytes(0x100, 0x20, bytes.data()));
    EXPECT_EQ(2, pImage->m_dataTable.m_nCount);
    ASSERT_EQ(1, pImage->m_markTable.m_nCount);
    EXPECT_EQ(0x100u, pImage->m_markTable.m_apBlocks[0]->m_nStart);
    EXPECT_EQ(0x20u, pImage->m_markTable.m_apBlocks[0]->m_nLength);
    EXPECT_EQ(nullptr, pImage->m_markTable.m_apBlocks[0]->m_pData);
}

TEST(MarksTest, UnmarkRangeCutsMarksAndIgnoresEmptyOrOutsideRanges) {
    auto pImage = CMemoryImage::Create(0x1000);
    const std::vector<uint8_t> bytes(0x20, 0x11);
    pImage->WriteMarkedBytes(0x100, 0x20, bytes.data());
    pImage->UnmarkRange(0, 0);
    pImage->UnmarkRange(0xFF0, 0x20);
    EXPECT_EQ(1, pImage->m_markTable.m_nCount);
    pImage->UnmarkRange(0x108, 8);
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    const int nIndex = pImage->NextMarkedArea(-1, 0, nFirst, nLast);
    EXPECT_EQ(0x107u, nLast);
    pImage->NextMarkedArea(nIndex, nLast + 1, nFirst, nLast);
    EXPECT_EQ(0x110u, nFirst);
    pImage->ClearMarks();
    EXPECT_EQ(0, pImage->HasMarks());
    EXPECT_EQ(1, pImage->HasData());
}

// Counts the calls of the hook.
class CCountingImage : public CMemoryImage {
public:
    static std::unique_ptr<CCountingImage> Create() {
        return std::unique_ptr<CCountingImage>(new CCountingImage);
    }
    void OnDataChanged() override { ++m_nChanges; }
    int m_nChanges = 0;

private:
    CCountingImage() : CMemoryImage(0) {}
};

TEST(DataChangedTest, CalledWhenTheExtentOfTheDataChangesOnly) {
    auto pImage = CCountingImage::Create();
    const std::vector<uint8_t> bytes(0x10, 0x11);
    pImage->WriteBytes(0x100, bytes.data(), 0x10);
    EXPECT_EQ(1, pImage->m_nChanges);
    pImage->WriteBytes(0x104, bytes.data(), 4);  // inside the area
    EXPECT_EQ(1, pImage->m_nChanges);
    const uint8_t erased = 0xFF;
    pImage->WriteBytes(0x108, &erased, 1);  // opens a gap
    EXPECT_EQ(2, pImage->m_nChanges);
    pImage->ClearAll();
    EXPECT_EQ(3, pImage->m_nChanges);
}

}  // namespace
