#include "host/atomic_file_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace fs = std::filesystem;

namespace {

bool WriteWhole(CAtomicFileWriter& writer, const std::string& path, const std::string& bytes) {
    return writer.Open(path) && writer.Write(bytes.data(), bytes.size()) && writer.Commit();
}

TEST(AtomicFileWriterTest, CreatesTheFileWithExactlyTheBytesWritten) {
    CScratchDirectory scratch;
    CAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(scratch / "prog.cde"));
    ASSERT_TRUE(writer.Write("\x00\xff\r\n", 4));
    ASSERT_TRUE(writer.Write("\x1a", 1));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(std::string("\x00\xff\r\n\x1a", 5), ReadFileBytes(scratch / "prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
}

TEST(AtomicFileWriterTest, NewFileGetsThePermissionsOfAPlainCreate) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows files have no permission bits";
#endif
    CScratchDirectory scratch;
    const mode_t nOldMask = umask(022);
    CAtomicFileWriter writer;
    const bool bWritten = WriteWhole(writer, scratch / "prog.cde", "x");
    umask(nOldMask);
    ASSERT_TRUE(bWritten);
    EXPECT_EQ(fs::perms(0644), fs::status(scratch / "prog.cde").permissions() & fs::perms::mask);
}

TEST(AtomicFileWriterTest, ReplacementKeepsThePermissionsOfTheOldFile) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows files have no permission bits";
#endif
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old contents");
    fs::permissions(scratch / "prog.cde", fs::perms(0640));
    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, scratch / "prog.cde", "new"));
    EXPECT_EQ("new", ReadFileBytes(scratch / "prog.cde"));
    EXPECT_EQ(fs::perms(0640), fs::status(scratch / "prog.cde").permissions() & fs::perms::mask);
}

TEST(AtomicFileWriterTest, OldFileStaysUntilCommit) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    CAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(scratch / "prog.cde"));
    ASSERT_TRUE(writer.Write("new", 3));
    EXPECT_EQ("old", ReadFileBytes(scratch / "prog.cde"));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ("new", ReadFileBytes(scratch / "prog.cde"));
}

TEST(AtomicFileWriterTest, AbandonedWriteLeavesTheOldFileAndNoTemporaryFile) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    {
        CAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(scratch / "prog.cde"));
        ASSERT_TRUE(writer.Write("new", 3));
    }
    EXPECT_EQ("old", ReadFileBytes(scratch / "prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
}

TEST(AtomicFileWriterTest, MissingDirectoryFailsAtOpenWithTheReason) {
    CScratchDirectory scratch;
    CAtomicFileWriter writer;
    EXPECT_FALSE(writer.Open(scratch / "no/such/dir/prog.cde"));
    EXPECT_EQ("No such file or directory", writer.GetError());
    EXPECT_FALSE(writer.Write("x", 1));
    EXPECT_FALSE(writer.Commit());
}

TEST(AtomicFileWriterTest, ReadOnlyDirectoryFailsAndKeepsTheOldFile) {
    CScratchDirectory scratch;
    fs::create_directory(scratch / "out");
    WriteFileBytes(scratch / "out/prog.cde", "old");
    CReadOnlyDirectory readOnly(scratch / "out");
    if (!readOnly.IsReadOnly()) GTEST_SKIP() << "cannot make a directory read-only here";
    CAtomicFileWriter writer;
    EXPECT_FALSE(writer.Open(scratch / "out/prog.cde"));
    EXPECT_FALSE(writer.GetError().empty());
    EXPECT_EQ("old", ReadFileBytes(scratch / "out/prog.cde"));
}

TEST(AtomicFileWriterTest, DirectoryOfTheTargetNameIsNotReplaced) {
    CScratchDirectory scratch;
    fs::create_directory(scratch / "prog.cde");
    CAtomicFileWriter writer;
    EXPECT_FALSE(WriteWhole(writer, scratch / "prog.cde", "x"));
    EXPECT_TRUE(fs::is_directory(scratch / "prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
}

TEST(AtomicFileWriterTest, SymbolicLinkStaysAndTheFileItNamesIsReplaced) {
    CScratchDirectory scratch;
    fs::create_directory(scratch / "real");
    WriteFileBytes(scratch / "real/prog.cde", "old");
    if (!MakeSymlink("real/prog.cde", scratch / "prog.cde")) GTEST_SKIP() << "no symbolic links here";
    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, scratch / "prog.cde", "new"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(scratch / "prog.cde")));
    EXPECT_EQ("new", ReadFileBytes(scratch / "real/prog.cde"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(scratch / "real"), fs::directory_iterator()))
        << "the temporary file goes beside the file that is replaced, and away again";
}

TEST(AtomicFileWriterTest, FullDeviceReportsNoSpaceAtCommit) {
    CScratchDirectory scratch;
    if (!MakeSymlink("/dev/full", scratch / "prog.cde")) GTEST_SKIP() << "no symbolic links here";
    CAtomicFileWriter writer;
    EXPECT_FALSE(WriteWhole(writer, scratch / "prog.cde", "bytes that do not fit"));
    EXPECT_EQ("No space left on device", writer.GetError());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(scratch / "prog.cde")));
}

TEST(AtomicFileWriterTest, DeviceIsWrittenDirectly) {
    CScratchDirectory scratch;
    if (!MakeSymlink("/dev/null", scratch / "prog.cde")) GTEST_SKIP() << "no symbolic links here";
    CAtomicFileWriter writer;
    EXPECT_TRUE(WriteWhole(writer, scratch / "prog.cde", "discarded"));
    EXPECT_TRUE(fs::is_character_file(fs::status("/dev/null")));
}

}  // namespace
