// A batch of profile calls on the portable platform: each file read once and
// written once, at the end, and yet never an answer from a file as it was.
// Another process, or this one through another name, may change the file
// between any two calls.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "brenwick/platform/portable_platform.h"
#include "temp_directory.h"

namespace {

// Longer than the time within which a file's time stamps cannot vouch for it.
constexpr std::chrono::milliseconds kSettleTime(120);

class ProfileBatchTest : public ::testing::Test {
protected:
    std::string Get(const std::string& file, const char* pszKey) {
        char szValue[64];
        m_platform.ReadProfileString("s", pszKey, szValue, sizeof(szValue), file.c_str());
        return szValue;
    }

    CTempDirectory m_directory;
    CPortablePlatform m_platform;
};

TEST_F(ProfileBatchTest, ChangesReachTheFileWhenTheBatchEnds) {
    const std::string file = m_directory.Write("a.ini", "[s]\r\nk=1\r\n");
    m_platform.BeginProfileBatch();
    EXPECT_TRUE(m_platform.WriteProfileValue("s", "k", "2", file.c_str()));
    EXPECT_TRUE(m_platform.WriteProfileValue("s", "j", "3", file.c_str()));
    EXPECT_EQ("2", Get(file, "k"));
    EXPECT_EQ("[s]\r\nk=1\r\n", m_directory.Read("a.ini"));
    EXPECT_TRUE(m_platform.EndProfileBatch());
    EXPECT_EQ("[s]\r\nk=2\r\nj=3\r\n", m_directory.Read("a.ini"));
}

TEST_F(ProfileBatchTest, AWriteHeldBackThatCannotBeMadeFailsTheBatch) {
    const std::filesystem::path folder = m_directory.Path("folder");
    std::filesystem::create_directory(folder);
    const std::string file = (folder / "a.ini").string();
    CProfileBatch batch(m_platform);
    EXPECT_TRUE(m_platform.WriteProfileValue("s", "k", "v", file.c_str()));
    std::filesystem::remove(folder);
    EXPECT_FALSE(batch.End());
    EXPECT_TRUE(batch.End()) << "ended once";
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(ProfileBatchTest, AFileChangedBehindTheBatchIsReadAgain) {
    // Files just written, whose times cannot vouch for them yet, files whose
    // times can, and files whose times lie in the future (bSettled 2), which
    // vouch once the file has been read long enough after it was first seen.
    for (int bSettled : {0, 1, 2}) {
        const std::string file = m_directory.Write("a.ini", "[s]\r\nk=1\r\n");
        if (bSettled == 2)
            std::filesystem::last_write_time(
                file, std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));
        if (bSettled) std::this_thread::sleep_for(kSettleTime);
        m_platform.BeginProfileBatch();
        EXPECT_EQ("1", Get(file, "k"));
        if (bSettled == 2) {
            std::this_thread::sleep_for(kSettleTime);
            EXPECT_EQ("1", Get(file, "k"));
        }
        m_directory.Write("a.ini", "[s]\r\nk=2\r\n");
        EXPECT_EQ("2", Get(file, "k")) << "same size, at once; settled " << bSettled;
#if !defined(_WIN32)
        struct stat before {};
        stat(file.c_str(), &before);
        m_directory.Write("a.ini", "[s]\r\nk=3\r\n");
        const timespec times[2] = {before.st_atim, before.st_mtim};
        utimensat(AT_FDCWD, file.c_str(), times, 0);
        EXPECT_EQ("3", Get(file, "k")) << "modification time put back; settled " << bSettled;
#endif
        m_directory.Write("b.ini", "[s]\r\nk=4\r\n");
        std::filesystem::rename(m_directory.Path("b.ini"), file);
        EXPECT_EQ("4", Get(file, "k")) << "another file renamed over it; settled " << bSettled;
        std::filesystem::remove(file);
        EXPECT_EQ("", Get(file, "k")) << "removed; settled " << bSettled;
        m_directory.Write("a.ini", "[s]\r\nk=5\r\n");
        EXPECT_EQ("5", Get(file, "k")) << "made again; settled " << bSettled;
        m_platform.EndProfileBatch();
    }
}

TEST_F(ProfileBatchTest, TheBatchsChangesAreMadeAgainOnAFileChangedBehindIt) {
    const std::string file = m_directory.Write("a.ini", "[s]\r\nk=1\r\n");
    m_platform.BeginProfileBatch();
    EXPECT_TRUE(m_platform.WriteProfileValue("s", "k", "mine", file.c_str()));
    m_directory.Write("a.ini", "[s]\r\nk=1\r\nother=theirs\r\n");
    EXPECT_EQ("theirs", Get(file, "other"));
    EXPECT_EQ("mine", Get(file, "k"));
    m_platform.EndProfileBatch();
    EXPECT_EQ("[s]\r\nk=mine\r\nother=theirs\r\n", m_directory.Read("a.ini"));
}

#if !defined(_WIN32)
TEST_F(ProfileBatchTest, AHardLinkAndAnotherSpellingReachTheSameProfile) {
    const std::string file = m_directory.Write("a.ini", "[s]\r\nk=1\r\n");
    const std::string link = m_directory.Path("b.ini");
    ASSERT_EQ(0, ::link(file.c_str(), link.c_str()));
    const std::string spelled = m_directory.Directory() + "/./a.ini";
    m_platform.BeginProfileBatch();
    EXPECT_TRUE(m_platform.WriteProfileValue("s", "k", "2", file.c_str()));
    EXPECT_EQ("2", Get(link, "k"));
    EXPECT_TRUE(m_platform.WriteProfileValue("s", "j", "3", link.c_str()));
    EXPECT_EQ("3", Get(spelled, "j"));
    m_platform.EndProfileBatch();
    EXPECT_EQ("[s]\r\nk=2\r\nj=3\r\n", m_directory.Read("a.ini"));
    EXPECT_EQ("[s]\r\nk=2\r\nj=3\r\n", m_directory.Read("b.ini"));
}
#endif

}  // namespace
