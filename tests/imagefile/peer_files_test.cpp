#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "imagefile/file_kinds.h"
#include "imagefile/image_file.h"
#include "test_support.h"

// S-record and Intel HEX files written by other tools, generated during the test run from
// fixed random data: what this reader takes from them must be the bytes that
// the same tool itself converts to binary.

namespace {

using namespace test_support;

bool IsInstalled(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

void WriteRandomFile(const std::string& path, uint32_t nSeed, size_t nSize) {
    std::mt19937 rng(nSeed);
    std::string bytes(nSize, '\0');
    for (char& byte : bytes) byte = static_cast<char>(rng());
    WriteFileBytes(path, bytes);
}

struct PeerCase {
    const char* name;
    const char* tool;
    // Run in the test's directory, with a.bin (3000 bytes) and b.bin (1000
    // bytes) there: the first writes the file, the second converts it back
    // to back.bin from its lowest address on.
    const char* makeSRecords;
    const char* makeBinary;
    size_t dataBytes;
    // The tool ends its file with an S5 count line, which is not a record
    // here: every data line is read, then reading stops at it with the flag.
    bool endsWithS5;
    const char* file = "out.mot";
};

class PeerFileTest : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerFileTest, ReadsTheBytesThatThePeerConvertsToBinary) {
    const PeerCase& peer = GetParam();
    if (!IsInstalled(peer.tool))
        GTEST_SKIP() << peer.tool
                     << " is not installed: peer files not generated (Debian: binutils, srecord)";
    CTempDir dir;
    WriteRandomFile(dir.File("a.bin"), 2024, 3000);
    WriteRandomFile(dir.File("b.bin"), 4202, 1000);
    std::string inDir = "cd '" + dir.File("") + "' && ";
    ASSERT_EQ(0, std::system((inDir + peer.makeSRecords + " 2>peer.log").c_str()))
        << ReadFileBytes(dir.File("peer.log"));
    ASSERT_EQ(0, std::system((inDir + peer.makeBinary + " 2>peer.log").c_str()))
        << ReadFileBytes(dir.File("peer.log"));

    CImageFile file;
    ASSERT_TRUE(file.Open(dir.File(peer.file).c_str(), 1));
    // As a load starts: the text decides between S-records and Intel HEX.
    FindFileKind(file.m_nKind)->pStartReading(file);
    std::vector<Piece> pieces = ReadAllPieces(file);
    ASSERT_FALSE(pieces.empty());
    EXPECT_STRNE("", file.m_szModuleName);

    // Lay the pieces out as the peers do: from the lowest address, gaps 0.
    uint32_t lowest = pieces.front().address;
    uint64_t end = 0;
    size_t byteCount = 0;
    for (const Piece& piece : pieces) {
        lowest = std::min(lowest, piece.address);
        end = std::max<uint64_t>(end, uint64_t{piece.address} + piece.bytes.size());
        byteCount += piece.bytes.size();
    }
    std::string image(static_cast<size_t>(end - lowest), '\0');
    for (const Piece& piece : pieces)
        std::copy(piece.bytes.begin(), piece.bytes.end(), image.begin() + (piece.address - lowest));
    EXPECT_EQ(ReadFileBytes(dir.File("back.bin")), image);
    EXPECT_EQ(peer.dataBytes, byteCount);

