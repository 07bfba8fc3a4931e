#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "image/memory_image.h"
#include "imagefile/file_kinds.h"
#include "imagefile/image_file.h"
#include "test_support.h"

namespace {

using namespace test_support;

const Bytes k4 = {1, 2, 3, 4};
const Bytes k16 = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                   0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
const std::string kData = IntelHexLine(0, 0, k4);
const std::string kEnd = ":00000001FF";

std::string Linear(uint32_t nUpper) {
    return IntelHexLine(4, 0, {static_cast<uint8_t>(nUpper >> 8), static_cast<uint8_t>(nUpper)});
}

std::string Segment(uint32_t nParagraph) {
    return IntelHexLine(2, 0, {static_cast<uint8_t>(nParagraph >> 8), static_cast<uint8_t>(nParagraph)});
}

std::string Join(const std::vector<std::string>& lines, const std::string& lineEnd = "\r\n") {
    std::string text;
    for (const std::string& line : lines) text += line + lineEnd;
    return text;
}

// What reading a file gives, as a load reads it: the kind's start, then
// pieces up to length 0. A good file has no bad line (0).
struct ReadCase {
    const char* name;
    std::string contents;
    std::vector<Piece> pieces;
    int32_t kind;
    uint32_t badLine;
    std::string reason;
};

class IntelHexReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IntelHexReadTest, GivesThePiecesKindAndBadLine) {
    const ReadCase& c = GetParam();
    CTempDir dir;
    WriteFileBytes(dir.File("in.hex"), c.contents);
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("in.hex").c_str(), 1));
    FindFileKind(file.m_nKind)->pStartReading(file);
    EXPECT_EQ(c.pieces, ReadAllPieces(file));
    EXPECT_EQ(c.kind, file.m_nKind);
    EXPECT_STREQ(c.kind == kKindIntelHex ? "in.hex" : "", file.m_szModuleName);
    EXPECT_EQ(c.badLine != 0, file.m_bNotSRecord != 0);
    EXPECT_EQ(c.badLine, file.GetBadLineNumber());
    EXPECT_EQ(c.reason, file.GetBadLineReason());
}

const std::string kSRecord = SRecordLine('1', 0x1234, {0xAB, 0xCD});
const std::string kLine2 = IntelHexLine(0, 4, k4);
const Bytes k255(255, 0x5A);

ReadCase Good(const char* name, const std::string& contents, std::vector<Piece> pieces,
              int32_t kind = kKindIntelHex) {
    return {name, contents, std::move(pieces), kind, 0, ""};
}

// A bad line 2 (or later) after a good record, which is read first.
ReadCase Bad(const char* name, const std::string& secondLine, const std::string& reason,
             uint32_t badLine = 2) {
    return {name, Join({kData, secondLine}), {{0, k4}}, kKindIntelHex, badLine, reason};
}

