#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <sstream>

#include "tests/convert/convert_fixture.h"
#include "tests/convert/srecord_lines.h"

// The .cde file must be the bytes that binutils objcopy makes of the same
// S-record or Intel HEX file (lowest to highest address, gaps filled with
// 0xFF), except that runs of eight or more 0xFF bytes at either end are not
// data to convert. The inputs themselves are written by objcopy and by
// srec_cat from random bytes.

namespace {

struct CArea {
    uint32_t nAddress;
    std::string bytes;
};

std::string RandomBytes(size_t length, uint32_t nSeed) {
    std::mt19937 generator(nSeed);
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string Hex(uint64_t nValue) {
    char szText[24];
    std::snprintf(szText, sizeof szText, "0x%" PRIx64, nValue);
    return szText;
}

size_t LeadingErased(const std::string& bytes) {
    const size_t nFirst = bytes.find_first_not_of('\xff');
    return nFirst == std::string::npos ? bytes.size() : nFirst;
}

size_t TrailingErased(const std::string& bytes) {
    const size_t nLast = bytes.find_last_not_of('\xff');
    return nLast == std::string::npos ? bytes.size() : bytes.size() - 1 - nLast;
}

class ConvertPeerTest : public ConvertTest {
protected:
    void SetUp() override {
        if (!IsOnPath("objcopy")) GTEST_SKIP() << "objcopy is not installed (Debian package binutils)";
    }

    // objcopy writes one area as S-records; the record type follows from the
    // address unless `options` force S3.
    void ObjcopySRecords(const CArea& area, const std::string& name,
                         const std::vector<std::string>& options) {
        WriteInput("area.bin", area.bytes);
        std::vector<std::string> command{
            "objcopy", "-I", "binary", "-O", "srec", "--change-addresses", Hex(area.nAddress)};
        command.insert(command.end(), options.begin(), options.end());
        command.insert(command.end(), {"area.bin", name});
        RunPeer(command);
    }

    void SrecCatSRecords(const std::vector<CArea>& areas, const std::string& name, int nAddressBytes,
                         int nLineBytes) {
        std::vector<std::string> command{"srec_cat"};
        for (size_t n = 0; n < areas.size(); ++n) {
            const std::string areaName = "area" + std::to_string(n) + ".bin";
            WriteInput(areaName, areas[n].bytes);
            command.insert(command.end(), {areaName, "-binary", "-offset", Hex(areas[n].nAddress)});
        }
        command.insert(command.end(),
                       {"-o", name, "-motorola", "-address-length=" + std::to_string(nAddressBytes),
                        "-obs=" + std::to_string(nLineBytes), "-disable=data-count"});
        RunPeer(command);
    }

    void RunPeer(const std::vector<std::string>& command) {
        const CProgramRun run = RunProgram(command, m_scratch.Path().string());
        ASSERT_EQ(0, run.nExitStatus) << command[0] << ": " << run.strErr;
    }

    // Converts `name` with both programs and compares; `nLowest` is the lowest
    // address in the file, where objcopy's binary output begins.
    void ExpectSameAsObjcopy(const std::string& name, uint32_t nLowest, const std::string& format = "srec") {
        RunPeer({"objcopy", "-I", format, "-O", "binary", "--gap-fill", "0xff", name, "peer.bin"});
        std::string expected = ReadOutput("peer.bin");
        ASSERT_FALSE(expected.empty());
        const size_t nLeading = LeadingErased(expected) >= 8 ? LeadingErased(expected) : 0;
        const size_t nTrailing = TrailingErased(expected) >= 8 ? TrailingErased(expected) : 0;
        expected = expected.substr(nLeading, expected.size() - nLeading - nTrailing);
        const uint64_t nStart = uint64_t{nLowest} + nLeading;

        const CProgramRun run = Convert(name);
        EXPECT_EQ(0, run.nExitStatus) << run.strOut;
        EXPECT_EQ(AddressLines(Hex(nStart), Hex(nStart + expected.size() - 1), Hex(expected.size())),
                  run.strOut);
        EXPECT_EQ("", run.strErr);
        const std::string actual = ReadOutput(name.substr(0, name.rfind('.')) + ".cde");
        ASSERT_EQ(expected.size(), actual.size());
        EXPECT_TRUE(expected == actual) << "the .cde differs from objcopy's binary output";
    }

    // Keeps the first line (the header) in place and shuffles the rest.
    void ShuffleDataLines(const std::string& name, uint32_t nSeed) {
        std::istringstream in(ReadOutput(name));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
        std::shuffle(lines.begin() + 1, lines.end(), std::mt19937(nSeed));
        std::string text;
        for (const std::string& line : lines) text += line;
        WriteInput(name, text);
    }
};

TEST_F(ConvertPeerTest, ObjcopyS1WithSixteenByteLines) {
    const CArea area{0x1000, RandomBytes(3000, 1)};
    ObjcopySRecords(area, "prog.mot", {"--srec-len=16"});
    ASSERT_EQ("S1", ReadOutput("prog.mot").substr(ReadOutput("prog.mot").find('\n') + 1, 2));
    ExpectSameAsObjcopy("prog.mot", area.nAddress);
}

TEST_F(ConvertPeerTest, ObjcopyS2WithThirtyTwoByteLines) {
    const CArea area{0x2F000, RandomBytes(5000, 2)};
    ObjcopySRecords(area, "prog.mot", {"--srec-len=32"});
    ASSERT_EQ("S2", ReadOutput("prog.mot").substr(ReadOutput("prog.mot").find('\n') + 1, 2));
    ExpectSameAsObjcopy("prog.mot", area.nAddress);
}

TEST_F(ConvertPeerTest, ObjcopyS3WithSixteenByteLines) {
    const CArea area{0x08000000, RandomBytes(4000, 3)};
    ObjcopySRecords(area, "prog.s3", {"--srec-len=16", "--srec-forceS3"});
    ExpectSameAsObjcopy("prog.s3", area.nAddress);
}

TEST_F(ConvertPeerTest, ObjcopyAreaWithErasedEndsIsTrimmedAtRunsOfEight) {
    const CArea area{0x3000, ErasedBytes(9) + RandomBytes(1979, 4) + ErasedBytes(12)};
    ObjcopySRecords(area, "prog.mot", {"--srec-len=16"});
    ExpectSameAsObjcopy("prog.mot", area.nAddress);
    EXPECT_EQ(1979u, ReadOutput("prog.cde").size());
}

// Below 1 MiB objcopy writes Intel HEX in segments (02 records).
TEST_F(ConvertPeerTest, ObjcopyIntelHexInSegmentsAcross64KiB) {
    const CArea area{0x1FF00, ErasedBytes(8) + RandomBytes(5000, 20)};
    ObjcopySRecords(area, "fw.hex", {"-O", "ihex"});
    ASSERT_EQ(":020000021000EC", ReadOutput("fw.hex").substr(0, 15));
    ExpectSameAsObjcopy("fw.hex", area.nAddress, "ihex");
}

TEST_F(ConvertPeerTest, ObjcopyAreaWithShortErasedEndsKeepsThem) {
    const CArea area{0x3000, ErasedBytes(7) + RandomBytes(1000, 5) + ErasedBytes(7)};
    ObjcopySRecords(area, "prog.mot", {"--srec-len=32"});
    ExpectSameAsObjcopy("prog.mot", area.nAddress);
    EXPECT_EQ(1014u, ReadOutput("prog.cde").size());
}

// The srec_cat cases need srec_cat as well; the skip is made in SetUp, since
// GTEST_SKIP in a helper would return from the helper only.
class ConvertSrecCatTest : public ConvertPeerTest {
protected:
    void SetUp() override {
        ConvertPeerTest::SetUp();
        if (!IsSkipped() && !IsOnPath("srec_cat"))
            GTEST_SKIP() << "srec_cat is not installed (Debian package srecord)";
    }
};

TEST_F(ConvertSrecCatTest, SeveralAreasInS2WithThirtyTwoByteLines) {
    const std::vector<CArea> areas{{0x10000, RandomBytes(700, 6)},
                                   {0x102C0, RandomBytes(64, 7)},
                                   {0x14000, RandomBytes(1000, 8)},
                                   {0x20010, RandomBytes(33, 9)}};
    SrecCatSRecords(areas, "prog.mot", 3, 32);
    ExpectSameAsObjcopy("prog.mot", 0x10000);
}

TEST_F(ConvertSrecCatTest, S1WithSixteenByteLines) {
    const std::vector<CArea> areas{{0x0000, RandomBytes(300, 10)}, {0x8000, RandomBytes(2000, 11)}};
    SrecCatSRecords(areas, "prog.s19", 2, 16);
    ExpectSameAsObjcopy("prog.s19", 0);
}

TEST_F(ConvertSrecCatTest, S3AreasFarApartNearTheTop) {
    const std::vector<CArea> areas{{0xFFF00000, RandomBytes(256, 12)}, {0xFFFFFF00, RandomBytes(256, 13)}};
    SrecCatSRecords(areas, "prog.mot", 4, 16);
    ExpectSameAsObjcopy("prog.mot", 0xFFF00000);
}

TEST_F(ConvertSrecCatTest, RecordsOutOfOrder) {
    const std::vector<CArea> areas{{0x400, RandomBytes(1500, 14)},
                                   {0x1000, ErasedBytes(3) + RandomBytes(500, 15)},
                                   {0x3000, RandomBytes(100, 16) + ErasedBytes(5)}};
    SrecCatSRecords(areas, "prog.mot", 3, 16);
    ShuffleDataLines("prog.mot", 17);
    ExpectSameAsObjcopy("prog.mot", 0x400);
}

TEST_F(ConvertSrecCatTest, ErasedEndsAcrossSeveralAreas) {
    const std::vector<CArea> areas{{0x800, ErasedBytes(20) + RandomBytes(300, 18)},
                                   {0x1000, RandomBytes(300, 19) + ErasedBytes(8)}};
    SrecCatSRecords(areas, "prog.mot", 2, 32);
    ExpectSameAsObjcopy("prog.mot", 0x800);
    EXPECT_EQ(0x1000u + 300 - (0x800 + 20), ReadOutput("prog.cde").size());
}

}  // namespace