    if (peer.endsWithS5) {
        std::string text = ReadFileBytes(dir.File(peer.file));
        EXPECT_TRUE(file.m_bNotSRecord);
        EXPECT_EQ("unknown record type S5", file.GetBadLineReason());
        EXPECT_EQ(static_cast<uint32_t>(std::count(text.begin(), text.end(), '\n')), file.GetBadLineNumber());
    } else {
        EXPECT_FALSE(file.m_bNotSRecord) << file.GetBadLineReason() << " at line " << file.GetBadLineNumber();
    }
}

constexpr const char* kObjcopyToBinary = "objcopy -I srec -O binary out.mot back.bin";
constexpr const char* kObjcopyIntelHexToBinary = "objcopy -I ihex -O binary out.hex back.bin";

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerFileTest,
    ::testing::Values(
        PeerCase{"ObjcopyS1Length16", "objcopy",
                 "objcopy -I binary -O srec --srec-len 16 --change-addresses 0x1000 a.bin out.mot",
                 kObjcopyToBinary, 3000, false},
        PeerCase{"ObjcopyS2Length32", "objcopy",
                 "objcopy -I binary -O srec --srec-len 32 --change-addresses 0x123456 a.bin out.mot",
                 kObjcopyToBinary, 3000, false},
        PeerCase{
            "ObjcopyForcedS3", "objcopy",
            "objcopy -I binary -O srec --srec-len 32 --srec-forceS3 --change-addresses 0x200 a.bin out.mot",
            kObjcopyToBinary, 3000, false},
        PeerCase{"ObjcopyS3NearTheTop", "objcopy",
                 "objcopy -I binary -O srec --srec-len 16 --change-addresses 0xFFFFF000 a.bin out.mot",
                 kObjcopyToBinary, 3000, false},
        PeerCase{"SrecCatTwoAreasWithoutCount", "srec_cat",
                 "srec_cat a.bin -binary -offset 0x10000 b.bin -binary -offset 0x20000 -o out.mot -motorola "
                 "-disable=data-count",
                 "srec_cat out.mot -motorola -offset -0x10000 -o back.bin -binary", 4000, false},
        PeerCase{"SrecCatS3Block16WithoutCount", "srec_cat",
                 "srec_cat a.bin -binary -offset 0x7FFF0000 -o out.mot -motorola -address-length=4 "
                 "-output-block-size=16 -disable=data-count",
                 "srec_cat out.mot -motorola -offset -0x7FFF0000 -o back.bin -binary", 3000, false},
        PeerCase{"SrecCatDefaultWithCount", "srec_cat",
                 "srec_cat a.bin -binary -offset 0x100 -o out.mot -motorola",
                 "srec_cat out.mot -motorola -offset -0x100 -o back.bin -binary", 3000, true},
        // Below 1 MiB objcopy writes segment (02) records, above it linear
        // (04) ones; its records are cut at every 64 KiB boundary.
        PeerCase{"ObjcopyIntelHexSegmentsAcross64KiB", "objcopy",
                 "objcopy -I binary -O ihex --change-addresses 0x1FF00 a.bin out.hex",
                 kObjcopyIntelHexToBinary, 3000, false, "out.hex"},
        PeerCase{"ObjcopyIntelHexLinearNearTheTop", "objcopy",
                 "objcopy -I binary -O ihex --change-addresses 0xFFFFF000 b.bin out.hex",
                 kObjcopyIntelHexToBinary, 1000, false, "out.hex"},
        PeerCase{"SrecCatIntelHex16BitLength32", "srec_cat",
                 "srec_cat a.bin -binary -offset 0x100 b.bin -binary -offset 0x8000 -o out.hex -intel "
                 "-address-length=2 -obs=32",
                 "srec_cat out.hex -intel -offset -0x100 -o back.bin -binary", 4000, false, "out.hex"},
        PeerCase{"SrecCatIntelHex20BitLength16", "srec_cat",
                 "srec_cat a.bin -binary -offset 0x1FF00 b.bin -binary -offset 0xFFC00 -o out.hex -intel "
                 "-address-length=3 -obs=16",
                 "srec_cat out.hex -intel -offset -0x1FF00 -o back.bin -binary", 4000, false, "out.hex"},
        PeerCase{
            "SrecCatIntelHex32BitLength255", "srec_cat",
            "srec_cat a.bin -binary -offset 0x7FFFFF00 b.bin -binary -offset 0x80010000 -o out.hex -intel "
            "-address-length=4 -obs=255",
            "srec_cat out.hex -intel -offset -0x7FFFFF00 -o back.bin -binary", 4000, false, "out.hex"}),
    [](const ::testing::TestParamInfo<PeerCase>& info) { return info.param.name; });

}  // namespace
