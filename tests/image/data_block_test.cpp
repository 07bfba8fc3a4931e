#include "image/data_block.h"

#include <gtest/gtest.h>

#include <vector>

TEST(DataBlockTest, BytesAreAllocatedErasedOnFirstUse) {
    CDataBlock block(0x100, 4);
    EXPECT_EQ(nullptr, block.m_pData);
    uint8_t* pByte = block.GetDataPointer(0x102);
    ASSERT_NE(nullptr, block.m_pData);
    EXPECT_EQ(block.m_pData + 2, pByte);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(0xFF, block.m_pData[i]);
}

TEST(DataBlockTest, PointerOnlyForCoveredAddresses) {
    CDataBlock block(0x100, 4);
    EXPECT_EQ(nullptr, block.GetDataPointer(0xFF));
    EXPECT_EQ(nullptr, block.GetDataPointer(0x104));
    EXPECT_NE(nullptr, block.GetDataPointer(0x103));
}

TEST(DataBlockTest, SetDataCopiesOnlyWhenTheWholeStretchFits) {
    CDataBlock block(0x100, 4);
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    block.SetData(0x102, 3, bytes);  // one byte past the end
    EXPECT_EQ(0xFF, block.m_pData[2]);
    block.SetData(0x102, 2, bytes);
    EXPECT_EQ(1, block.m_pData[2]);
    EXPECT_EQ(2, block.m_pData[3]);
}

TEST(DataBlockTest, SetDataNearTheTopOfTheAddressSpaceDoesNotWrap) {
    CDataBlock block(0xFFFFFFF0, 16);
    const uint8_t bytes[32] = {7};
    block.SetData(0xFFFFFFF8, 0x10000000, bytes);  // end would wrap past 0
    EXPECT_EQ(0xFF, block.m_pData[8]);
    EXPECT_EQ(0xFFFFFFFFu, block.GetEnd());
}

TEST(DataBlockTest, NarrowKeepsTheBytesOfTheKeptPart) {
    CDataBlock block(0x100, 4);
    const uint8_t bytes[] = {1, 2, 3, 4};
    block.SetData(0x100, 4, bytes);
    block.Narrow(0x102, 2);
    EXPECT_EQ(0x102u, block.m_nStart);
    EXPECT_EQ(2u, block.m_nLength);
    EXPECT_EQ(3, *block.GetDataPointer(0x102));
    EXPECT_EQ(4, *block.GetDataPointer(0x103));
}

// Narrowing a little at a time keeps the bytes in place until they fill less
// than half of their allocation and then moves them; both must keep every
// byte at its address.
TEST(DataBlockTest, NarrowedStepByStepFromBothEndsKeepsEveryByte) {
    CDataBlock block(0x1000, 1000);
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 3);
    block.SetData(0x1000, 1000, bytes.data());
    for (int nStep = 0; block.m_nLength > 1; ++nStep) {
        const bool bFromFront = nStep % 3 != 2;
        block.Narrow(bFromFront ? block.m_nStart + 1 : block.m_nStart, block.m_nLength - 1);
        for (uint32_t a = block.m_nStart; a <= block.GetEnd(); ++a)
            ASSERT_EQ(bytes[a - 0x1000], *block.GetDataPointer(a)) << "step " << nStep << ", address " << a;
    }
}
