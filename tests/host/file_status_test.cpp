#include "host/file_status.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/scratch_directory.h"

namespace {

TEST(FileStatusTest, RegularFileHasItsSizeAndAnAbsolutePath) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.mot", "S9030000FC\n");
    const CFileStatus status = QueryFileStatus(scratch / "prog.mot");
    EXPECT_TRUE(status.m_bExists);
    EXPECT_TRUE(status.m_bRegular);
    EXPECT_EQ(11u, status.m_nSize);
    EXPECT_EQ(std::filesystem::path(scratch / "prog.mot").lexically_normal().string(), status.m_strFullPath);
}

TEST(FileStatusTest, RelativeNameGetsItsFullPathFromTheWorkingDirectory) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.mot", "x");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.Path());
    const CFileStatus status = QueryFileStatus("./prog.mot");
    std::filesystem::current_path(previous);
    EXPECT_EQ((scratch.Path() / "prog.mot").string(), status.m_strFullPath);
}

TEST(FileStatusTest, EmptyFileIsRegularWithSizeZero) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "empty.mot", "");
    const CFileStatus status = QueryFileStatus(scratch / "empty.mot");
    EXPECT_TRUE(status.m_bRegular);
    EXPECT_EQ(0u, status.m_nSize);
}

TEST(FileStatusTest, DirectoryExistsButIsNotRegular) {
    CScratchDirectory scratch;
    const CFileStatus status = QueryFileStatus(scratch.Path().string());
    EXPECT_TRUE(status.m_bExists);
    EXPECT_FALSE(status.m_bRegular);
    EXPECT_EQ(0u, status.m_nSize);
}

TEST(FileStatusTest, MissingAndEmptyNamesDoNotExist) {
    CScratchDirectory scratch;
    for (const std::string& name : {scratch / "missing.mot", std::string()}) {
        const CFileStatus status = QueryFileStatus(name);
        EXPECT_FALSE(status.m_bExists) << name;
        EXPECT_FALSE(status.m_bRegular) << name;
    }
}

TEST(FileStatusTest, SymbolicLinkReportsTheFileItNames) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.mot", "12345");
    if (!MakeSymlink("prog.mot", scratch / "link.mot") ||
        !MakeSymlink("nowhere.mot", scratch / "dangling.mot"))
        GTEST_SKIP() << "no symbolic links here";
    const CFileStatus status = QueryFileStatus(scratch / "link.mot");
    EXPECT_TRUE(status.m_bRegular);
    EXPECT_EQ(5u, status.m_nSize);
    EXPECT_FALSE(QueryFileStatus(scratch / "dangling.mot").m_bExists);
}

}  // namespace
