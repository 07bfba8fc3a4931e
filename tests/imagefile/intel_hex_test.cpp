#include <gtest/gtest.h>

#include <string>

#include "image/memory_image.h"
#include "imagefile/file_kinds.h"
#include "imagefile/image_file.h"
#include "test_support.h"

namespace {

using namespace test_support;

const Bytes k4 = {1, 2, 3, 4};
const Bytes k16 = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
const Bytes k16Head(k16.begin(), k16.begin() + 8);
const Bytes k16Tail(k16.begin() + 8, k16.end());
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

struct ReadOutcome {
    std::vector<Piece> pieces;
    int32_t kind = kKindNone;
    std::string moduleName;
    bool flagged = false;
    uint32_t lineNumber = 0;
    std::string reason;
};

// Reads as a load does: the kind's start, then pieces up to length 0.
ReadOutcome ReadTextFile(const std::string& contents) {
    CTempDir dir;
    WriteFileBytes(dir.File("in.hex"), contents);
    CImageFile file;
    EXPECT_TRUE(file.Open(dir.File("in.hex").c_str(), 1));
    FindFileKind(file.m_nKind)->pStartReading(file);
    ReadOutcome outcome;
    outcome.pieces = ReadAllPieces(file);
    outcome.kind = file.m_nKind;
    outcome.moduleName = file.m_szModuleName;
    outcome.flagged = file.m_bNotSRecord != 0;
    outcome.lineNumber = file.GetBadLineNumber();
    outcome.reason = file.GetBadLineReason();
    return outcome;
}

struct GoodCase {
    const char* name;
    std::string contents;
    std::vector<Piece> pieces;
    int32_t kind;
};

class IntelHexReadsTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(IntelHexReadsTest, DeliversThePiecesWithoutAFlag) {
    const ReadOutcome outcome = ReadTextFile(GetParam().contents);
    EXPECT_EQ(GetParam().pieces, outcome.pieces);
    EXPECT_EQ(GetParam().kind, outcome.kind);
    EXPECT_EQ(GetParam().kind == kKindIntelHex ? "in.hex" : "", outcome.moduleName);
    EXPECT_FALSE(outcome.flagged) << outcome.reason << " at line " << outcome.lineNumber;
}

const std::string kSRecord = SRecordLine('1', 0x1234, {0xAB, 0xCD});

INSTANTIATE_TEST_SUITE_P(
    Files, IntelHexReadsTest,
    ::testing::Values(
        GoodCase{"LinesAfterTheEndAreNotRead", Join({kData, kEnd, "garbage"}), {{0, k4}}, kKindIntelHex},
        GoodCase{"LowerCaseLfLinearBase",
                 Lower(Join({Linear(0x1234), kData, kEnd}, "\n")),
                 {{0x12340000, k4}},
                 kKindIntelHex},
        GoodCase{"CrOnlySegmentBase",
                 Join({Segment(0x1000), IntelHexLine(0, 0x10, k4)}, "\r"),
                 {{0x10010, k4}},
                 kKindIntelHex},
        GoodCase{"SegmentWrapsToItsStart",
                 Join({Segment(0x1000), IntelHexLine(0, 0xFFF8, k16)}),
                 {{0x1FFF8, k16Head}, {0x10000, k16Tail}},
                 kKindIntelHex},
        GoodCase{"LinearBaseGoesOnPast64KiB",
                 Join({Linear(1), IntelHexLine(0, 0xFFF8, k16)}),
                 {{0x1FFF8, k16}},
                 kKindIntelHex},
        GoodCase{"NoBaseGoesOnPast64KiB", Join({IntelHexLine(0, 0xFFF8, k16)}), {{0xFFF8, k16}}, kKindIntelHex},
        GoodCase{"LinearBaseEndsTheSegment",
                 Join({Segment(0x1000), Linear(2), IntelHexLine(0, 0xFFF8, k16)}),
                 {{0x2FFF8, k16}},
                 kKindIntelHex},
        GoodCase{"TopOfTheAddressSpace",
                 Join({Linear(0xFFFF), IntelHexLine(0, 0xFFF8, k16)}),
                 {{0xFFFFFFF8, k16}},
                 kKindIntelHex},
        GoodCase{"StartAddressesEmptyDataAndBlankLinesArePassedOver",
                 Join({"", "", kData, IntelHexLine(3, 0, {0, 0, 1, 0}), IntelHexLine(5, 0, {0, 0, 1, 0}),
                       IntelHexLine(0, 0x100, {}), "", IntelHexLine(0, 8, k4)}),
                 {{0, k4}, {8, k4}},
                 kKindIntelHex},
        GoodCase{"CountFFIsReadWhole",
                 Join({IntelHexLine(0, 0x100, Bytes(255, 0x5A))}),
                 {{0x100, Bytes(255, 0x5A)}},
                 kKindIntelHex},
        GoodCase{"LastLineWithoutLineEnd", Join({kData}) + IntelHexLine(0, 8, k4), {{0, k4}, {8, k4}},
                 kKindIntelHex},
        GoodCase{"SRecordsStaySRecords", Join({kSRecord}), {{0x1234, {0xAB, 0xCD}}}, kKindSRecord},
        // The S-record reader has never looked at the first character.
        GoodCase{"SRecordBehindAColonStaysAnSRecord",
                 Join({":" + kSRecord.substr(1), kSRecord}),
                 {{0x1234, {0xAB, 0xCD}}, {0x1234, {0xAB, 0xCD}}},
                 kKindSRecord}),
    [](const ::testing::TestParamInfo<GoodCase>& info) { return info.param.name; });

struct BadCase {
    const char* name;
    std::string contents;
    uint32_t lineNumber;
    const char* reason;
};

class IntelHexBadLineTest : public ::testing::TestWithParam<BadCase> {};

// Every bad line follows a good record, which is read first.
TEST_P(IntelHexBadLineTest, StopsThereWithTheFlagLineAndReason) {
    const ReadOutcome outcome = ReadTextFile(GetParam().contents);
    EXPECT_EQ((std::vector<Piece>{{0, k4}}), outcome.pieces);
    EXPECT_EQ(kKindIntelHex, outcome.kind);
    EXPECT_TRUE(outcome.flagged);
    EXPECT_EQ(GetParam().lineNumber, outcome.lineNumber);
    EXPECT_EQ(GetParam().reason, outcome.reason);
}

const std::string kLine2 = IntelHexLine(0, 4, k4);

INSTANTIATE_TEST_SUITE_P(
    Files, IntelHexBadLineTest,
    ::testing::Values(
        BadCase{"Checksum", Join({kData, kLine2.substr(0, kLine2.size() - 2) + "00"}), 2, "checksum mismatch"},
        BadCase{"NonDigit", Join({kData, kLine2.substr(0, 9) + "G" + kLine2.substr(10)}), 2,
                "invalid hexadecimal digit 'G' in column 10"},
        BadCase{"CutShort", Join({kData, kLine2.substr(0, kLine2.size() - 2)}), 2, "record cut short"},
        BadCase{"BlankAfterTheChecksum", Join({kData, kLine2 + " "}), 2, "characters after the checksum"},
        BadCase{"UnknownType", Join({kData, IntelHexLine(6, 0, {})}), 2, "unknown record type 06"},
        BadCase{"LinearBaseOfThreeBytes", Join({kData, IntelHexLine(4, 0, {0, 1, 0})}), 2,
                "type 04 record with a count of 3, not 2"},
        BadCase{"EndWithData", Join({kData, IntelHexLine(1, 0, {0})}), 2, "type 01 record with a count of 1, not 0"},
        BadCase{"SRecordAmongIntelHex", Join({kData, kSRecord}), 2, "not a record"},
        BadCase{"LongerThanAnyRecord", Join({kData, IntelHexLine(0, 0, Bytes(255, 1)) + "0"}), 2, "line too long"},
        BadCase{"BlankLinesAreCounted", Join({kData, "", "x"}), 3, "not a record"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return info.param.name; });

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
