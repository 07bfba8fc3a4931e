#include <gtest/gtest.h>

#include <string>

#include "imagefile/image_file.h"
#include "test_support.h"

namespace {

using namespace test_support;

const std::string kHeader = "S00E000061626320202020206D6F74DB";  // abc.mot
const std::string kLine1 = SRecordLine('1', 0x1234, {0xAB, 0xCD});
const std::string kLine2 = SRecordLine('2', 0x123456, {0x01, 0x02, 0x03});
const std::string kLine3 = SRecordLine('3', 0xFFFFFFFE, {0xEE, 0xFF});
const Piece kPiece1{0x1234, {0xAB, 0xCD}};
const Piece kPiece2{0x123456, {0x01, 0x02, 0x03}};
const Piece kPiece3{0xFFFFFFFE, {0xEE, 0xFF}};

std::string Join(const std::vector<std::string>& lines, const std::string& lineEnd = "\r\n") {
    std::string text;
    for (const std::string& line : lines) text += line + lineEnd;
    return text;
}

struct ReadOutcome {
    std::vector<Piece> pieces;
    std::string moduleName;
    bool flagged = false;
    uint32_t lineNumber = 0;
    std::string reason;
};

ReadOutcome ReadSRecordFile(const std::string& contents) {
    CTempDir dir;
    WriteFileBytes(dir.File("in.mot"), contents);
    CImageFile file;
    EXPECT_TRUE(file.Open(dir.File("in.mot").c_str(), 1));
    file.ReadSRecordHeader();
    ReadOutcome outcome;
    outcome.pieces = ReadAllPieces(file);
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
    std::string moduleName;
};

class SRecordReadsTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(SRecordReadsTest, DeliversThePiecesWithoutAFlag) {
    ReadOutcome outcome = ReadSRecordFile(GetParam().contents);
    EXPECT_EQ(GetParam().pieces, outcome.pieces);
    EXPECT_EQ(GetParam().moduleName, outcome.moduleName);
    EXPECT_FALSE(outcome.flagged) << outcome.reason << " at line " << outcome.lineNumber;
}

const std::string kAbcModule = "abc     mot";
const std::string kBadLine = "this is not a record";

INSTANTIATE_TEST_SUITE_P(
    Files, SRecordReadsTest,
    ::testing::Values(
        GoodCase{"UpperCaseCrLf", Join({kHeader, kLine1, "S9030000FC"}), {kPiece1}, kAbcModule},
        GoodCase{"LowerCase", Lower(Join({kHeader, kLine1, "S9030000FC"})), {kPiece1}, kAbcModule},
        GoodCase{"LfLineEnds", Join({kHeader, kLine1, "S9030000FC"}, "\n"), {kPiece1}, kAbcModule},
        GoodCase{
            "AnyFirstCharacter",
            Join({"X" + kHeader.substr(1), "#" + kLine1.substr(1), " " + kLine2.substr(1), "S9030000FC"}),
            {kPiece1, kPiece2},
            kAbcModule},
        GoodCase{"CharactersAfterTheChecksum",
                 Join({kHeader + " trailing", kLine1 + "\r"}),
                 {kPiece1},
                 kAbcModule},
        GoodCase{"MixedWidthsEndedByAnyTerminator",
                 Join({kLine3, kLine1, kLine2, "S9030000FC"}),
                 {kPiece3, kPiece1, kPiece2},
                 ""},
        GoodCase{"LinesAfterTheTerminatorAreNotRead",
                 Join({kLine1, "S70500000000FA", kBadLine, kLine2}),
                 {kPiece1},
                 ""},
        GoodCase{
            "NoTerminatorReadsToTheEnd", Join({kHeader, kLine1, kLine2}), {kPiece1, kPiece2}, kAbcModule},
        GoodCase{"LastLineWithoutLineEnd", Join({kLine1}) + kLine2, {kPiece1, kPiece2}, ""},
        GoodCase{"Byte1AEndsTheFile", Join({kLine1}) + "\x1A" + Join({kLine2, kBadLine}), {kPiece1}, ""},
        GoodCase{"SecondHeaderIsSkipped",
                 Join({kHeader, kLine1, kHeader, kLine2}),
                 {kPiece1, kPiece2},
                 kAbcModule},
        GoodCase{"DataLineWithoutDataIsSkipped",
                 Join({kLine1, SRecordLine('1', 0x2000, {}), kLine2}),
                 {kPiece1, kPiece2},
                 ""},
        GoodCase{"CountFFIsReadWhole",
                 Join({SRecordLine('1', 0x100, Bytes(252, 0x5A)), kLine1}),
                 {{0x100, Bytes(252, 0x5A)}, kPiece1},
                 ""},
        GoodCase{"CrOnlyLineEnds", Join({kHeader, kLine1, kLine2}, "\r"), {kPiece1, kPiece2}, kAbcModule},
        GoodCase{"CrCrLfLineEnds", Join({kHeader, kLine1, kLine2}, "\r\r\n"), {kPiece1, kPiece2}, kAbcModule},
        GoodCase{"EmptyFile", "", {}, ""}),
    [](const ::testing::TestParamInfo<GoodCase>& info) { return info.param.name; });

struct BadCase {
    const char* name;
    std::string contents;
    std::vector<Piece> pieces;
    uint32_t lineNumber;
    const char* reason;
};

class SRecordBadLineTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(SRecordBadLineTest, StopsThereWithTheFlagLineAndReason) {
    ReadOutcome outcome = ReadSRecordFile(GetParam().contents);
    EXPECT_EQ(GetParam().pieces, outcome.pieces);
    EXPECT_TRUE(outcome.flagged);
    EXPECT_EQ(GetParam().lineNumber, outcome.lineNumber);
    EXPECT_EQ(GetParam().reason, outcome.reason);
}

std::string ReplaceAt(std::string line, size_t nColumn, const std::string& text) {
    return line.replace(nColumn, text.size(), text);
}

std::string WithChecksum(const std::string& line, const char* checksum) {
    return line.substr(0, line.size() - 2) + checksum;
}

// A record whose checksum is right but whose type is not a data type.
std::string TypedLine(char type) {
    std::string line = SRecordLine('1', 0x10, {0x01});
    line[1] = type;
    return line;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SRecordBadLineTest,
    ::testing::Values(BadCase{"EmptyLine", Join({kHeader, kLine1, "", kLine2}), {kPiece1}, 3, "not a record"},
                      BadCase{"TextLine", Join({kLine1, kBadLine}), {kPiece1}, 2, "not a record"},
                      BadCase{"CountBeyondTheLine",
                              Join({kLine1, kLine2.substr(0, kLine2.size() - 4)}),
                              {kPiece1},
                              2,
                              "not a record"},
                      BadCase{"CountZero", Join({"S100FF"}), {}, 1, "not a record"},
                      BadCase{"WrongChecksum",
                              Join({kHeader, kLine1, WithChecksum(kLine2, "00")}),
                              {kPiece1},
                              3,
                              "checksum mismatch"},
                      BadCase{"S5CountLine",
                              Join({kLine1, "S5030001FB", "S9030000FC"}),
                              {kPiece1},
                              2,
                              "unknown record type S5"},
                      BadCase{"S4", Join({TypedLine('4')}), {}, 1, "unknown record type S4"},
                      BadCase{"S6", Join({TypedLine('6')}), {}, 1, "unknown record type S6"},
                      BadCase{"LetterType", Join({TypedLine('X')}), {}, 1, "unknown record type SX"},
                      BadCase{"BadFirstHeaderIsReadAgainAsARecord",
                              Join({WithChecksum(kHeader, "00"), kLine1}),
                              {},
                              1,
                              "checksum mismatch"},
                      // One character more than the longest record.
                      BadCase{"LineLongerThanAnyRecord",
                              Join({kLine1, SRecordLine('1', 0x100, Bytes(252, 0x5A)) + " ", kLine2}),
                              {kPiece1},
                              2,
                              "line too long"},
                      // A good record with more after it than a line may hold: the
                      // rest is part of the same line, not a line of its own.
                      BadCase{"OverLongLineKeepsItsNumber", Join({kHeader, kLine1 + std::string(600, ' '), kLine2}),
                              {}, 2, "line too long"},
                      BadCase{"CrOnlyLinesAreCounted", Join({kLine1, kLine2, kBadLine}, "\r"), {kPiece1, kPiece2}, 3,
                              "not a record"},
                      // "ZZ" would read as 00, and the checksum is that of 00.
                      BadCase{"NonDigitWhereTheChecksumMatches",
                              Join({kLine1, ReplaceAt(SRecordLine('1', 0x10, {0x00, 0x01}), 8, "ZZ")}),
                              {kPiece1},
                              2,
                              "invalid hexadecimal digit 'Z' in column 9"},
                      // S1040010BB30 without its last digit: "3" and the line end
                      // would read as the checksum 30.
                      BadCase{"LineOneDigitShort", Join({kLine1, "S1040010BB3", kLine2}), {kPiece1}, 2,
                              "not a record"},
                      BadCase{"NonDigitInTheCount", Join({ReplaceAt(kLine1, 3, "\x01")}), {}, 1, "not a record"},
                      BadCase{"NonDigitInTheChecksum",
                              Join({ReplaceAt(kLine1, kLine1.size() - 1, " ")}),
                              {},
                              1,
                              "invalid hexadecimal digit 0x20 in column 14"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return info.param.name; });

TEST(SRecordReaderTest, ReadErrorIsFlaggedAsABadLine) {
    CImageFile file;
    // The start of a process's own memory is never mapped: the file opens,
    // and its first read fails.
    if (!file.Open("/proc/self/mem", 1)) GTEST_SKIP() << "no /proc/self/mem on this system";
    file.ReadSRecordHeader();
    EXPECT_EQ(std::vector<Piece>{}, ReadAllPieces(file));
    EXPECT_TRUE(file.m_bNotSRecord);
    EXPECT_EQ("read error", file.GetBadLineReason());
    EXPECT_EQ(1u, file.GetBadLineNumber());
}

TEST(SRecordReaderTest, HeaderTextUpToAZeroByteIsTheModuleName) {
    std::string header = SRecordLine('0', 0, {'H', 'D', 'R', 0, 'x'});
    EXPECT_EQ("HDR", ReadSRecordFile(Join({header, kLine1})).moduleName);
}

TEST(SRecordReaderTest, HeaderIsReadOnlyFromSRecordFiles) {
    CTempDir dir;
    WriteFileBytes(dir.File("h.cde"), Join({kHeader}));
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("h.cde").c_str(), 1));
    file.ReadSRecordHeader();
    EXPECT_STREQ("", file.m_szModuleName);
}

