#include <gtest/gtest.h>

#include "driver_test_support.h"
#include "imagefile/image_file.h"

namespace {

using Area = std::pair<uint32_t, uint32_t>;

std::vector<Area> AreasOf(CMemoryImage& image) {
    std::vector<Area> areas;
    int nIndex = -1;
    uint32_t nAddress = 0;
    for (;;) {
        uint32_t nFirst = 0;
        uint32_t nLast = 0;
        nIndex = image.NextArea(nIndex, nAddress, nFirst, nLast);
        if (nIndex == -1) break;
        areas.emplace_back(nFirst, nLast);
        if (nLast == 0xFFFFFFFF) break;
        nAddress = nLast + 1;
    }
    return areas;
}

Bytes AreaBytes(CMemoryImage& image, const Area& area) {
    return ReadImage(image, area.first, area.second - area.first + 1);
}

class RoundTripTest : public DriverTest {
protected:
    // Saves the image up to its highest address (which picks the narrowest
    // S-record lines) in each of the four formats and loads it back into a
    // fresh image: S-record, Intel HEX and FPR files give back every area at
    // its address, a CDE file gives the areas' bytes one after another from 0.
    void ExpectRoundTrip(CMemoryImage& image) {
        const std::vector<Area> areas = AreasOf(image);
        ASSERT_FALSE(areas.empty());
        for (const char* pszName : {"image.mot", "image.ihx", "image.fpr", "image.cde"}) {
            SCOPED_TRACE(pszName);
            const std::string path = PathOf(pszName);
            CImageFile saver;
            ASSERT_EQ(1, saver.Save(path.c_str(), 0, image.GetHighestAddress(), &image, 0));
            auto loaded = NewImage();
            loaded->m_nGapThreshold = image.m_nGapThreshold;
            loaded->m_bUseGapThreshold = image.m_bUseGapThreshold;
            CImageFile loader;
            ASSERT_EQ(1, loader.Load(path.c_str(), loaded.get(), 0));
            EXPECT_FALSE(loader.HasDataLost());

            if (std::string(pszName) == "image.cde") {
                Bytes joined;
                for (const Area& area : areas) {
                    const Bytes bytes = AreaBytes(image, area);
                    joined.insert(joined.end(), bytes.begin(), bytes.end());
                }
                EXPECT_EQ(joined, ReadImage(*loaded, 0, static_cast<uint32_t>(joined.size())));
                EXPECT_EQ(joined.size() - 1, loaded->GetHighestAddress());
                continue;
            }
            EXPECT_EQ(areas, AreasOf(*loaded));
            for (const Area& area : areas) EXPECT_EQ(AreaBytes(image, area), AreaBytes(*loaded, area));
        }
    }

    // The type of the first data line that an S-record save writes.
    std::string FirstDataLineType(CMemoryImage& image) {
        const std::string path = PathOf("width.mot");
        CImageFile saver;
        EXPECT_EQ(1, saver.Save(path.c_str(), 0, image.GetHighestAddress(), &image, 0));
        const std::string text = ReadFile(path);
        const size_t nSecondLine = text.find('\n') + 1;
        return text.substr(nSecondLine, 2);
    }
};

TEST_F(RoundTripTest, ManyAreasOfAllSizes) {
    auto image = NewImage();
    uint32_t nAddress = 0x400;
    for (uint32_t i = 0; i < 60; ++i) {
        const size_t nLength = 1 + (i * 97) % 1300;  // runs both shorter and longer than 500 bytes
        Fill(*image, nAddress, Pattern(nLength, static_cast<uint8_t>(i)));
        nAddress += static_cast<uint32_t>(nLength) + 1 + i % 5;
    }
    ExpectRoundTrip(*image);
}

TEST_F(RoundTripTest, AreasAtTheBottomAndTheTopOfTheAddressSpace) {
    auto image = NewImage();
    Fill(*image, 0, Pattern(40, 1));
    Fill(*image, 0xFFFFFD00, Pattern(0x300, 2));
    EXPECT_EQ("S3", FirstDataLineType(*image));
    ExpectRoundTrip(*image);
}

TEST_F(RoundTripTest, LineWidthFollowsTheHighestAddress) {
    struct CCase {
        uint32_t nFirst;
        size_t nLength;
        const char* pszType;
    };
    for (const CCase& c : {CCase{0xFFE0, 0x20, "S1"}, CCase{0xFFE0, 0x40, "S2"}, CCase{0xFFFFE0, 0x20, "S2"},
                           CCase{0xFFFFE0, 0x40, "S3"}, CCase{0xFFFFFFE0, 0x20, "S3"}}) {
        SCOPED_TRACE(c.nFirst + c.nLength);
        auto image = NewImage();
        Fill(*image, c.nFirst, Pattern(c.nLength, 3));
        EXPECT_EQ(c.pszType, FirstDataLineType(*image));
        ExpectRoundTrip(*image);
    }
}

TEST_F(RoundTripTest, GapsOfErasedBytesShorterThanTheThresholdStayData) {
    auto image = NewImage();
    image->m_nGapThreshold = 8;
    image->m_bUseGapThreshold = 1;
    Bytes data = Pattern(64);
    std::fill(data.begin() + 10, data.begin() + 15, 0xFF);
    Fill(*image, 0x2000, data);
    ExpectRoundTrip(*image);
}

}  // namespace
