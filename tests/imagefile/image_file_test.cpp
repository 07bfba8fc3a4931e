#include "imagefile/image_file.h"

#include <gtest/gtest.h>

#include <string>

#include "host/file_stream.h"
#include "imagefile/path_parts.h"
#include "test_support.h"

namespace {

using namespace test_support;

TEST(PathPartsTest, SplitsDriveDirectoryBaseNameAndExtension) {
    struct {
        const char* path;
        const char* drive;
        const char* directory;
        const char* baseName;
        const char* extension;
    } cases[] = {
        {"C:\\work\\sub/abc.mot", "C:", "\\work\\sub/", "abc", ".mot"},
        {"d:abc", "d:", "", "abc", ""},
        {"/tmp/a.b/prog.cde.bak", "", "/tmp/a.b/", "prog.cde", ".bak"},
        {"dir.x/name", "", "dir.x/", "name", ""},
        {".profile", "", "", "", ".profile"},
        {"1:x.y", "", "", "1:x", ".y"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        CPathParts parts = SplitPath(c.path);
        EXPECT_EQ(c.drive, parts.drive) << c.path;
        EXPECT_EQ(c.directory, parts.directory) << c.path;
        EXPECT_EQ(c.baseName, parts.baseName) << c.path;
        EXPECT_EQ(c.extension, parts.extension) << c.path;
    }
}

TEST(ImageFileTest, ExactLowerCaseExtensionChoosesTheKind) {
    struct {
        const char* name;
        int kind;
    } cases[] = {{"prog.fpr", kKindFpr},         {"prog.cde", kKindCde},      {"PROG.FPR", kKindSRecord},
                 {"prog.Cde", kKindSRecord},     {"prog.fprx", kKindSRecord}, {"prog", kKindSRecord},
                 {"prog.cde.bak", kKindSRecord}, {"prog.mot", kKindSRecord}};
    CTempDir dir;
    for (const auto& c : cases) {
        CImageFile file;
        ASSERT_TRUE(file.Open(dir.File(c.name).c_str(), 0)) << c.name;
        EXPECT_EQ(c.kind, file.m_nKind) << c.name;
        EXPECT_EQ(c.kind == kKindSRecord ? CFileStream::kModeText : CFileStream::kModeBinary,
                  file.m_pFile->GetMode())
            << c.name;
    }
}

TEST(ImageFileTest, FileNameKeepsOnlyBaseNameAndExtension) {
    CTempDir dir;
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("abc.mot").c_str(), 0));
    EXPECT_STREQ("abc.mot", file.GetFileName());
    EXPECT_EQ(file.m_szFileName, file.GetFileName());
}

TEST(ImageFileTest, FailedOpenSetsTheNameButNoFileAndKeepsTheKind) {
    CTempDir dir;
    CImageFile file;
    file.m_nKind = kKindCde;
    EXPECT_EQ(0, file.Open(dir.File("missing.fpr").c_str(), 1));
    EXPECT_EQ(nullptr, file.m_pFile);
    EXPECT_EQ(kKindCde, file.m_nKind);
    EXPECT_STREQ("missing.fpr", file.m_szFileName);
    EXPECT_EQ(0, file.Open(nullptr, 1));
}

TEST(ImageFileTest, LongNamesAreCutTo255Characters) {
    CImageFile file;
    std::string name(300, 'n');
    file.Open(("C:\\dir\\" + name + ".mot").c_str(), 1);
    EXPECT_EQ(name.substr(0, 255), file.m_szFileName);
}

TEST(ImageFileTest, CloseWritesTheFileOutAndASecondCloseDoesNothing) {
    CTempDir dir;
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("c.cde").c_str(), 0));
    file.WriteRecord(0, 3, reinterpret_cast<const uint8_t*>("abc"));
    file.Close();
    EXPECT_EQ(nullptr, file.m_pFile);
    file.Close();
    EXPECT_EQ("abc", ReadFileBytes(dir.File("c.cde")));
    EXPECT_EQ(kKindCde, file.m_nKind);
    EXPECT_EQ(0, file.HasCloseFailed());
}

TEST(ImageFileTest, DestructorClosesAnOpenFile) {
    CTempDir dir;
    {
        CImageFile file;
        ASSERT_TRUE(file.Open(dir.File("d.cde").c_str(), 0));
        file.WriteRecord(0, 2, reinterpret_cast<const uint8_t*>("de"));
    }
    EXPECT_EQ("de", ReadFileBytes(dir.File("d.cde")));
}

TEST(ImageFileTest, CloseRecordsAWriteThatFailed) {
    CImageFile file;
    if (!file.Open("/dev/full", 0)) GTEST_SKIP() << "/dev/full is not available";
    file.WriteSRecordHeader(0);
    file.Close();
    EXPECT_EQ(1, file.HasCloseFailed());
}

TEST(ImageFileTest, RawAndUnopenedFilesWriteNothingAndRawReadsLikeCde) {
    CTempDir dir;
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("r.cde").c_str(), 0));
    file.m_nKind = kKindRaw;
    file.WriteRecord(0, 3, reinterpret_cast<const uint8_t*>("abc"));
    file.Close();
    EXPECT_EQ("", ReadFileBytes(dir.File("r.cde")));

    WriteFileBytes(dir.File("r.bin"), "xyz");
    ASSERT_TRUE(file.Open(dir.File("r.bin").c_str(), 1));
    file.m_pFile->SetMode(CFileStream::kModeBinary);
    file.m_nKind = kKindRaw;
    file.m_nRecordAddress = 0;
    EXPECT_EQ((std::vector<Piece>{{0, {'x', 'y', 'z'}}}), ReadAllPieces(file));

    CImageFile none;
    uint32_t address = 7;
    uint32_t length = 9;
    none.ReadRecord(address, length, nullptr);
    EXPECT_EQ(7u, address);
    EXPECT_EQ(9u, length);
}

