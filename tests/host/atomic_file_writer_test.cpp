#include "host/atomic_file_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "host/interrupt_cleanup.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/unprivileged.h"

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

// A directory that refuses new files still lets its files be written: the
// old file is written over in place, and no new file can be made there.
TEST(AtomicFileWriterTest, ReadOnlyDirectoryIsWrittenInPlaceButGetsNoNewFile) {
    CScratchDirectory scratch;
    fs::create_directory(scratch / "out");
    WriteFileBytes(scratch / "out/prog.cde", "a longer old content");
    CReadOnlyDirectory readOnly(scratch / "out");
    if (!readOnly.IsReadOnly()) GTEST_SKIP() << "cannot make a directory read-only here";
    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, scratch / "out/prog.cde", "new")) << writer.GetError();
    EXPECT_EQ("new", ReadFileBytes(scratch / "out/prog.cde"));
    EXPECT_FALSE(writer.Open(scratch / "out/other.cde"));
    EXPECT_FALSE(writer.GetError().empty());
    EXPECT_EQ(1, std::distance(fs::directory_iterator(scratch / "out"), fs::directory_iterator()));
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

TEST(AtomicFileWriterTest, TargetNameOfTheLongestLengthWorks) {
    CScratchDirectory scratch;
    const std::string name(255 - 4, 'n');
    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, scratch / (name + ".cde"), "x")) << writer.GetError();
    EXPECT_EQ("x", ReadFileBytes(scratch / (name + ".cde")));
}

#if defined(_WIN32)

}  // namespace
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <thread>
namespace {

std::string AccessListText(const std::string& path) {
    PACL pList = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pList,
                              nullptr, &pDescriptor) != ERROR_SUCCESS)
        return "(none)";
    LPSTR pszText = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(pDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                         &pszText, nullptr);
    const std::string text = pszText ? pszText : "(none)";
    LocalFree(pszText);
    LocalFree(pDescriptor);
    return text;
}