INSTANTIATE_TEST_SUITE_P(
    Files, IntelHexReadTest,
    ::testing::Values(
        Good("LinesAfterTheEndAreNotRead", Join({kData, kEnd, "garbage"}), {{0, k4}}),
        Good("LowerCaseLfLinearBase", Lower(Join({Linear(0x1234), kData, kEnd}, "\n")), {{0x12340000, k4}}),
        Good("CrOnlySegmentBase", Join({Segment(0x1000), IntelHexLine(0, 0x10, k4)}, "\r"), {{0x10010, k4}}),
        Good("SegmentWrapsToItsStart", Join({Segment(0x1000), IntelHexLine(0, 0xFFF8, k16)}),
             {{0x1FFF8, Bytes(k16.begin(), k16.begin() + 8)}, {0x10000, Bytes(k16.begin() + 8, k16.end())}}),
        Good("NoBaseGoesOnPast64KiB", Join({IntelHexLine(0, 0xFFF8, k16)}), {{0xFFF8, k16}}),
        Good("LinearBaseEndsTheSegment", Join({Segment(0x1000), Linear(2), IntelHexLine(0, 0xFFF8, k16)}),
             {{0x2FFF8, k16}}),
        Good("StartAddressesEmptyDataAndBlankLinesArePassedOver",
             Join({"", "", kData, IntelHexLine(3, 0, {0, 0, 1, 0}), IntelHexLine(5, 0, {0, 0, 1, 0}),
                   IntelHexLine(0, 0x100, {}), "", IntelHexLine(0, 8, k4)}),
             {{0, k4}, {8, k4}}),
        Good("CountFFIsReadWhole", Join({IntelHexLine(0, 0x100, k255)}), {{0x100, k255}}),
        Good("SRecordsStaySRecords", Join({kSRecord}), {{0x1234, {0xAB, 0xCD}}}, kKindSRecord),
        // The S-record reader has never looked at the first character.
        Good("SRecordBehindAColonStaysAnSRecord", Join({":" + kSRecord.substr(1)}), {{0x1234, {0xAB, 0xCD}}},
             kKindSRecord),
        Bad("Checksum", kLine2.substr(0, kLine2.size() - 2) + "00", "checksum mismatch"),
        Bad("NonDigit", kLine2.substr(0, 9) + "G" + kLine2.substr(10),
            "invalid hexadecimal digit 'G' in column 10"),
        Bad("CutShort", kLine2.substr(0, kLine2.size() - 2), "record cut short"),
        Bad("BlankAfterTheChecksum", kLine2 + " ", "characters after the checksum"),
        Bad("UnknownType", IntelHexLine(6, 0, {}), "unknown record type 06"),
        Bad("LinearBaseOfThreeBytes", IntelHexLine(4, 0, {0, 1, 0}),
            "type 04 record with a count of 3, not 2"),
        Bad("EndWithData", IntelHexLine(1, 0, {0}), "type 01 record with a count of 1, not 0"),
        Bad("SRecordAmongIntelHex", kSRecord, "not a record"),
        Bad("LongerThanAnyRecord", IntelHexLine(0, 0, k255) + "0", "line too long"),
        Bad("BlankLinesAreCounted", "\r\nx", "not a record", 3)),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

std::string SaveText(CMemoryImage& image, const std::string& name) {
    CTempDir dir;
    CImageFile file;
    EXPECT_EQ(1, file.Save(dir.File(name).c_str(), 0, 0xFFFFFFFF, &image, 0));
    return ReadFileBytes(dir.File(name));
}

TEST(IntelHexWriterTest, PiecesOfSixteenBytesCutAt64KiBAndTheUpperBitsWhereTheyChange) {
    auto image = CMemoryImage::Create(0);
    Bytes data(36);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    image->WriteBytes(0xFFF4, data.data(), static_cast<int32_t>(data.size()));
    image->WriteBytes(0xFFFFFFFC, k4.data(), 4);
    const std::string expected =
        Join({IntelHexLine(0, 0xFFF4, Bytes(data.begin(), data.begin() + 12)), Linear(1),
              IntelHexLine(0, 0, Bytes(data.begin() + 12, data.begin() + 16)),
              IntelHexLine(0, 4, Bytes(data.begin() + 16, data.begin() + 32)),
              IntelHexLine(0, 0x14, Bytes(data.begin() + 32, data.end())), Linear(0xFFFF),
              IntelHexLine(0, 0xFFFC, k4), kEnd});
    EXPECT_EQ(expected, SaveText(*image, "out.ihx"));
    EXPECT_EQ(expected, SaveText(*image, "out.ihex"));
}

TEST(IntelHexWriterTest, OnlyExtensionsThatNameItWriteIt) {
    auto image = CMemoryImage::Create(0);
    image->WriteBytes(0x100, k4.data(), 4);
    for (const char* pszName : {"out.hex", "out.IHX", "out.ihx.bak", "out"})
        EXPECT_EQ('S', SaveText(*image, pszName)[0]) << pszName;
    CTempDir dir;
    const std::string path = dir.File("in.ihx");
    WriteFileBytes(path, Join({kSRecord}));
    CImageFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 1));
    EXPECT_EQ(kKindSRecord, file.m_nKind);
}

}  // namespace