std::string FprHeader(const char* address, const char* length) {
    return std::string(address) + length;
}

TEST(FprFormatTest, RecordsOfAtMost200BytesWithTheirHeaders) {
    CTempDir dir;
    Bytes data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("p.fpr").c_str(), 0));
    EXPECT_EQ(1, file.WriteFprHeader());
    file.WriteRecord(0x1000, 300, data.data());
    file.Close();
    std::string expected = FprHeader("00001000", "00000200") + std::string(data.begin(), data.begin() + 200) +
                           FprHeader("000010C8", "00000100") + std::string(data.begin() + 200, data.end());
    EXPECT_EQ(expected, ReadFileBytes(dir.File("p.fpr")));
}

TEST(FprFormatTest, PieceEndingAtTheTopOfTheAddressSpaceIsWritten) {
    CTempDir dir;
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("top.fpr").c_str(), 0));
    Bytes data(0xC8, 0xAA);
    file.WriteRecord(0xFFFFFF38, 0xC8, data.data());
    file.Close();
    EXPECT_EQ(FprHeader("FFFFFF38", "00000200") + std::string(0xC8, '\xAA'),
              ReadFileBytes(dir.File("top.fpr")));
}

struct FprReadCase {
    const char* name;
    std::string contents;
    std::vector<Piece> pieces;
};

class FprReadTest : public ::testing::TestWithParam<FprReadCase> {};

TEST_P(FprReadTest, ReadsRecordsUntilOneIsNotWhole) {
    CTempDir dir;
    WriteFileBytes(dir.File("in.fpr"), GetParam().contents);
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("in.fpr").c_str(), 1));
    EXPECT_EQ(1, file.ReadFprHeader());
    EXPECT_EQ(GetParam().pieces, ReadAllPieces(file));
}

const std::string kFprGood = FprHeader("0000ABCD", "00000003") + "xyz";
const Piece kFprGoodPiece{0xABCD, {'x', 'y', 'z'}};

INSTANTIATE_TEST_SUITE_P(
    Files, FprReadTest,
    ::testing::Values(
        FprReadCase{"TwoRecords",
                    kFprGood + FprHeader("FFFFFFFF", "00000001") + "\x1A",
                    {kFprGoodPiece, {0xFFFFFFFF, {0x1A}}}},
        FprReadCase{"LengthAbove200Ends",
                    kFprGood + FprHeader("00000000", "00000201") + std::string(201, 'a'),
                    {kFprGoodPiece}},
        FprReadCase{
            "LengthZeroEnds", kFprGood + FprHeader("00000000", "00000000") + kFprGood, {kFprGoodPiece}},
        FprReadCase{
            "NegativeLengthEnds", kFprGood + FprHeader("00000000", "-0000001") + "a", {kFprGoodPiece}},
        FprReadCase{"HeaderWithoutNumbersEnds", kFprGood + "not a header....abc", {kFprGoodPiece}},
        FprReadCase{"HeaderCutShortEnds", kFprGood + "0000", {kFprGoodPiece}},
        FprReadCase{
            "DataCutShortEnds", kFprGood + FprHeader("00000000", "00000010") + "short", {kFprGoodPiece}},
        // The scan skips blanks before a number without counting them, so
        // only a copy that ends after 16 characters keeps the data's digits
        // out of the length.
        FprReadCase{"DataDigitsAreNotPartOfTheHeader",
                    FprHeader("00000010", "       2") + "99",
                    {{0x10, {'9', '9'}}}}),
    [](const ::testing::TestParamInfo<FprReadCase>& info) { return info.param.name; });

TEST(CdeFormatTest, BlocksFollowEachOtherWithoutAddresses) {
    CTempDir dir;
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("o.cde").c_str(), 0));
    file.m_nRecordAddress = 0;
    file.WriteRecord(0x100, 0x20, Bytes(0x20, '\n').data());
    EXPECT_EQ(0x120u, file.m_nRecordAddress);
    file.WriteRecord(0x5000, 2, reinterpret_cast<const uint8_t*>("\r\x1A"));
    EXPECT_EQ(0x5002u, file.m_nRecordAddress);
    file.Close();
    EXPECT_EQ(std::string(0x20, '\n') + "\r\x1A", ReadFileBytes(dir.File("o.cde")));
}

TEST(CdeFormatTest, ReadsPiecesOf500BytesFromTheRecordAddress) {
    CTempDir dir;
    WriteFileBytes(dir.File("i.cde"), std::string(1200, '\x1A'));
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("i.cde").c_str(), 1));
    file.m_nRecordAddress = 0;
    std::vector<Piece> pieces = ReadAllPieces(file);
    ASSERT_EQ(3u, pieces.size());
    EXPECT_EQ(0u, pieces[0].address);
    EXPECT_EQ(500u, pieces[0].bytes.size());
    EXPECT_EQ(500u, pieces[1].address);
    EXPECT_EQ(500u, pieces[1].bytes.size());
    EXPECT_EQ((Piece{1000, Bytes(200, 0x1A)}), pieces[2]);
}

}  // namespace