// What a replaced file was beside its bytes stays: its hidden, system and
// archive attributes, and an access list of its own, which a new file would
// take from the folder instead.
TEST(AtomicFileWriterTest, AReplacedFileKeepsItsAttributesAndItsOwnAccessList) {
    CScratchDirectory scratch;
    const std::string path = scratch / "prog.cde";
    WriteFileBytes(path, "old");
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;WD)", SDDL_REVISION_1,
                                                                     &pDescriptor, nullptr));
    BOOL bPresent = FALSE;
    BOOL bDefaulted = FALSE;
    PACL pList = nullptr;
    GetSecurityDescriptorDacl(pDescriptor, &bPresent, &pList, &bDefaulted);
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, pList, nullptr));
    LocalFree(pDescriptor);
    const DWORD dwAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), dwAttributes));
    const std::string accessList = AccessListText(path);
    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, path, "new")) << writer.GetError();
    EXPECT_EQ("new", ReadFileBytes(path));
    EXPECT_EQ(dwAttributes, GetFileAttributesA(path.c_str()));
    EXPECT_EQ(accessList, AccessListText(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The interrupt's handler runs on a thread of its own while this one holds
// the new file, and must be able to remove it; whatever else ends the
// process, the file removes itself with its handle.
TEST(AtomicFileWriterTest, TheNewFileCanBeRemovedWhileItIsWritten) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    CAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(scratch / "prog.cde"));
    ASSERT_TRUE(writer.Write("new", 3));
    const std::vector<std::string> entries = scratch.Entries();
    ASSERT_EQ(2u, entries.size());
    const std::string temporary = scratch / (entries[0] == "prog.cde" ? entries[1] : entries[0]);
    BOOL bRemoved = FALSE;
    std::thread([&] { bRemoved = DeleteFileA(temporary.c_str()); }).join();
    EXPECT_TRUE(bRemoved);
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ("old", ReadFileBytes(scratch / "prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
}

// The read-only attribute refuses a write, as a plain open for writing does.
TEST(AtomicFileWriterTest, ReadOnlyFileIsRefused) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    ASSERT_TRUE(SetFileAttributesA((scratch / "prog.cde").c_str(), FILE_ATTRIBUTE_READONLY));
    CAtomicFileWriter writer;
    EXPECT_FALSE(writer.Open(scratch / "prog.cde"));
    EXPECT_EQ("Permission denied", writer.GetError());
    SetFileAttributesA((scratch / "prog.cde").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("old", ReadFileBytes(scratch / "prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
}

#else

fs::perms ModeOf(const std::string& path) { return fs::status(path).permissions() & fs::perms::mask; }

// The umask is the process's: a writer in a host with threads must not set
// it, even for a moment. The calls of the code under test are counted here,
// in front of the C library's own.
int g_nUmaskCalls = -1;
extern "C" mode_t umask(mode_t nMask) {
    if (g_nUmaskCalls >= 0) ++g_nUmaskCalls;
    return static_cast<mode_t>(syscall(SYS_umask, nMask));
}

TEST(AtomicFileWriterTest, ANewFileTakesThePlainCreatesModeWithoutSettingTheUmask) {
    CScratchDirectory scratch;
    const mode_t nOldMask = umask(027);
    g_nUmaskCalls = 0;
    CAtomicFileWriter writer;
    const bool bWritten = WriteWhole(writer, scratch / "prog.cde", "x");
    const int nCalls = g_nUmaskCalls;
    g_nUmaskCalls = -1;
    umask(nOldMask);
    ASSERT_TRUE(bWritten) << writer.GetError();
    EXPECT_EQ(0, nCalls);
    EXPECT_EQ(fs::perms(0640), ModeOf(scratch / "prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
}

// A directory that takes new files but refuses to rename or remove them
// (append-only, as root may make it): the old file is written in place
// through the handle kept for that, and the new file, which cannot go, holds
// no copy of the bytes.
TEST(AtomicFileWriterTest, ADirectoryThatRefusesRenamesHasTheFileWrittenInPlace) {
    CScratchDirectory scratch;
    fs::create_directory(scratch / "out");
    WriteFileBytes(scratch / "out/prog.cde", "old contents");
    const int nDirectory = open((scratch / "out").c_str(), O_RDONLY | O_DIRECTORY);
    int nFlags = 0;
    const bool bAppendOnly = nDirectory >= 0 && ioctl(nDirectory, FS_IOC_GETFLAGS, &nFlags) == 0 &&
                             (nFlags |= FS_APPEND_FL, ioctl(nDirectory, FS_IOC_SETFLAGS, &nFlags) == 0);
    if (!bAppendOnly) {
        if (nDirectory >= 0) close(nDirectory);
        GTEST_SKIP() << "cannot make a directory append-only here";
    }
    CAtomicFileWriter writer;
    const bool bWritten = WriteWhole(writer, scratch / "out/prog.cde", "new");
    nFlags &= ~FS_APPEND_FL;
    ioctl(nDirectory, FS_IOC_SETFLAGS, &nFlags);
    close(nDirectory);
    EXPECT_TRUE(bWritten) << writer.GetError();
    EXPECT_EQ("new", ReadFileBytes(scratch / "out/prog.cde"));
    for (const fs::directory_entry& entry : fs::directory_iterator(scratch / "out")) {
        if (entry.path().filename() == "prog.cde") continue;
        EXPECT_EQ(0u, entry.file_size()) << entry.path();
    }
}

// Writes to one file that fail with an I/O error once a budget of bytes has
// gone through, in front of the C library's own: a failure midway, after the
// space for the file was had. With bOnce the next write goes through again.
struct CWriteFault {
    ino_t nInode = 0;
    size_t nBudget = 0;
    bool bOnce = true;
    bool bArmed = false;
} g_writeFault;

extern "C" ssize_t pwrite(int nHandle, const void* pData, size_t nLength, off_t nOffset) {
    struct stat status {};
    if (g_writeFault.bArmed && fstat(nHandle, &status) == 0 && status.st_ino == g_writeFault.nInode) {
        if (g_writeFault.nBudget == 0) {
            g_writeFault.bArmed = !g_writeFault.bOnce;
            errno = EIO;
            return -1;
        }
        nLength = std::min(nLength, g_writeFault.nBudget);
        g_writeFault.nBudget -= nLength;
    }
    return static_cast<ssize_t>(syscall(SYS_pwrite64, nHandle, pData, nLength, nOffset));
}

// A write over the old file that fails midway puts the old bytes back; where
// they cannot go back either, the reason says that the old file is damaged.
TEST(AtomicFileWriterTest, AWriteInPlaceThatFailsMidwayPutsTheOldBytesBackOrSaysSo) {
    for (bool bOnce : {true, false}) {
        CScratchDirectory scratch;
        const std::string old(200 * 1024, 'o');
        WriteFileBytes(scratch / "prog.cde", old);
        fs::create_hard_link(scratch / "prog.cde", scratch / "link.cde");
        struct stat status {};
        stat((scratch / "prog.cde").c_str(), &status);
        const std::string bytes(150 * 1024, 'n');
        CAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(scratch / "prog.cde") && writer.Write(bytes.data(), bytes.size()));
        g_writeFault = CWriteFault{status.st_ino, 100 * 1024, bOnce, true};
        EXPECT_FALSE(writer.Commit());
        g_writeFault.bArmed = false;
        if (bOnce) {
            EXPECT_EQ("Input/output error", writer.GetError());
            EXPECT_TRUE(ReadFileBytes(scratch / "link.cde") == old) << "the old bytes are back";
        } else {
            EXPECT_EQ("Input/output error; the old file is damaged", writer.GetError());
        }
    }
}

TEST(AtomicFileWriterTest, ALoopOfLinksIsRefusedAndStays) {
    CScratchDirectory scratch;
    if (!MakeSymlink("b.cde", scratch / "a.cde") || !MakeSymlink("a.cde", scratch / "b.cde"))
        GTEST_SKIP() << "no symbolic links here";
    CAtomicFileWriter writer;
    EXPECT_FALSE(writer.Open(scratch / "a.cde"));
    EXPECT_EQ("Too many levels of symbolic links", writer.GetError());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(scratch / "a.cde")));
    EXPECT_EQ(2u, scratch.Entries().size());
}

TEST(AtomicFileWriterTest, NewBytesArePrivateUntilTheyTakeTheTargetsPlace) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    fs::permissions(scratch / "prog.cde", fs::perms(0644));
    CAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(scratch / "prog.cde"));
    const std::vector<std::string> entries = scratch.Entries();
    ASSERT_EQ(2u, entries.size());
    const std::string temporary = entries[0] == "prog.cde" ? entries[1] : entries[0];
    EXPECT_EQ(fs::perms(0600), ModeOf(scratch / temporary));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(fs::perms(0644), ModeOf(scratch / "prog.cde"));
}

// A file with another name, or of another owner, stays that file: its new
// bytes reach every name of it, and its owner, group and mode stay.
TEST(AtomicFileWriterTest, ReplacementKeepsOwnerGroupModeAndLinks) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old contents");
    fs::create_hard_link(scratch / "prog.cde", scratch / "link.cde");
    fs::permissions(scratch / "prog.cde", fs::perms(0640));
    // Root's own file would be renamed; another user's is written in place.
    if (geteuid() == 0) {
        ASSERT_EQ(0, chown((scratch / "prog.cde").c_str(), kNobodyUser, kNobodyGroup));
    }
    struct stat before {};
    stat((scratch / "prog.cde").c_str(), &before);

    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, scratch / "prog.cde", "new")) << writer.GetError();
    struct stat after {};
    stat((scratch / "prog.cde").c_str(), &after);
    EXPECT_EQ("new", ReadFileBytes(scratch / "link.cde"));
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_uid, after.st_uid);
    EXPECT_EQ(before.st_gid, after.st_gid);
    EXPECT_EQ(fs::perms(0640), ModeOf(scratch / "prog.cde"));
    EXPECT_EQ(2u, scratch.Entries().size());
}

