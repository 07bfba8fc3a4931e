#include "host/atomic_file_writer.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Longer chains than this are taken for a loop of links.
constexpr int kMaxLinkHops = 40;
// Collisions of random names only happen when something else is creating
// files of the same pattern at the same moment.
constexpr int kMaxNameAttempts = 100;

fs::path FollowLinks(fs::path path) {
    std::error_code error;
    for (int nHop = 0; nHop < kMaxLinkHops && fs::is_symlink(fs::symlink_status(path, error)); ++nHop) {
        const fs::path target = fs::read_symlink(path, error);
        if (error) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// Creates a file that must not exist yet, so that a file or link that another
// program put under the chosen name is never written through. The new file
// gets the permissions of a plain create (0666 less the umask).
std::FILE* CreateNewFile(const std::string& path) {
#ifdef _WIN32
    const int nHandle = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int nHandle = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (nHandle < 0) return nullptr;
#ifdef _WIN32
    std::FILE* pFile = _fdopen(nHandle, "wb");
#else
    std::FILE* pFile = fdopen(nHandle, "wb");
#endif
    if (!pFile) {
        const int nError = errno;
#ifdef _WIN32
        _close(nHandle);
#else
        close(nHandle);
#endif
        std::remove(path.c_str());
        errno = nError;
    }
    return pFile;
}

std::string TemporaryNameBeside(const fs::path& target) {
    static std::mt19937 generator{std::random_device{}()};
    char szSuffix[16];
    std::snprintf(szSuffix, sizeof szSuffix, ".tmp-%08x", static_cast<unsigned>(generator()));
    const fs::path name = "." + target.filename().string() + szSuffix;
    return (target.parent_path() / name).string();
}

}  // namespace

bool OpenReplacement(const std::string& targetPath, CReplacementFile& replacement) {
    const fs::path target = FollowLinks(targetPath);
    replacement = CReplacementFile();
    replacement.strTarget = target.string();

    std::error_code error;
    const fs::file_status targetStatus = fs::status(target, error);
    const bool bExists = !error && fs::exists(targetStatus);
    if (bExists && !fs::is_regular_file(targetStatus) && !fs::is_directory(targetStatus)) {
        replacement.pFile = std::fopen(replacement.strTarget.c_str(), "wb");
        return replacement.pFile != nullptr;
    }

    for (int nAttempt = 0; nAttempt < kMaxNameAttempts; ++nAttempt) {
        const std::string temporary = TemporaryNameBeside(target);
        replacement.pFile = CreateNewFile(temporary);
        if (replacement.pFile) {
            replacement.strTemporary = temporary;
            break;
        }
        if (errno != EEXIST) return false;
    }
    if (!replacement.pFile) {
        errno = EEXIST;
        return false;
    }

    // The replacement keeps the permissions of the file it replaces. Failing to
    // copy them leaves the ones of a new file, which is no reason to refuse.
    if (bExists) fs::permissions(replacement.strTemporary, targetStatus.permissions(), error);
    return true;
}

bool CloseReplacement(CReplacementFile& replacement, bool bKeep, std::string* pError) {
    bool bDone = bKeep;
    if (replacement.pFile) {
        const bool bFlushed = std::fflush(replacement.pFile) == 0;
        const int nFlushError = errno;
        const bool bClosed = std::fclose(replacement.pFile) == 0;
        const int nCloseError = errno;
        replacement.pFile = nullptr;
        if (bDone && (!bFlushed || !bClosed)) {
            bDone = false;
            if (pError) *pError = std::generic_category().message(bFlushed ? nCloseError : nFlushError);
        }
    }
    if (replacement.strTemporary.empty()) return bDone;
    std::error_code error;
    if (bDone) {
        fs::rename(replacement.strTemporary, replacement.strTarget, error);
        if (error) {
            bDone = false;
            if (pError) *pError = error.message();
        }
    }
    if (!bDone) std::remove(replacement.strTemporary.c_str());
    replacement.strTemporary.clear();
    return bDone;
}

CAtomicFileWriter::~CAtomicFileWriter() {
    Discard();
}

bool CAtomicFileWriter::Open(const std::string& targetPath) {
    Discard();
    m_strError.clear();
    return OpenReplacement(targetPath, m_file) ? true : Fail(errno);
}

bool CAtomicFileWriter::Write(const void* pData, size_t nLength) {
    if (!m_file.pFile) return false;
    if (std::fwrite(pData, 1, nLength, m_file.pFile) != nLength) return Fail(errno);
    return true;
}

bool CAtomicFileWriter::Commit() {
    if (!m_file.pFile) return false;
    return CloseReplacement(m_file, true, &m_strError);
}

bool CAtomicFileWriter::Fail(int nErrno) {
    m_strError = std::generic_category().message(nErrno);
    Discard();
    return false;
}

void CAtomicFileWriter::Discard() {
    CloseReplacement(m_file, false, nullptr);
}
