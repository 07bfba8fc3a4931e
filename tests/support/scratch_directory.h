#pragma once

#if !defined(_WIN32)
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class CScratchDirectory {
public:
    CScratchDirectory() {
#if defined(_WIN32)
        // No mkdtemp here: a random name, taken only if the directory is new.
        std::random_device random;
        std::error_code error;
        for (int nTry = 0; nTry < 100 && m_path.empty(); ++nTry) {
            const auto path =
                std::filesystem::temp_directory_path() / ("korvelt-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(path, error)) m_path = path;
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "korvelt-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
#endif
    }
    ~CScratchDirectory() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CScratchDirectory(const CScratchDirectory&) = delete;
    CScratchDirectory& operator=(const CScratchDirectory&) = delete;

    const std::filesystem::path& Path() const {
        return m_path;
    }
    std::string operator/(const std::string& name) const {
        return (m_path / name).string();
    }

    // Names of the entries, for checking that nothing was left behind.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path m_path;
};

// Makes a symbolic link where the system lets a test make one (Windows mostly
// does not); false otherwise, and the test has nothing to check.
inline bool MakeSymlink(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Makes a directory refuse new entries for as long as the object lives. For a
// normal user removing the write permission does it; root ignores that, so for
// root the directory is made immutable instead, where the file system allows.
#if defined(_WIN32)
// Windows lets anyone who may write a directory's files add new ones whatever
// the directory's own attributes say, so there is no read-only directory.
class CReadOnlyDirectory {
public:
    explicit CReadOnlyDirectory(const std::filesystem::path&) {}
    bool IsReadOnly() const { return false; }
};
#else
class CReadOnlyDirectory {
public:
    explicit CReadOnlyDirectory(const std::filesystem::path& path) : m_path(path.string()) {
        chmod(m_path.c_str(), 0555);
        if (RefusesNewFiles()) {
            m_bReadOnly = true;
            return;
        }
        m_bImmutable = SetImmutable(true);
        m_bReadOnly = m_bImmutable && RefusesNewFiles();
    }
    ~CReadOnlyDirectory() {
        if (m_bImmutable) SetImmutable(false);
        chmod(m_path.c_str(), 0755);
    }
    CReadOnlyDirectory(const CReadOnlyDirectory&) = delete;
    CReadOnlyDirectory& operator=(const CReadOnlyDirectory&) = delete;

    // False where neither way works (root on a file system without the
    // immutable flag); tests then have nothing to check.
    bool IsReadOnly() const { return m_bReadOnly; }

private:
    bool RefusesNewFiles() const {
        const std::string probe = m_path + "/.probe";
        const int nHandle = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (nHandle < 0) return true;
        close(nHandle);
        unlink(probe.c_str());
        return false;
    }
    bool SetImmutable(bool bOn) const {
        const int nHandle = open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
        if (nHandle < 0) return false;
        int nFlags = 0;
        bool bDone = ioctl(nHandle, FS_IOC_GETFLAGS, &nFlags) == 0;
        if (bDone) {
            nFlags = bOn ? (nFlags | FS_IMMUTABLE_FL) : (nFlags & ~FS_IMMUTABLE_FL);
            bDone = ioctl(nHandle, FS_IOC_SETFLAGS, &nFlags) == 0;
        }
        close(nHandle);
        return bDone;
    }

    std::string m_path;
    bool m_bImmutable = false;
    bool m_bReadOnly = false;
};
#endif
