#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "imagefile/image_file.h"
#include "test_support.h"

namespace {

using namespace test_support;

// Ascending pieces of random bytes between nFirst and nTop, the last one
// ending exactly at nTop, so that the highest address of the range is used.
std::vector<Piece> RandomPieces(uint32_t nSeed, uint32_t nFirst, uint32_t nTop, uint32_t nMaxLength) {
    std::mt19937 rng(nSeed);
    std::vector<Piece> pieces;
    uint64_t address = nFirst;
    for (int i = 0; i < 200; ++i) {
        uint32_t length = 1 + rng() % nMaxLength;
        Piece piece{static_cast<uint32_t>(address), Bytes(length)};
        for (uint8_t& byte : piece.bytes) byte = static_cast<uint8_t>(rng());
        pieces.push_back(piece);
        address += length + rng() % 40;
    }
    Piece last{nTop - (nMaxLength - 1), Bytes(nMaxLength)};
    for (uint8_t& byte : last.bytes) byte = static_cast<uint8_t>(rng());
    pieces.push_back(last);
    return pieces;
}

// Every byte with its address, so that pieces cut differently compare equal.
std::vector<std::pair<uint32_t, uint8_t>> Flatten(const std::vector<Piece>& pieces) {
    std::vector<std::pair<uint32_t, uint8_t>> bytes;
    for (const Piece& piece : pieces)
        for (size_t i = 0; i < piece.bytes.size(); ++i)
            bytes.emplace_back(static_cast<uint32_t>(piece.address + i), piece.bytes[i]);
    return bytes;
}

std::vector<Piece> WriteAndReadBack(const std::string& path, const std::vector<Piece>& pieces) {
    CImageFile writer;
    EXPECT_TRUE(writer.Open(path.c_str(), 0));
    writer.WriteSRecordHeader(pieces.back().address + static_cast<uint32_t>(pieces.back().bytes.size()) - 1);
    writer.m_nRecordAddress = 0;
    for (const Piece& piece : pieces)
        writer.WriteRecord(piece.address, static_cast<uint32_t>(piece.bytes.size()), piece.bytes.data());
    writer.WriteSRecordTerminator();
    writer.Close();

    CImageFile reader;
    EXPECT_TRUE(reader.Open(path.c_str(), 1));
    reader.ReadSRecordHeader();
    reader.m_nRecordAddress = 0;
    std::vector<Piece> read = ReadAllPieces(reader);
    EXPECT_EQ(0, reader.m_bNotSRecord) << reader.GetBadLineReason() << " at line " << reader.GetBadLineNumber();
    return read;
}

struct SRecordWidth {
    const char* name;
    uint32_t first;
    uint32_t top;
};

class SRecordRoundTripTest : public ::testing::TestWithParam<SRecordWidth> {};

TEST_P(SRecordRoundTripTest, PiecesComeBackLineForLine) {
    CTempDir dir;
    std::vector<Piece> pieces = RandomPieces(7, GetParam().first, GetParam().top, 16);
    EXPECT_EQ(pieces, WriteAndReadBack(dir.File("r.mot"), pieces));
}

INSTANTIATE_TEST_SUITE_P(Widths, SRecordRoundTripTest,
                         ::testing::Values(SRecordWidth{"S1", 0, 0xFFFF},
                                           SRecordWidth{"S2", 0x10000, 0xFFFFFF},
                                           SRecordWidth{"S3", 0x1000000, 0xFFFFFFFF}),
                         [](const ::testing::TestParamInfo<SRecordWidth>& info) { return info.param.name; });

TEST(FprRoundTripTest, BytesComeBackAtTheirAddressesUpToTheTop) {
    CTempDir dir;
    std::vector<Piece> pieces = RandomPieces(11, 0xFFF00000, 0xFFFFFFFF, 600);
    std::vector<Piece> read = WriteAndReadBack(dir.File("r.fpr"), pieces);
    for (const Piece& piece : read) EXPECT_LE(piece.bytes.size(), 200u);
    EXPECT_EQ(Flatten(pieces), Flatten(read));
}

TEST(CdeRoundTripTest, BytesComeBackInOrderFromAddressZero) {
    CTempDir dir;
    std::vector<Piece> pieces = RandomPieces(13, 0x8000, 0x7FFFF, 1200);
    std::vector<Piece> read = WriteAndReadBack(dir.File("r.cde"), pieces);
    Bytes written;
    for (const Piece& piece : pieces) written.insert(written.end(), piece.bytes.begin(), piece.bytes.end());
    std::vector<Piece> expected{{0, written}};
    EXPECT_EQ(Flatten(expected), Flatten(read));
}

}  // namespace
