#include <gtest/gtest.h>

#include <string>

#include "imagefile/image_file.h"
#include "test_support.h"

namespace {

using namespace test_support;

// Writes one S-record file: header, pieces, terminator; returns its bytes.
std::string WriteSRecordFile(const CTempDir& dir, const std::string& name, uint32_t highest,
                             const std::vector<Piece>& pieces) {
    CImageFile file;
    EXPECT_TRUE(file.Open(dir.File(name).c_str(), 0));
    file.WriteSRecordHeader(highest);
    for (const Piece& piece : pieces)
        file.WriteRecord(piece.address, static_cast<uint32_t>(piece.bytes.size()), piece.bytes.data());
    file.WriteSRecordTerminator();
    file.Close();
    return ReadFileBytes(dir.File(name));
}

struct HeaderCase {
    const char* fileName;
    const char* headerLine;
};

class SRecordHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(SRecordHeaderTest, NameAndExtensionFillTheHeaderText) {
    CTempDir dir;
    std::string bytes = WriteSRecordFile(dir, GetParam().fileName, 0, {});
    EXPECT_EQ(std::string(GetParam().headerLine) + "\r\nS9030000FC\r\n", bytes);
}

// Ten characters of a name keep their first eight, four of an extension
// their first three.
INSTANTIATE_TEST_SUITE_P(FileNames, SRecordHeaderTest,
                         ::testing::Values(HeaderCase{"abc.mot", "S00E000061626320202020206D6F74DB"},
                                           HeaderCase{"x", "S00E0000782020202020202020202039"},
                                           HeaderCase{"abcdefghij.mot", "S00E000061626364656667686D6F747D"},
                                           HeaderCase{"a.moto", "S00E000061202020202020206D6F7460"},
                                           HeaderCase{"ab.c", "S00E00006162202020202020632020CB"}),
                         [](const ::testing::TestParamInfo<HeaderCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST(SRecordWriterTest, DataLinesOfEachWidthMatchTheirExamples) {
    CTempDir dir;
    EXPECT_EQ("S00E000061626320202020206D6F74DB\r\nS1051234abcd3c\r\nS9030000FC\r\n",
              WriteSRecordFile(dir, "abc.mot", 0x1235, {{0x1234, {0xAB, 0xCD}}}));
    EXPECT_EQ("S00E000061626320202020206D6F74DB\r\nS207010000001fffd9\r\nS804000000FB\r\n",
              WriteSRecordFile(dir, "abc.mot", 0x10002, {{0x10000, {0x00, 0x1F, 0xFF}}}));
    EXPECT_EQ("S00E000061626320202020206D6F74DB\r\nS306010000005a9e\r\nS70500000000FA\r\n",
              WriteSRecordFile(dir, "abc.mot", 0x1000000, {{0x1000000, {0x5A}}}));
}

TEST(SRecordWriterTest, HighestAddressChoosesTheWidthAtItsBoundaries) {
    struct {
        uint32_t highest;
        int width;
    } cases[] = {{0, 1}, {0xFFFF, 1}, {0x10000, 2}, {0xFFFFFF, 2}, {0x1000000, 3}, {0xFFFFFFFF, 3}};
    CTempDir dir;
    for (const auto& c : cases) {
        CImageFile file;
        ASSERT_TRUE(file.Open(dir.File("w.mot").c_str(), 0));
        file.WriteSRecordHeader(c.highest);
        EXPECT_EQ(c.width, file.m_nAddressWidth) << std::hex << c.highest;
    }
}

TEST(SRecordWriterTest, CountDataAndChecksumAreLowerCaseAndAddressUpperCase) {
    CTempDir dir;
    Bytes data(23);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xE0 + i);
    std::string upper = SRecordLine('1', 0xABCD, data);
    std::string expected = "S1" + Lower(upper.substr(2, 2)) + upper.substr(4, 4) + Lower(upper.substr(8));
    ASSERT_EQ("S11aABCDe0e1", expected.substr(0, 12));
    std::string bytes = WriteSRecordFile(dir, "c.mot", 0xFFFF, {{0xABCD, data}});
    EXPECT_EQ(
        "S00E00006320202020202020"
        "6D6F74"
        "5E\r\n" +
            expected + "\r\nS9030000FC\r\n",
        bytes);
}

TEST(SRecordWriterTest, MoreBytesThanOneLineHoldsBecomeSeveralLines) {
    CTempDir dir;
    Bytes data(250, 0x11);
    std::string bytes = WriteSRecordFile(dir, "m.mot", 0xFFFF, {{0x100, data}});
    EXPECT_NE(std::string::npos, bytes.find("\r\nS17b0100" + std::string(240, '1')));
    EXPECT_NE(std::string::npos, bytes.find("\r\nS17b0178" + std::string(240, '1')));
    EXPECT_NE(std::string::npos, bytes.find("\r\nS10d01F0" + std::string(20, '1')));
}

TEST(SRecordWriterTest, HeaderAndTerminatorAreOnlyForSRecordFiles) {
    CTempDir dir;
    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File("w.cde").c_str(), 0));
    file.m_nAddressWidth = 2;
    file.WriteSRecordHeader(0);
    file.WriteSRecordTerminator();
    file.Close();
    EXPECT_EQ(2, file.m_nAddressWidth);
    EXPECT_EQ("", ReadFileBytes(dir.File("w.cde")));
}

TEST(SRecordWriterTest, FormatSRecordUsesUpperCaseDataAndTheWidthsAddressBytes) {
    CImageFile file;
    char text[64];
    const uint8_t data[] = {0xAB, 0xCD};
    file.m_nAddressWidth = 1;
    file.FormatSRecord(0x1234, data, text, 2);
    EXPECT_STREQ("S1051234ABCD3C\n", text);
    // Only the printed address bytes are summed, unlike a written line.
    file.FormatSRecord(0x51234, data, text, 2);
    EXPECT_STREQ("S10551234ABCD3C\n", text);
    file.m_nAddressWidth = 3;
    file.FormatSRecord(0x1000000, data + 1, text, 1);
    EXPECT_STREQ("S30601000000CD2B\n", text);
}

}  // namespace