TEST(SRecordParseTest, ClassesAndDecodedFields) {
    CImageFile file;
    EXPECT_EQ(0, file.ParseSRecord(kHeader.c_str()));
    EXPECT_STREQ("abc     mot", reinterpret_cast<const char*>(file.m_recordData));
    EXPECT_EQ(2, file.ParseSRecord(kLine2.c_str()));
    EXPECT_EQ(0x123456u, file.m_nRecordAddress);
    EXPECT_EQ(3u, file.m_nRecordLength);
    for (const char* terminator : {"S9030000FC", "S804000000FB", "S70500000000FA"})
        EXPECT_EQ(4, file.ParseSRecord(terminator)) << terminator;
    EXPECT_EQ(-1, file.ParseSRecord(""));
    EXPECT_EQ(-1, file.ParseSRecord("S"));
}

TEST(SRecordParseTest, CountShorterThanTheAddressGivesNoData) {
    CImageFile file;
    // Count 2 holds only part of an S3 address and the checksum.
    ASSERT_EQ(3, file.ParseSRecord("S30212EB"));
    EXPECT_EQ(0u, file.m_nRecordLength);
}

TEST(SRecordParseTest, HexDigitValueGivesZeroForNonDigits) {
    CImageFile file;
    const char digits[] = "09afAFgG \n\x80";
    int expected[] = {0, 9, 10, 15, 10, 15, 0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < sizeof digits; ++i) EXPECT_EQ(expected[i], file.HexDigitValue(digits + i)) << i;
}

TEST(SRecordParseTest, ChecksumTestStartsAtTheCountsSecondDigit) {
    CImageFile file;
    EXPECT_EQ(1, file.VerifySRecordChecksum(kLine1.c_str() + 3, 5));
    EXPECT_EQ(0, file.VerifySRecordChecksum(kLine1.c_str() + 3, 4));
    // Count 0 compares the count byte 0 with 255.
    EXPECT_EQ(0, file.VerifySRecordChecksum("S100FF" + 3, 0));
}

}  // namespace
