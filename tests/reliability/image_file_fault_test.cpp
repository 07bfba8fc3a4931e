// Loads and saves that meet a full disk, a path that cannot be written, an
// input that cannot be read or is gone: each gives its specified result, and
// neither the image nor a file that existed before loses anything.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "file_size_limit.h"
#include "tests/support/recording_host.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"
#include "tests/support/unprivileged.h"

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ImageFileFaultTest : public ::testing::Test {
protected:
    ImageFileFaultTest() {
        std::random_device random;
        m_directory = std::filesystem::temp_directory_path() / ("korvelt-file-fault-" + std::to_string(random()));
        std::filesystem::create_directories(m_directory);
        SetHost(&m_host);
        // What the image held before: a load that fails must leave exactly this.
        const std::vector<uint8_t> bytes(300, 0x5A);
        m_pImage->WriteBytes(0x1000, bytes.data(), int32_t(bytes.size()));
        m_pImage->ClearHistory();
    }
    ~ImageFileFaultTest() override {
        SetHost(nullptr);
        std::error_code error;
        std::filesystem::remove_all(m_directory, error);
    }

    std::string Path(const std::string& name) const { return (m_directory / name).string(); }
    size_t EntriesInDirectory() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_directory),
                                                 std::filesystem::directory_iterator()));
    }

    int Save(const std::string& path) { return CImageFile().Save(path.c_str(), 0, 0xFFFFFFFF, m_pImage.get(), 0); }
    int Load(const std::string& path) { return CImageFile().Load(path.c_str(), m_pImage.get(), 0); }

    // The image still holds exactly the 300 bytes of 0x5A at 0x1000.
    ::testing::AssertionResult ImageUnchanged() {
        uint32_t nFirst = 0;
        uint32_t nLast = 0;
        const int nNext = m_pImage->NextArea(-1, 0, nFirst, nLast);
        if (nNext == -1 || nFirst != 0x1000 || nLast != 0x112B)
            return ::testing::AssertionFailure() << "the image's data areas changed";
        if (m_pImage->NextArea(nNext, nLast + 1, nFirst, nLast) != -1)
            return ::testing::AssertionFailure() << "the image gained an area";
        std::vector<uint8_t> bytes(300);
        m_pImage->ReadBytes(0x1000, bytes.data(), 300);
        if (bytes != std::vector<uint8_t>(300, 0x5A)) return ::testing::AssertionFailure() << "bytes changed";
        if (m_pImage->HasHistory()) return ::testing::AssertionFailure() << "history left behind";
        return ::testing::AssertionSuccess();
    }

    CRecordingHost m_host;
    std::unique_ptr<CMemoryImage> m_pImage = CMemoryImage::Create(0);
    std::filesystem::path m_directory;
};

TEST_F(ImageFileFaultTest, SavingToAFullDeviceFails) {
    EXPECT_EQ(0, Save("/dev/full"));
    EXPECT_EQ(0, CImageFile().Save("/dev/full", 0x1000, 0x1003, m_pImage.get(), 0));
}

TEST_F(ImageFileFaultTest, SavingOnAFullDiskFailsInEveryFormat) {
    for (const char* pszName : {"full.mot", "full.fpr", "full.cde"}) {
        CFileSizeLimit limit(100);
        ASSERT_TRUE(limit.IsActive());
        EXPECT_EQ(0, Save(Path(pszName))) << pszName;
    }
}

TEST_F(ImageFileFaultTest, SavingOverAFileOnAFullDiskKeepsTheOldFile) {
    for (const char* pszName : {"old.mot", "old.fpr", "old.cde"}) {
        WriteText(m_directory / pszName, "the old contents");
        {
            CFileSizeLimit limit(100);
            EXPECT_EQ(0, Save(Path(pszName))) << pszName;
        }
        EXPECT_EQ("the old contents", ReadText(m_directory / pszName)) << pszName;
    }
    EXPECT_EQ(3u, EntriesInDirectory()) << "a temporary file was left behind";
}

// A small file system of its own, full but for a little room, where the
// system lets a test mount one (root on Linux).
class CSmallFileSystem {
public:
    CSmallFileSystem(const std::filesystem::path& path, const char* pszSize) : m_path(path.string()) {
        std::filesystem::create_directories(path);
        m_bMounted = mount("korvelt-test", m_path.c_str(), "tmpfs", 0, (std::string("size=") + pszSize).c_str()) == 0;
    }
    ~CSmallFileSystem() {
        if (m_bMounted) umount(m_path.c_str());
    }
    CSmallFileSystem(const CSmallFileSystem&) = delete;
    CSmallFileSystem& operator=(const CSmallFileSystem&) = delete;
    bool IsMounted() const { return m_bMounted; }

private:
    std::string m_path;
    bool m_bMounted = false;
};

// A file with a second name is written over in place; the space for the new
// bytes is reserved first, so a full disk leaves the old ones whole.
TEST_F(ImageFileFaultTest, SavingInPlaceOnAFullDiskKeepsTheOldFile) {
    CSmallFileSystem small(m_directory / "small", "64k");
    if (!small.IsMounted()) GTEST_SKIP() << "cannot mount a small file system here";
    WriteText(m_directory / "small/filler", std::string(44 * 1024, 'f'));
    WriteText(m_directory / "small/old.cde", "the old contents");
    std::filesystem::create_hard_link(m_directory / "small/old.cde", m_directory / "small/link.cde");
    const std::vector<uint8_t> bytes(32 * 1024, 0x5A);
    m_pImage->WriteBytes(0x2000, bytes.data(), int32_t(bytes.size()));

    EXPECT_EQ(0, Save(Path("small/old.cde")));
    EXPECT_EQ("the old contents", ReadText(m_directory / "small/link.cde"));
    EXPECT_EQ(3, std::distance(std::filesystem::directory_iterator(m_directory / "small"),
                               std::filesystem::directory_iterator()));
}