TEST(AtomicFileWriterTest, RenamedReplacementKeepsTheGroup) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give its file another group";
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    ASSERT_EQ(0, chown((scratch / "prog.cde").c_str(), 0, kNobodyGroup));
    CAtomicFileWriter writer;
    ASSERT_TRUE(WriteWhole(writer, scratch / "prog.cde", "new"));
    struct stat after {};
    stat((scratch / "prog.cde").c_str(), &after);
    EXPECT_EQ(kNobodyGroup, after.st_gid);
}

// What a plain open for writing refuses, the replacement refuses too, before
// anything is written: a file without write permission, and another user's
// file in a directory where everybody may make files.
TEST(AtomicFileWriterTest, FileTheUserMayNotWriteIsRefused) {
    std::string whyNot;
    if (!UnprivilegedUserAvailable(whyNot)) GTEST_SKIP() << whyNot;
    CScratchDirectory scratch;
    fs::permissions(scratch.Path(), fs::perms(0777));
    WriteFileBytes(scratch / "others.cde", "old");
    fs::permissions(scratch / "others.cde", fs::perms(0644));
    const std::string target = scratch / "others.cde";
    const int nResult = RunUnprivileged([&] {
        CAtomicFileWriter writer;
        if (writer.Open(target)) return 1;
        return writer.GetError() == "Permission denied" ? 0 : 2;
    });
    EXPECT_EQ(0, nResult);
    EXPECT_EQ("old", ReadFileBytes(target));
    EXPECT_EQ(1u, scratch.Entries().size());
}

