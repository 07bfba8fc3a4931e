// Whole files loaded up to the 131,072 blocks that one table holds, and one
// block beyond: up to the limit everything is stored without a word; beyond
// it the image refuses with its message, keeps what it holds, sets the
// lost-data flag, and the load says that not all the data was loaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "tests/support/recording_host.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"
#include "table_invariants.h"

namespace {

const char kNoMoreMemory[] = "No more memory can be allocated - clear some data.";
const char kNotAllLoaded[] = "\nNot all the file data could be loaded\n";

// One S3 line holding the byte nValue.
std::string ByteLine(uint32_t nAddress, uint8_t nValue = 0x5A) {
    unsigned nSum = 6 + nValue;
    for (int nShift = 0; nShift < 32; nShift += 8) nSum += (nAddress >> nShift) & 0xFF;
    char szLine[32];
    std::snprintf(szLine, sizeof szLine, "S306%08X%02X%02X\n", static_cast<unsigned>(nAddress), nValue,
                  ~nSum & 0xFFu);
    return szLine;
}

class BlockLimitStressTest : public ::testing::Test {
protected:
    BlockLimitStressTest() {
        std::random_device random;
        m_directory = std::filesystem::temp_directory_path() / ("korvelt-stress-" + std::to_string(random()));
        std::filesystem::create_directories(m_directory);
        SetHost(&m_host);
    }
    ~BlockLimitStressTest() override {
        SetHost(nullptr);
        std::error_code error;
        std::filesystem::remove_all(m_directory, error);
    }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = (m_directory / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // An S-record file of nBytes bytes, each one apart from the next, so that
    // every byte needs a block of its own in each table.
    std::string SeparateBytes(uint32_t nBytes) {
        std::string content;
        content.reserve(size_t(nBytes) * 17);
        for (uint32_t i = 0; i < nBytes; ++i) content += ByteLine(2 * i);
        return Write("separate.mot", content);
    }

    // Every box shown was the refusal of a block.
    ::testing::AssertionResult OnlyRefusals() {
        const std::vector<std::string> boxes = m_host.Texts("box");
        if (boxes.empty()) return ::testing::AssertionFailure() << "no refusal shown";
        for (const std::string& box : boxes)
            if (box != kNoMoreMemory) return ::testing::AssertionFailure() << "unexpected box: " << box;
        return ::testing::AssertionSuccess();
    }

    CRecordingHost m_host;
    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0);
    std::filesystem::path m_directory;
};

TEST_F(BlockLimitStressTest, AFileThatFillsEveryTableExactlyLoadsWhole) {
    CImageFile file;
    ASSERT_EQ(1, file.Load(SeparateBytes(kMaxBlocksPerTable).c_str(), m_pImage.get(), 0));
    EXPECT_TRUE(m_host.m_events.empty());
    EXPECT_EQ(0, m_pImage->HasDataLost());
    EXPECT_EQ(0, file.HasDataLost());
    EXPECT_EQ(kMaxBlocksPerTable, m_pImage->m_dataTable.m_nCount);
    EXPECT_EQ(uint32_t(kMaxBlocksPerTable), m_pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(std::string::npos, file.GetReport().find(kNotAllLoaded));
}

TEST_F(BlockLimitStressTest, OneByteMoreIsRefusedAndTheLoadSaysSo) {
    CImageFile file;
    ASSERT_EQ(1, file.Load(SeparateBytes(kMaxBlocksPerTable + 1).c_str(), m_pImage.get(), 0));
    EXPECT_TRUE(OnlyRefusals());
    EXPECT_EQ(1, m_pImage->HasDataLost());
    EXPECT_EQ(1, file.HasDataLost());
    EXPECT_NE(std::string::npos, file.GetReport().find(kNotAllLoaded));
    // Everything up to the limit is there, the byte beyond it is not.
    EXPECT_EQ(uint32_t(kMaxBlocksPerTable), m_pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(0u, m_pImage->CountBytes(2 * kMaxBlocksPerTable, 2 * kMaxBlocksPerTable));
    EXPECT_EQ("", FindTableInvariantBreach(*m_pImage));
}

// Raw bytes as convert loads them: one data byte, then eight 0xFF bytes that
// make a gap, over and over, cut by the loader into runs of 500 bytes.
TEST_F(BlockLimitStressTest, RawBytesBeyondTheLimitAreRefusedToo) {
    m_pImage->m_nGapThreshold = 8;
    m_pImage->m_bUseGapThreshold = 1;
    std::string content;
    for (uint32_t i = 0; i < kMaxBlocksPerTable + 100; ++i) content += "\x5A" + std::string(8, '\xFF');
    CImageFile file;
    ASSERT_EQ(1, file.Load(Write("gaps.cde", content).c_str(), m_pImage.get(), 0));
    EXPECT_TRUE(OnlyRefusals());
    EXPECT_EQ(1, m_pImage->HasDataLost());
    EXPECT_EQ(1, file.HasDataLost());
    EXPECT_NE(std::string::npos, file.GetReport().find(kNotAllLoaded));
    EXPECT_EQ(kMaxBlocksPerTable, m_pImage->m_dataTable.m_nCount);
    EXPECT_EQ("", FindTableInvariantBreach(*m_pImage));
}

// The image refuses blocks, yet a declined "Load anyway?" must still leave
// nothing of the file behind.
TEST_F(BlockLimitStressTest, ADeclinedLoadBeyondTheLimitLeavesNothingBehind) {
    std::string content;
    for (uint32_t i = 0; i < kMaxBlocksPerTable + 1; ++i) content += ByteLine(2 * i);
    content += "not an S-record line\n";
    m_host.QueueAnswer(kAnswerCancel);
    CImageFile file;
    EXPECT_EQ(0, file.Load(Write("bad.mot", content).c_str(), m_pImage.get(), 0));
    EXPECT_EQ(0, m_pImage->HasData());
    EXPECT_EQ(0, m_pImage->HasMarks());
    EXPECT_EQ("", FindTableInvariantBreach(*m_pImage));
}

// More one-byte patches over 64 KiB at 0x10000000 than the undo store
// records, then a line that is not a record: RevertChanges alone would leave
// the patches that it has no record of.
std::string PatchesBeyondTheUndoStoreThenABadLine() {
    std::string content;
    for (uint32_t i = 0; i < 140000; ++i) content += ByteLine(0x10000000 + ((i * 40503u) & 0xFFFF), uint8_t(i));
    return content + "not an S-record line\n";
}

TEST_F(BlockLimitStressTest, AnEmptyImageIsEmptiedBeforeTheRawLoad) {
    const std::string path = Write("patches.mot", PatchesBeyondTheUndoStoreThenABadLine());
    m_host.QueueAnswer(kAnswerOk);
    CImageFile file;
    ASSERT_EQ(1, file.Load(path.c_str(), m_pImage.get(), 0));
    const uint64_t nFileSize = std::filesystem::file_size(path);
    EXPECT_EQ(nFileSize, m_pImage->CountBytes(0, 0xFFFFFFFF));
    EXPECT_EQ(0u, m_pImage->CountBytes(0x10000000, 0x1000FFFF));
    EXPECT_EQ(uint32_t(nFileSize - 1), m_pImage->GetHighestAddress());
    EXPECT_EQ("", FindTableInvariantBreach(*m_pImage));
}

TEST_F(BlockLimitStressTest, AnImageThatHeldDataFailsTheLoadWhenItCannotBePutBack) {
    const uint8_t old = 0x42;
    m_pImage->WriteBytes(0x20000000, &old, 1);
    m_pImage->ClearHistory();
    m_host.QueueAnswer(kAnswerOk);
    CImageFile file;
    EXPECT_EQ(0, file.Load(Write("patches.mot", PatchesBeyondTheUndoStoreThenABadLine()).c_str(), m_pImage.get(), 0));
    EXPECT_TRUE(m_host.Texts("question").empty());
    const std::vector<std::string> boxes = m_host.Texts("box");
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ("The load could not be taken back: the undo store was full, and the image holds part of the file.",
              boxes.back());
    EXPECT_EQ(0x42, m_pImage->GetByte(0x20000000));
}

}  // namespace
