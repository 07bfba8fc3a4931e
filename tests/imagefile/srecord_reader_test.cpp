#include <gtest/gtest.h>

#include <cctype>
#include <random>
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

// Random records of every type and count, whole or broken in one place, read
// by ParseSRecord and from a file, against a reading of the rules written
// here from scratch: the fast decoder of good lines and the careful reading
// of the others must give the same class, fields and verdict.
struct CModelLine {
    int nClass = -1;
    uint32_t nAddress = 0;
    Bytes data;
    bool bGoodInAFile = false;
};

CModelLine ModelReading(const std::string& line) {
    const auto digit = [&](size_t i) -> int {
        if (i >= line.size()) return -1;
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 16;
    };
    // A digit pair as ParseSRecord takes it: a non-digit counts 0, and the
    // end of the text ends it.
    const auto pair = [&](size_t i) { return digit(i) < 0 || digit(i + 1) < 0 ? -1 : digit(i) % 16 * 16 + digit(i + 1) % 16; };
    CModelLine model;
    if (line.size() < 2) return model;
    const int nCount = pair(2);
    if (nCount < 0) return model;
    int nSum = 0;
    for (int k = 0; k < nCount && nSum >= 0; ++k) nSum = pair(2 + 2 * k) < 0 ? -1 : nSum + pair(2 + 2 * k);
    if (nSum < 0 || pair(2 + 2 * nCount) != (~nSum & 0xFF)) return model;
    const char type = line[1];
    const int nAddressDigits = type == '0' || type == '1' ? 4 : type == '2' ? 6 : type == '3' ? 8 : 0;
    if (type >= '7' && type <= '9') model.nClass = 4;
    if (nAddressDigits > 0) model.nClass = type - '0';
    for (int i = 0; i < nAddressDigits && digit(4 + i) >= 0; ++i) model.nAddress = model.nAddress * 16 + digit(4 + i) % 16;
    for (int nColumn = 4 + nAddressDigits; nAddressDigits > 0 && nColumn < 2 * nCount + 1 && pair(nColumn) >= 0; nColumn += 2)
        model.data.push_back(static_cast<uint8_t>(pair(nColumn)));
    model.bGoodInAFile = model.nClass >= 0 && nCount > 0 && static_cast<int>(line.size()) >= 4 + 2 * nCount;
    for (int i = 2; i < 4 + 2 * nCount && model.bGoodInAFile; ++i) model.bGoodInAFile = digit(i) < 16;
    return model;
}

TEST(SRecordParseTest, EveryLineReadsAsTheRulesSay) {
    // Each case is a file of its own: in memory where the system offers it,
    // and fewer of them where the files go to a disk.
    const CTempDir dir;
    const fs::path shm = "/dev/shm";
    const std::string path = fs::is_directory(shm) ? (shm / fs::path(dir.File("")).parent_path().filename()).string()
                                                   : dir.File("in.mot");
    const int nCases = fs::is_directory(shm) ? 4000 : 500;
    std::mt19937 random(20261208);
    const auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    const std::string types = "0123456789X";
    for (int nCase = 0; nCase < nCases; ++nCase) {
        const char type = types[below(static_cast<unsigned>(types.size()))];
        Bytes data(below(4) == 0 ? below(5) : below(40));
        for (uint8_t& byte : data) byte = static_cast<uint8_t>(random());
        std::string line = SRecordLine(type >= '1' && type <= '3' ? type : '1', random(), data);
        line[1] = type;
        if (below(2)) line = Lower(line);
        switch (below(7)) {
            case 0: line[below(static_cast<unsigned>(line.size()))] = static_cast<char>(1 + below(255)); break;
            case 1: line.resize(below(static_cast<unsigned>(line.size()))); break;
            case 2: line.replace(2, 2, std::string(1, "0123456789ABCDEF"[below(16)]) + "0123456789ABCDEF"[below(16)]); break;
            case 3: {
                // A count too short for any address, with its checksum.
                const unsigned nCount = 1 + below(4);
                unsigned nSum = nCount;
                char szPair[3];
                std::snprintf(szPair, sizeof szPair, "%02X", nCount);
                line = std::string("S") + type + szPair;
                for (unsigned k = 1; k <= nCount; ++k) {
                    const unsigned byte = k < nCount ? below(256) : ~nSum & 0xFF;
                    nSum += byte;
                    std::snprintf(szPair, sizeof szPair, "%02X", byte);
                    line += szPair;
                }
                break;
            }
            default: break;
        }
        const CModelLine model = ModelReading(line);
        CImageFile parsed;
        const int nClass = parsed.ParseSRecord(line.c_str());
        ASSERT_EQ(model.nClass, nClass) << line;
        if (nClass >= 1 && nClass <= 3) {
            EXPECT_EQ(model.nAddress, parsed.m_nRecordAddress) << line;
            EXPECT_EQ(model.data, Bytes(parsed.m_recordData, parsed.m_recordData + parsed.m_nRecordLength)) << line;
        }
        if (nClass == 0) {
            EXPECT_EQ(model.data, Bytes(parsed.m_recordData, parsed.m_recordData + model.data.size())) << line;
        }

        WriteFileBytes(path, "S1030000FC\n" + line + "\n");
        CImageFile file;
        ASSERT_TRUE(file.Open(path.c_str(), 1));
        const std::vector<Piece> pieces = ReadAllPieces(file);
        EXPECT_EQ(!model.bGoodInAFile, file.m_bNotSRecord != 0) << line << ": " << file.GetBadLineReason();
        const bool bData = model.bGoodInAFile && nClass >= 1 && nClass <= 3 && !model.data.empty();
        ASSERT_EQ(bData ? 1u : 0u, pieces.size()) << line;
        if (bData) {
            EXPECT_EQ((Piece{model.nAddress, model.data}), pieces[0]) << line;
        }
    }
    fs::remove(path);
}

}  // namespace