// In a directory with the sticky bit, a user may not rename over another
// user's file, yet may write it when its mode allows.
TEST(AtomicFileWriterTest, AnotherUsersWritableFileInAStickyDirectoryIsWritten) {
    std::string whyNot;
    if (!UnprivilegedUserAvailable(whyNot)) GTEST_SKIP() << whyNot;
    if (geteuid() != 0) GTEST_SKIP() << "needs a file of another user";
    CScratchDirectory scratch;
    fs::permissions(scratch.Path(), fs::perms(01777));
    WriteFileBytes(scratch / "shared.cde", "old contents");
    fs::permissions(scratch / "shared.cde", fs::perms(0666));
    const std::string target = scratch / "shared.cde";
    EXPECT_EQ(0, RunUnprivileged([&] {
        CAtomicFileWriter writer;
        return writer.Open(target) && writer.Write("new", 3) && writer.Commit() ? 0 : 1;
    }));
    EXPECT_EQ("new", ReadFileBytes(target));
    struct stat after {};
    stat(target.c_str(), &after);
    EXPECT_EQ(0u, after.st_uid);
}

// An interrupt while the bytes are written leaves the old file and nothing
// else, and ends the process as the signal does.
TEST(AtomicFileWriterTest, InterruptDuringTheWriteRemovesTheNewFile) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "prog.cde", "old");
    const std::string target = scratch / "prog.cde";
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid = fork();
        if (pid == 0) {
            CInterruptCleanup cleanup;
            CAtomicFileWriter writer;
            if (writer.Open(target) && writer.Write("new", 3)) raise(nSignal);
            _exit(0);
        }
        int nStatus = 0;
        ASSERT_EQ(pid, waitpid(pid, &nStatus, 0));
        EXPECT_TRUE(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == nSignal) << nSignal;
        EXPECT_EQ("old", ReadFileBytes(target));
        EXPECT_EQ(std::vector<std::string>{"prog.cde"}, scratch.Entries());
    }
}

#endif

}  // namespace