TEST_F(ImageFileFaultTest, SavingOverAFileTheUserMayNotWriteFailsAndKeepsIt) {
    std::string whyNot;
    if (!UnprivilegedUserAvailable(whyNot)) GTEST_SKIP() << whyNot;
    std::filesystem::permissions(m_directory, std::filesystem::perms::all);
    WriteText(m_directory / "old.mot", "the old contents");
    std::filesystem::permissions(m_directory / "old.mot", std::filesystem::perms(0444));
    const std::string path = Path("old.mot");
    EXPECT_EQ(0, RunUnprivileged([&] { return Save(path); }));
    EXPECT_EQ("the old contents", ReadText(m_directory / "old.mot"));
    EXPECT_EQ(1u, EntriesInDirectory());
}

TEST_F(ImageFileFaultTest, SavingBelowARegularFileFailsAndCreatesNothing) {
    WriteText(m_directory / "plain", "a file, not a directory");
    EXPECT_EQ(0, Save(Path("plain/out.mot")));
    EXPECT_EQ("a file, not a directory", ReadText(m_directory / "plain"));
}

// Whatever is in the way, the save says why, and changes nothing of it.
TEST_F(ImageFileFaultTest, AnOutputThatCannotBeWrittenSaysWhy) {
    std::filesystem::create_directory(m_directory / "folder.mot");
    WriteText(m_directory / "plain", "a file, not a directory");
    std::filesystem::create_symlink("b.mot", m_directory / "a.mot");
    std::filesystem::create_symlink("a.mot", m_directory / "b.mot");
    const std::pair<const char*, const char*> cases[] = {
        {"folder.mot", "Is a directory"},
        {"a.mot", "Too many levels of symbolic links"},
        {"plain/out.mot", "Not a directory"},
    };
    for (const auto& c : cases) {
        CImageFile file;
        EXPECT_EQ(0, file.Save(Path(c.first).c_str(), 0, 0xFFFFFFFF, m_pImage.get(), 0)) << c.first;
        EXPECT_EQ(c.second, file.GetWriteError()) << c.first;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(m_directory / "a.mot"));
    EXPECT_EQ(4u, EntriesInDirectory());
}

TEST_F(ImageFileFaultTest, SavingOverALongerFileLeavesNothingOfIt) {
    const std::string path = Path("over.cde");
    WriteText(path, std::string(5000, 'x'));
    ASSERT_EQ(1, Save(path));
    EXPECT_EQ(std::string(300, '\x5A'), ReadText(path));
    EXPECT_EQ(1u, EntriesInDirectory());
}

TEST_F(ImageFileFaultTest, AFileThatIsGoneLoadsNothingAndAsksNothing) {
    const std::string path = Path("gone.mot");
    WriteText(path, "S1050000AABB95\n");
    std::filesystem::remove(path);
    EXPECT_EQ(0, Load(path));
    std::filesystem::create_symlink(Path("nowhere.mot"), Path("dangling.mot"));
    EXPECT_EQ(0, Load(Path("dangling.mot")));
    EXPECT_TRUE(m_host.m_events.empty());
    EXPECT_TRUE(ImageUnchanged());
}

// Reading /proc/self/mem from its start fails with an I/O error: a file
// that opens but cannot be read.
class UnreadableInputTest : public ImageFileFaultTest, public ::testing::WithParamInterface<const char*> {
protected:
    std::string UnreadablePath() {
        const std::string path = Path(std::string("unreadable") + GetParam());
        std::filesystem::create_symlink("/proc/self/mem", path);
        return path;
    }
};

TEST_P(UnreadableInputTest, LoadsNothingSaysSoAndKeepsTheImage) {
    m_host.QueueAnswer(kAnswerOk);
    const std::string path = UnreadablePath();
    EXPECT_EQ(0, Load(path));
    EXPECT_EQ(std::vector<std::string>{path + ": read error"}, m_host.Texts("box"));
    EXPECT_TRUE(ImageUnchanged());
}

TEST_P(UnreadableInputTest, ADirectoryLoadsNothingAndKeepsTheImage) {
    const std::string path = Path(std::string("folder") + GetParam());
    std::filesystem::create_directory(path);
    m_host.QueueAnswer(kAnswerOk);
    EXPECT_EQ(0, Load(path));
    EXPECT_TRUE(ImageUnchanged());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, UnreadableInputTest, ::testing::Values(".mot", ".fpr", ".cde"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param + 1);
                         });

TEST_F(ImageFileFaultTest, AnUnreadableSRecordFileIsReportedAsAReadError) {
    const std::string path = Path("unreadable.mot");
    std::filesystem::create_symlink("/proc/self/mem", path);
    EXPECT_EQ(0, Load(path));
    ASSERT_EQ(1u, m_host.Texts("diagnostic").size());
    EXPECT_NE(std::string::npos, m_host.Texts("diagnostic")[0].find("read error"));
    EXPECT_TRUE(ImageUnchanged());
}

}  // namespace
