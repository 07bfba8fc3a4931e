// MergeINI and CleanZOVToolbars when the destination cannot be written: the
// export gives its specified result, and no INI file that existed before
// loses any of its contents.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "brenwick/brenwick_exports.h"
#include "brenwick/installer_call_block.h"
#include "brenwick/platform/portable_platform.h"
#include "tests/support/unprivileged.h"
#include "file_size_limit.h"

namespace {

const char kSource[] =
    "[Common]\r\n"
    "Present=replaced by a value long enough to make the file grow\r\n"
    "Absent=inserted with more text than the file had before\r\n";
const char kDestination[] =
    "; hand-written settings that must survive\r\n"
    "[Common]\r\n"
    "Present=old\r\n";

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class IniWriteFaultTest : public ::testing::Test {
protected:
    IniWriteFaultTest() {
        std::random_device random;
        m_directory = std::filesystem::temp_directory_path() / ("korvelt-ini-fault-" + std::to_string(random()));
        std::filesystem::create_directories(m_directory);
        WriteText(m_directory / "source.ini", kSource);
        WriteText(m_directory / "destination.ini", kDestination);
        SetPlatform(&m_platform);
    }
    ~IniWriteFaultTest() override {
        SetPlatform(nullptr);
        std::error_code error;
        std::filesystem::remove_all(m_directory, error);
    }

    int Merge(const std::string& mode, const std::filesystem::path& destination) {
        InstallerCallBlock block{};
        std::string names(4 * 16, '\0');
        std::string values(4 * 512, '\0');
        block.maxVariables = 4;
        block.nameWidth = 16;
        block.valueWidth = 512;
        block.variableNames = names.data();
        block.variableValues = values.data();
        SetInstallerVariable(&block, "MI_MODE", mode.c_str());
        SetInstallerVariable(&block, "MI_SRC", (m_directory / "source.ini").string().c_str());
        SetInstallerVariable(&block, "MI_DEST", destination.string().c_str());
        return MergeINI(&block);
    }

    size_t EntriesInDirectory() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_directory),
                                                 std::filesystem::directory_iterator()));
    }

    CPortablePlatform m_platform;
    std::filesystem::path m_directory;
};

TEST_F(IniWriteFaultTest, AFullDiskLeavesTheDestinationAsItWas) {
    int nResult = 0;
    {
        CFileSizeLimit limit(sizeof kDestination / 2);
        ASSERT_TRUE(limit.IsActive());
        nResult = Merge("RI", m_directory / "destination.ini");
    }
    EXPECT_EQ(1, nResult);
    EXPECT_EQ(kDestination, ReadText(m_directory / "destination.ini"));
    EXPECT_EQ(kSource, ReadText(m_directory / "source.ini"));
    EXPECT_EQ(2u, EntriesInDirectory()) << "a temporary file was left behind";
}

TEST_F(IniWriteFaultTest, AFullDiskCreatesNoDestinationCutShort) {
    std::filesystem::remove(m_directory / "destination.ini");
    {
        CFileSizeLimit limit(8);
        ASSERT_TRUE(limit.IsActive());
        EXPECT_EQ(1, Merge("I", m_directory / "destination.ini"));
    }
    EXPECT_FALSE(std::filesystem::exists(m_directory / "destination.ini"));
    EXPECT_EQ(1u, EntriesInDirectory());
}

// A second link keeps a replacement from taking the file's place: the file
// is rewritten in place, and a full disk is found before a byte changes.
TEST_F(IniWriteFaultTest, AFullDiskLeavesAFileWithTwoLinksWhole) {
    ASSERT_EQ(0, link((m_directory / "destination.ini").c_str(), (m_directory / "second.ini").c_str()));
    {
        CFileSizeLimit limit(sizeof kDestination + 8);
        ASSERT_TRUE(limit.IsActive());
        EXPECT_EQ(1, Merge("RI", m_directory / "destination.ini"));
    }
    EXPECT_EQ(kDestination, ReadText(m_directory / "destination.ini"));
    EXPECT_EQ(kDestination, ReadText(m_directory / "second.ini"));
    EXPECT_EQ(3u, EntriesInDirectory());
    EXPECT_EQ(1, Merge("RI", m_directory / "destination.ini"));
    EXPECT_NE(std::string::npos, ReadText(m_directory / "second.ini").find("Absent=inserted"));
}

