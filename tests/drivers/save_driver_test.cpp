#include <gtest/gtest.h>

#include <algorithm>

#include "driver_test_support.h"
#include "imagefile/image_file.h"

namespace {

using SaveDriverTest = DriverTest;

const char* const kSavedHeading = "\n\nData saved at the following positions:\n\n";

std::string AreaLine(uint32_t nFirst, uint32_t nLast) {
    char szLine[64];
    std::snprintf(szLine, sizeof szLine, " H'%08X - H'%08X\n", nFirst, nLast);
    return szLine;
}

std::unique_ptr<CMemoryImage> ImageWith(uint32_t nAddress, const Bytes& data) {
    auto image = CMemoryImage::Create(0);
    EXPECT_TRUE(image->WriteBytes(nAddress, data.data(), static_cast<int32_t>(data.size())));
    return image;
}

// --- S-record files ---------------------------------------------------------

TEST_F(SaveDriverTest, SRecordFileHasHeaderSixteenByteLinesAndEndLine) {
    auto image = ImageWith(0x100, Pattern(32));
    CImageFile file;
    const std::string path = PathOf("out.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0xFFFF, image.get(), 0));

    EXPECT_EQ(
        "S00E00006F757420202020206D6F74A9\r\n"
        "S1130100000102030405060708090a0b0c0d0e0f73\r\n"
        "S1130110101112131415161718191a1b1c1d1e1f63\r\n"
        "S9030000FC\r\n",
        ReadFile(path));
    EXPECT_EQ(std::string("Module : out.mot") + kSavedHeading + AreaLine(0x100, 0x11F) +
                  "\n32 bytes saved in T seconds\n",
              WithoutTime(file.GetReport()));
    EXPECT_TRUE(m_host.m_events.empty());
}

TEST_F(SaveDriverTest, RangeCutsTheAreaAndChoosesTheLineWidth) {
    auto image = ImageWith(0x100, Pattern(32));
    CImageFile file;
    const std::string path = PathOf("out.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0x100, 0x10F, image.get(), 0));

    EXPECT_EQ(
        "S00E00006F757420202020206D6F74A9\r\n"
        "S1130100000102030405060708090a0b0c0d0e0f73\r\n"
        "S9030000FC\r\n",
        ReadFile(path));
    EXPECT_NE(std::string::npos, file.GetReport().find(AreaLine(0x100, 0x10F) + "\n16 bytes saved"));
}

TEST_F(SaveDriverTest, DataAbove0xFFFFGivesS2LinesAndS8End) {
    auto image = ImageWith(0x20000, Pattern(16));
    CImageFile file;
    const std::string path = PathOf("out.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0x7FFFFFFF, image.get(), 0));

    EXPECT_EQ(
        "S00E00006F757420202020206D6F74A9\r\n"
        "S214020000000102030405060708090a0b0c0d0e0f71\r\n"
        "S804000000FB\r\n",
        ReadFile(path));
}

TEST_F(SaveDriverTest, LastAddressAbove0x7FFFFFFFCountsAsNegativeAndGivesS3Lines) {
    auto image = ImageWith(0x100, Pattern(16));
    CImageFile file;
    const std::string path = PathOf("out.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0xFFFFFFFF, image.get(), 0));

    EXPECT_EQ(
        "S00E00006F757420202020206D6F74A9\r\n"
        "S31500000100000102030405060708090a0b0c0d0e0f71\r\n"
        "S70500000000FA\r\n",
        ReadFile(path));
}

TEST_F(SaveDriverTest, ImageWithoutDataGivesHeaderAndS7End) {
    auto image = CMemoryImage::Create(0);
    CImageFile file;
    const std::string path = PathOf("empty.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0xFFFF, image.get(), 0));

    EXPECT_EQ("S00E0000656D7074792020206D6F7412\r\nS70500000000FA\r\n", ReadFile(path));
    EXPECT_EQ(std::string("Module : empty.mot") + kSavedHeading + "\n0 bytes saved in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(SaveDriverTest, EmptyRangeWritesHeaderAndEndLineOnly) {
    auto image = ImageWith(0x100, Pattern(32));
    CImageFile file;
    const std::string path = PathOf("out.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0x200, 0x100, image.get(), 0));

    EXPECT_EQ("S00E00006F757420202020206D6F74A9\r\nS9030000FC\r\n", ReadFile(path));
    EXPECT_NE(std::string::npos, file.GetReport().find("\n0 bytes saved in "));
}

// --- FPR and CDE files ------------------------------------------------------

TEST_F(SaveDriverTest, ThirtyOneAreasToFprListThirtyAndWhereTheAreasReach) {
    auto image = CMemoryImage::Create(0);
    for (uint32_t i = 0; i < 31; ++i) Fill(*image, 0x1000 + 0x100 * i, Pattern(4, static_cast<uint8_t>(i)));
    CImageFile file;
    const std::string path = PathOf("areas.fpr");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0xFFFFFFFF, image.get(), 0));

    const std::string saved = ReadFile(path);
    EXPECT_EQ(31u * 20u, saved.size());
    EXPECT_EQ(
        "00001000"
        "00000004",
        saved.substr(0, 16));
    const std::string& report = file.GetReport();
    EXPECT_NE(std::string::npos,
              report.find(AreaLine(0x2D00, 0x2D03) + " Areas up to - H'00002E03\n\n124 bytes"));
    EXPECT_EQ(std::string::npos, report.find(AreaLine(0x2E00, 0x2E03)));
}

TEST_F(SaveDriverTest, FprAreaIsWrittenInRecordsOf200Bytes) {
    auto image = ImageWith(0x1000, Pattern(300));
    CImageFile file;
    const std::string path = PathOf("out.fpr");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0xFFFFFFFF, image.get(), 0));

    const std::string saved = ReadFile(path);
    ASSERT_EQ(216u + 116u, saved.size());
    EXPECT_EQ(
        "00001000"
        "00000200",
        saved.substr(0, 16));
    EXPECT_EQ(
        "000010C8"
        "00000100",
        saved.substr(216, 16));
}

TEST_F(SaveDriverTest, CdeFileJoinsTheAreasAndReportsTheSpanFromFirstToHighest) {
    auto image = CMemoryImage::Create(0);
    Fill(*image, 0x100, Pattern(16, 1));
    Fill(*image, 0x200, Pattern(8, 2));
    CImageFile file;
    const std::string path = PathOf("out.cde");

    ASSERT_EQ(1, file.Save(path.c_str(), 0x80, 0x1000, image.get(), 0));

    Bytes expected = Pattern(16, 1);
    const Bytes second = Pattern(8, 2);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(std::string(expected.begin(), expected.end()), ReadFile(path));
    EXPECT_EQ(std::string("Module : out.cde") + kSavedHeading + AreaLine(0x80, 0x207) +
                  "\n392 bytes saved in T seconds\n",
              WithoutTime(file.GetReport()));
}

TEST_F(SaveDriverTest, CdeOfAnImageWithoutDataOrEndingBeforeTheRangeCountsNoBytes) {
    auto empty = CMemoryImage::Create(0);
    auto low = ImageWith(0x10, Pattern(4));
    for (CMemoryImage* pImage : {empty.get(), low.get()}) {
        CImageFile file;
        ASSERT_EQ(1, file.Save(PathOf("out.cde").c_str(), 0x100, 0x1000, pImage, 0));
        EXPECT_EQ("", ReadFile(PathOf("out.cde")));
        EXPECT_NE(std::string::npos, file.GetReport().find("\n0 bytes saved in ")) << file.GetReport();
    }
}

// --- Cancel, progress and failures ------------------------------------------

TEST_F(SaveDriverTest, CancelledSaveKeepsWhatWasWrittenWithoutEndLine) {
    auto image = ImageWith(0x100, Pattern(160));
    CImageFile file;
    int nPercentShown = 0;
    m_host.m_onPaneText = [&](int nPane, const std::string&) {
        if (nPane == 1 && ++nPercentShown == 3) file.Cancel();
    };
    const std::string path = PathOf("out.mot");

    ASSERT_EQ(1, file.Save(path.c_str(), 0, 0xFFFFFFFF, image.get(), 1));

    const std::string saved = ReadFile(path);
    EXPECT_EQ(4u, std::count(saved.begin(), saved.end(), '\n')) << saved;  // header and three data lines
    EXPECT_EQ(std::string::npos, saved.find("S9"));
    EXPECT_EQ(std::vector<std::string>{"Data Save Aborted."}, m_host.Texts("box"));
    EXPECT_EQ(std::string::npos, file.GetReport().find("bytes saved"));
}

TEST_F(SaveDriverTest, StatusBarShowsFileNameAndAPercentagePerPiece) {
    auto image = ImageWith(0, Pattern(64));
    CImageFile file;

    ASSERT_EQ(1, file.Save(PathOf("out.mot").c_str(), 0, 0xFFFFFFFF, image.get(), 1));

    EXPECT_EQ(std::vector<std::string>({"Saving File out.mot", ""}), m_host.Texts("pane0"));
    EXPECT_EQ(std::vector<std::string>({"0%", "25%", "50%", "75%", "100%", ""}), m_host.Texts("pane1"));
    EXPECT_EQ(100, file.GetProgress());
}

TEST_F(SaveDriverTest, SaveEmptiesTheHistoryButLeavesTheData) {
    auto image = ImageWith(0x100, Pattern(16));
    ASSERT_TRUE(image->HasHistory());
    CImageFile file;

    ASSERT_EQ(1, file.Save(PathOf("out.mot").c_str(), 0, 0xFFFFFFFF, image.get(), 0));

    EXPECT_FALSE(image->HasHistory());
    EXPECT_EQ(Pattern(16), ReadImage(*image, 0x100, 16));
}

TEST_F(SaveDriverTest, UnwritablePathOrNoImageFails) {
    auto image = ImageWith(0x100, Pattern(16));
    CImageFile file;

    EXPECT_EQ(0, file.Save(PathOf("no/such/dir/out.mot").c_str(), 0, 0xFFFFFFFF, image.get(), 1));
    EXPECT_EQ(0, file.Save(PathOf("out.mot").c_str(), 0, 0xFFFFFFFF, nullptr, 1));
    EXPECT_TRUE(m_host.m_events.empty());
}

TEST_F(SaveDriverTest, SaveThatCannotBeWrittenWholeFails) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
    auto image = ImageWith(0x100, Pattern(16));
    CImageFile file;

    EXPECT_EQ(0, file.Save("/dev/full", 0, 0xFFFFFFFF, image.get(), 0));
    EXPECT_EQ(std::string::npos, file.GetReport().find("bytes saved"));
}

}  // namespace
