// How the portable platform replaces an INI file: never around the system's
// protections, keeping the file's identity, with private temporary files
// whose names never limit the file's. Permissions bind only a user who is not
// root, so those cases run as "nobody" in a forked child (or skip).
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "brenwick/brenwick_exports.h"
#include "brenwick/platform/native_file.h"
#include "brenwick/platform/portable_platform.h"
#include "temp_directory.h"
#include "test_call_block.h"
#include "tests/support/unprivileged.h"

namespace {

const char kSource[] = "[Common]\r\nPresent=replaced\r\nAbsent=inserted\r\n";
const char kDestination[] = "; kept\r\n[Common]\r\nPresent=old\r\n";
const char kMerged[] = "; kept\r\n[Common]\r\nPresent=replaced\r\nAbsent=inserted\r\n";

struct stat Status(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status;
}

class IniReplaceTest : public ::testing::Test {
protected:
    IniReplaceTest() {
        m_source = m_directory.Write("source.ini", kSource);
        SetPlatform(&m_platform);
    }
    ~IniReplaceTest() override { SetPlatform(nullptr); }

    // A directory of the given mode and owner, with the destination in it.
    std::string Destination(const std::string& directory, mode_t nDirectoryMode, uid_t nOwner, mode_t nFileMode,
                            const std::string& name = "destination.ini") {
        const std::string folder = m_directory.Path(directory);
        std::filesystem::create_directory(folder);
        const std::string file = folder + "/" + name;
        m_directory.Write(directory + "/" + name, kDestination);
        chown(file.c_str(), nOwner, nOwner);
        chmod(file.c_str(), nFileMode);
        chown(folder.c_str(), 0, 0);
        chmod(folder.c_str(), nDirectoryMode);
        return file;
    }

    int Merge(const std::string& destination) {
        CTestCallBlock block;
        block.Variable("MI_MODE", "RI").Variable("MI_SRC", m_source).Variable("MI_DEST", destination);
        return MergeINI(block.Block());
    }
    // The merge as the unprivileged user: its result, or -1.
    int MergeUnprivileged(const std::string& destination) {
        return RunUnprivileged([&] { return Merge(destination); });
    }

    bool SkipUnlessUnprivileged() {
        std::string whyNot;
        if (UnprivilegedUserAvailable(whyNot)) return false;
        std::printf("skipped: %s\n", whyNot.c_str());
        return true;
    }

    CTempDirectory m_directory;
    CPortablePlatform m_platform;
    std::string m_source;
};

TEST_F(IniReplaceTest, AFileTheUserMayNotWriteIsRefusedAndLeftAsItWas) {
    if (SkipUnlessUnprivileged()) GTEST_SKIP();
    // Read-only although the user owns it and may write the directory; and
    // another user's file in a directory that everybody may write.
    const std::string readOnly = Destination("own", 0777, UnprivilegedUser(), 0444);
    const std::string foreign = Destination("shared", 0777, 0, 0644);
    for (const std::string& file : {readOnly, foreign}) {
        const struct stat before = Status(file);
        EXPECT_EQ(1, MergeUnprivileged(file)) << file;
        EXPECT_EQ(kDestination, m_directory.Read(file.substr(m_directory.Directory().size() + 1))) << file;
        const struct stat after = Status(file);
        EXPECT_EQ(before.st_ino, after.st_ino) << file;
        EXPECT_EQ(before.st_uid, after.st_uid) << file;
        EXPECT_EQ(before.st_mode, after.st_mode) << file;
    }
    EXPECT_EQ(
        2u, static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_directory.Path("own")),
                                              std::filesystem::directory_iterator()) +
                                std::distance(std::filesystem::directory_iterator(m_directory.Path("shared")),
                                              std::filesystem::directory_iterator())))
        << "a temporary file was left behind";
}

TEST_F(IniReplaceTest, AFileThatARenameCannotKeepIsWrittenInPlaceAndKeepsItsOwner) {
    if (SkipUnlessUnprivileged()) GTEST_SKIP();
    // The user may write the file but not give a copy its owner, or may not
    // rename over it (a sticky directory), or may not make a file beside it.
    struct Case {
        const char* pszDirectory;
        mode_t nDirectoryMode;
    };
    for (const Case& c : {Case{"owned", 0755}, Case{"sticky", 01777}, Case{"closed", 0555}}) {
        const std::string file = Destination(c.pszDirectory, c.nDirectoryMode, 0, 0666);
        if (std::string(c.pszDirectory) == "owned") chown(m_directory.Path("owned").c_str(), UnprivilegedUser(), 0);
        const struct stat before = Status(file);
        EXPECT_EQ(1, MergeUnprivileged(file)) << c.pszDirectory;
        EXPECT_EQ(kMerged, m_directory.Read(std::string(c.pszDirectory) + "/destination.ini")) << c.pszDirectory;
        const struct stat after = Status(file);
        EXPECT_EQ(before.st_ino, after.st_ino) << c.pszDirectory;
        EXPECT_EQ(0u, after.st_uid) << c.pszDirectory;
        EXPECT_EQ(before.st_mode, after.st_mode) << c.pszDirectory;
    }
}