// Where no file can be made beside the destination, it is rewritten in
// place; a full disk then must not cut it short (it kept 222 of 250 keys).
TEST_F(IniWriteFaultTest, AFullDiskInADirectoryThatTakesNoNewFileLeavesTheDestinationWhole) {
    std::string whyNot;
    if (!UnprivilegedUserAvailable(whyNot)) GTEST_SKIP() << whyNot;
    std::string many = "[Common]\r\n";
    for (int n = 0; n < 250; ++n) many += "Key" + std::to_string(n) + "=value " + std::to_string(n) + "\r\n";
    WriteText(m_directory / "destination.ini", many);
    chmod((m_directory / "destination.ini").c_str(), 0666);
    chmod(m_directory.c_str(), 0555);
    const int nResult = RunUnprivileged([&] {
        CFileSizeLimit limit(many.size() + 16);
        return limit.IsActive() ? Merge("RI", m_directory / "destination.ini") : 254;
    });
    chmod(m_directory.c_str(), 0755);
    EXPECT_EQ(1, nResult);
    EXPECT_EQ(many, ReadText(m_directory / "destination.ini"));
    EXPECT_EQ(2u, EntriesInDirectory());
}

TEST_F(IniWriteFaultTest, AfterAFullDiskTheNextMergeWritesEverything) {
    {
        CFileSizeLimit limit(8);
        Merge("RI", m_directory / "destination.ini");
    }
    EXPECT_EQ(1, Merge("RI", m_directory / "destination.ini"));
    EXPECT_EQ(
        "; hand-written settings that must survive\r\n"
        "[Common]\r\n"
        "Present=replaced by a value long enough to make the file grow\r\n"
        "Absent=inserted with more text than the file had before\r\n",
        ReadText(m_directory / "destination.ini"));
}

// Root ignores permissions; a regular file used as a directory stops everyone.
TEST_F(IniWriteFaultTest, ADestinationBelowARegularFileIsNotWrittenAndTheMergeStillRuns) {
    const std::filesystem::path destination = m_directory / "source.ini" / "destination.ini";
    EXPECT_EQ(1, Merge("RI", destination));
    EXPECT_EQ(kSource, ReadText(m_directory / "source.ini"));
    EXPECT_EQ(2u, EntriesInDirectory());
}

TEST_F(IniWriteFaultTest, ADirectoryAsTheDestinationIsLeftAlone) {
    std::filesystem::create_directory(m_directory / "folder.ini");
    EXPECT_EQ(1, Merge("RI", m_directory / "folder.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(m_directory / "folder.ini"));
    EXPECT_TRUE(std::filesystem::is_empty(m_directory / "folder.ini"));
}

TEST_F(IniWriteFaultTest, ASourceThatCannotBeReadMergesNothing) {
    std::filesystem::remove(m_directory / "source.ini");
    std::filesystem::create_directory(m_directory / "source.ini");
    EXPECT_EQ(0, Merge("RI", m_directory / "destination.ini"));
    EXPECT_EQ(kDestination, ReadText(m_directory / "destination.ini"));
}

TEST_F(IniWriteFaultTest, ADestinationReachedThroughALinkIsUpdatedWhereItLies) {
    std::filesystem::create_directory(m_directory / "real");
    std::filesystem::rename(m_directory / "destination.ini", m_directory / "real" / "destination.ini");
    std::filesystem::create_symlink(m_directory / "real" / "destination.ini", m_directory / "link.ini");
    EXPECT_EQ(1, Merge("R", m_directory / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(m_directory / "link.ini"));
    EXPECT_NE(std::string::npos, ReadText(m_directory / "real" / "destination.ini").find("Present=replaced"));
}

TEST_F(IniWriteFaultTest, CleanZovToolbarsOnAFullDiskKeepsTheFileWhole) {
    const std::string zov =
        "[ToolBarState-Bar0]\r\nVisible=1\r\n[ToolBarState-Summary]\r\nBars=1\r\n[Window]\r\nX=10\r\n";
    WriteText(m_directory / "zov.ini", zov);
    m_platform.SetWindowsDirectory(m_directory.string());
    {
        CFileSizeLimit limit(8);
        EXPECT_EQ(1, CleanZOVToolbars(nullptr));
    }
    EXPECT_EQ(zov, ReadText(m_directory / "zov.ini"));
}

}  // namespace
