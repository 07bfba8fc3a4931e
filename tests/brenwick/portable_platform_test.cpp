#include "brenwick/platform/portable_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "temp_directory.h"

namespace {

const std::string kFixtures = BRENWICK_FIXTURE_DIR;

TEST(PortablePlatformProfile, ABareFileNameLiesInTheWindowsDirectory) {
    CPortablePlatform platform;
    EXPECT_EQ("zov.ini", platform.ResolveProfilePath("zov.ini"));
    platform.SetWindowsDirectory("/windows");
    // Joined with the system's own separator, a backslash on Windows.
    const std::filesystem::path windows("/windows");
    EXPECT_EQ((windows / "zov.ini").string(), platform.ResolveProfilePath("zov.ini"));
    EXPECT_EQ((windows / "win.ini").string(), platform.ResolveProfilePath(nullptr));
    EXPECT_EQ("dir/zov.ini", platform.ResolveProfilePath("dir/zov.ini"));
    EXPECT_EQ("c:\\zov.ini", platform.ResolveProfilePath("c:\\zov.ini"));
}

TEST(PortablePlatformProfile, AMissingFileReadsEmptyAndIsCreatedByAWrite) {
    CTempDirectory windows;
    CPortablePlatform platform;
    platform.SetWindowsDirectory(windows.Directory());
    char szBuffer[16] = "#######";
    EXPECT_EQ(0u, platform.ReadProfileString("S", "k", szBuffer, sizeof(szBuffer), "new.ini"));
    EXPECT_STREQ("", szBuffer);
    EXPECT_EQ(0u, platform.ListProfileSections(szBuffer, sizeof(szBuffer), "new.ini"));
    EXPECT_TRUE(platform.DeleteProfileSection("S", "new.ini"));
    EXPECT_FALSE(windows.Exists("new.ini"));
    EXPECT_TRUE(platform.WriteProfileValue("S", "k", "v", "new.ini"));
    EXPECT_EQ("[S]\r\nk=v\r\n", windows.Read("new.ini"));
    EXPECT_EQ(1u, platform.ReadProfileString("s", "K", szBuffer, sizeof(szBuffer), "new.ini"));
    EXPECT_STREQ("v", szBuffer);
}

TEST(PortablePlatformProfile, NullSectionAndKeyListAsTheServiceDoes) {
    CTempDirectory directory;
    const std::string file = directory.Write("a.ini", "[A]\r\nx=1\r\n[B]\r\n");
    CPortablePlatform platform;
    char szBuffer[16];
    EXPECT_EQ(4u, platform.ReadProfileString(nullptr, nullptr, szBuffer, sizeof(szBuffer), file.c_str()));
    EXPECT_EQ(0, std::memcmp("A\0B\0", szBuffer, 5));
    EXPECT_EQ(2u, platform.ReadProfileString("A", nullptr, szBuffer, sizeof(szBuffer), file.c_str()));
    EXPECT_EQ(0, std::memcmp("x\0", szBuffer, 3));
    EXPECT_EQ(4u, platform.ReadProfileSection("A", szBuffer, sizeof(szBuffer), file.c_str()));
    EXPECT_STREQ("x=1", szBuffer);
}

#if defined(_WIN32)
// A file replaced by its new contents is still hidden and a system file.
TEST(PortablePlatformProfile, AReplacedFileKeepsItsAttributes) {
    CTempDirectory directory;
    const std::string file = directory.Write("a.ini", "[S]\r\nk=1\r\n");
    const DWORD dwAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), dwAttributes));
    CPortablePlatform platform;
    EXPECT_TRUE(platform.WriteProfileValue("S", "k", "2", file.c_str()));
    EXPECT_EQ("[S]\r\nk=2\r\n", directory.Read("a.ini"));
    EXPECT_EQ(dwAttributes, GetFileAttributesA(file.c_str()));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

TEST(PortablePlatformProfile, AFileThatCannotBeReadIsNeitherReadNorOverwritten) {
    CTempDirectory directory;
    const std::string notAFile = directory.Path("folder.ini");
    std::filesystem::create_directory(notAFile);
    CPortablePlatform platform;
    char szBuffer[8] = "######";
    EXPECT_EQ(0u, platform.ListProfileSections(szBuffer, sizeof(szBuffer), notAFile.c_str()));
    EXPECT_FALSE(platform.WriteProfileValue("S", "k", "v", notAFile.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(notAFile));
}

TEST(PortablePlatformVersion, ReadsTheFileVersionWordsOfAPeFile) {
    CPortablePlatform platform;
    uint32_t dwMS = 0;
    uint32_t dwLS = 0;
    ASSERT_TRUE(platform.ReadFileVersion((kFixtures + "/brenwick_version.x86.dll").c_str(), &dwMS, &dwLS));
    EXPECT_EQ(0x00010006u, dwMS);
    EXPECT_EQ(0x0000000Au, dwLS);
    EXPECT_FALSE(platform.ReadFileVersion((kFixtures + "/no_root_block.x64.dll").c_str(), &dwMS, &dwLS));
    EXPECT_FALSE(platform.ReadFileVersion(nullptr, &dwMS, &dwLS));
}

#if !defined(_WIN32)
// In a child: a read that waited for a writer would end at the alarm instead
// of hanging the suite.
TEST(PortablePlatformVersion, AFifoADeviceOrADirectoryHasNoVersionAtOnce) {
    CTempDirectory directory;
    const std::string fifo = directory.Path("pipe.dll");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(10);
        CPortablePlatform platform;
        uint32_t dwMS = 0;
        uint32_t dwLS = 0;
        bool bAnswered = false;
        for (const std::string& file : {fifo, std::string("/dev/zero"), directory.Directory()})
            bAnswered = platform.ReadFileVersion(file.c_str(), &dwMS, &dwLS) || bAnswered;
        _exit(bAnswered ? 1 : 0);
    }
    int nStatus = 0;
    ASSERT_EQ(pid, waitpid(pid, &nStatus, 0));
    ASSERT_TRUE(WIFEXITED(nStatus)) << "the read waited";
    EXPECT_EQ(0, WEXITSTATUS(nStatus));
}
#endif

TEST(PortablePlatformSystem, HasNoOsVersionAndNoWindowsToTell) {
    CPortablePlatform platform;
    OsVersionRecord record{};
    EXPECT_FALSE(platform.QueryOsVersion(&record));
    EXPECT_TRUE(platform.BroadcastEnvironmentChange());
}

TEST(PortablePlatformSystem, AMessageBoxIsPrintedOnStandardError) {
    CPortablePlatform platform;
    testing::internal::CaptureStderr();
    platform.ShowMessageBox("CheckFileVer()\nUnknown condition requested.", "brenwick.dll");
    EXPECT_EQ("brenwick.dll: CheckFileVer()\nUnknown condition requested.\n",
              testing::internal::GetCapturedStderr());
}

}  // namespace