TEST_F(IniReplaceTest, AReplacementKeepsModeOwnerGroupAndHardLinks) {
    const std::string file = m_directory.Write("destination.ini", kDestination);
    chown(file.c_str(), 4321, 8765);
    chmod(file.c_str(), 0640);
    const ino_t nReplaced = Status(file).st_ino;
    EXPECT_EQ(1, Merge(file));
    EXPECT_NE(nReplaced, Status(file).st_ino) << "a file of one link is replaced by a rename";
    EXPECT_EQ(kMerged, m_directory.Read("destination.ini"));
    const struct stat status = Status(file);
    EXPECT_EQ(0640u, status.st_mode & 07777);
    EXPECT_EQ(4321u, status.st_uid);
    EXPECT_EQ(8765u, status.st_gid);

    const std::string linked = m_directory.Write("linked.ini", kDestination);
    ASSERT_EQ(0, link(linked.c_str(), m_directory.Path("other-name.ini").c_str()));
    const ino_t nInode = Status(linked).st_ino;
    EXPECT_EQ(1, Merge(linked));
    EXPECT_EQ(kMerged, m_directory.Read("other-name.ini"));
    EXPECT_EQ(nInode, Status(linked).st_ino);
}

TEST_F(IniReplaceTest, ALinkIsWrittenThroughToTheFileItNamesWhichALoopDoesNot) {
    const std::string link = m_directory.Path("link.ini");
    ASSERT_EQ(0, symlink("target.ini", link.c_str()));
    EXPECT_EQ(1, Merge(link)) << "a link that names no file yet";
    EXPECT_EQ("[Common]\r\nPresent=replaced\r\nAbsent=inserted\r\n", m_directory.Read("target.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    const std::string loop = m_directory.Path("loop.ini");
    ASSERT_EQ(0, symlink("loop.ini", loop.c_str()));
    EXPECT_FALSE(m_platform.WriteProfileValue("s", "k", "v", loop.c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(loop));
}

TEST(NativeFile, AFileIsSettledOnlyWhenBothItsTimesAreOldEnough) {
    CTempDirectory directory;
    const std::string path = directory.Write("a.ini", "x");
    auto settled = [&] {
        CNativeFile file;
        NativeFileInfo info;
        return file.OpenForReading(path) == EFileOpen::kOpen && file.Stat(&info) && info.bSettled;
    };
    usleep(120 * 1000);
    EXPECT_TRUE(settled());
    // An old modification time; the change of the times is itself a change.
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
    EXPECT_FALSE(settled());
}

// Through the platform: MergeINI takes no path beyond 259 characters.
TEST_F(IniReplaceTest, AnyNameThatTheSystemTakesCanBeWritten) {
    for (size_t nLength : {242u, 250u, 255u}) {
        const std::string name = std::string(nLength - 4, 'n') + ".ini";
        const std::string file = m_directory.Write(name, kDestination);
        EXPECT_TRUE(m_platform.WriteProfileValue("Common", "Present", "new", file.c_str())) << nLength;
        EXPECT_EQ("; kept\r\n[Common]\r\nPresent=new\r\n", m_directory.Read(name)) << nLength;
        std::filesystem::remove(file);
    }
    const std::string name = std::string(251, 'm') + ".ini";
    EXPECT_TRUE(m_platform.WriteProfileValue("Common", "Made", "1", m_directory.Path(name).c_str()));
    EXPECT_EQ("[Common]\r\nMade=1\r\n", m_directory.Read(name));
}

TEST(NativeFile, AFileMadeBesideAnotherIsItsOwnersAloneFromItsCreation) {
    CTempDirectory directory;
    const std::string target = directory.Write(std::string(251, 't') + ".ini", "x");
    chmod(target.c_str(), 0666);
    const mode_t nPreviousMask = umask(0);
    CNativeFile file;
    std::string created;
    const bool bCreated = file.CreateBeside(target, &created);
    umask(nPreviousMask);
    ASSERT_TRUE(bCreated);
    EXPECT_EQ(0600u, Status(created).st_mode & 07777);
    EXPECT_EQ(std::filesystem::path(target).parent_path(), std::filesystem::path(created).parent_path());
    EXPECT_LE(std::filesystem::path(created).filename().string().size(), 16u);
    file.Close();
    RemoveNativeFile(created);
}

}  // namespace
#endif
