#include "host/atomic_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include "host/interrupt_cleanup.h"

namespace fs = std::filesystem;

namespace {

// Longer chains than this are taken for a loop of links.
constexpr int kMaxLinkHops = 40;
// Collisions of random names only happen when something else is creating
// files of the same pattern at the same moment.
constexpr int kMaxNameAttempts = 100;
constexpr size_t kCopyChunk = 64 * 1024;

#ifdef _WIN32
using CStatus = struct _stat64;
int StatusOf(const std::string& path, CStatus& status) { return _stat64(path.c_str(), &status); }
// The read-only attribute is tested on its own: it must refuse the write
// for every user, as Windows refuses it, also where an emulation lets a
// privileged user open the file.
int OpenExisting(const std::string& path) {
    if (_access(path.c_str(), 2) != 0) return -1;
    return _open(path.c_str(), _O_WRONLY | _O_BINARY);
}
int CreateExclusive(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int CloseHandle(int nHandle) { return _close(nHandle); }
std::FILE* StreamOf(int nHandle) { return _fdopen(nHandle, "wb"); }
#else
using CStatus = struct stat;
int StatusOf(const std::string& path, CStatus& status) { return stat(path.c_str(), &status); }
int OpenExisting(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CLOEXEC); }
// Private from its creation: nobody else reads the bytes while they are
// written.
int CreateExclusive(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}
int CloseHandle(int nHandle) { return close(nHandle); }
std::FILE* StreamOf(int nHandle) { return fdopen(nHandle, "wb"); }
#endif

// Keeps errno across the clean-up of a failed step.
void CloseKeepingErrno(int nHandle) {
    const int nError = errno;
    CloseHandle(nHandle);
    errno = nError;
}

fs::path FollowLinks(fs::path path) {
    std::error_code error;
    for (int nHop = 0; nHop < kMaxLinkHops && fs::is_symlink(fs::symlink_status(path, error)); ++nHop) {
        const fs::path target = fs::read_symlink(path, error);
        if (error) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// A short name of its own, so that the target may have any name that the
// system accepts.
std::string TemporaryNameBeside(const fs::path& target) {
    static std::mt19937 generator{std::random_device{}()};
    char szName[32];
    std::snprintf(szName, sizeof szName, ".korvelt-%08x", static_cast<unsigned>(generator()));
    return (target.parent_path() / szName).string();
}

// The new file beside the target, or -1 with errno set.
int CreateBeside(const fs::path& target, std::string& temporary) {
    for (int nAttempt = 0; nAttempt < kMaxNameAttempts; ++nAttempt) {
        temporary = TemporaryNameBeside(target);
        const int nHandle = CreateExclusive(temporary);
        if (nHandle >= 0 || errno != EEXIST) return nHandle;
    }
    errno = EEXIST;
    return -1;
}

#ifdef _WIN32

// Ownership and links are not the business of this writer on Windows; the
// read-only attribute has refused the file already. A file that is open
// cannot be renamed over, so the target is not kept open.
constexpr bool kKeepTargetForRename = false;
bool CanKeepIdentityByRename(const CStatus&) { return true; }
bool TakeOverGroup(int, const CStatus&) { return true; }
int ModeOf(const CStatus&) { return -1; }
int NewFileMode() { return -1; }
void SetMode(std::FILE*, int) {}
int64_t TellOf(std::FILE* pFile) { return _ftelli64(pFile); }
int64_t SizeOf(int nHandle) { return _filelengthi64(nHandle); }
bool ReserveSpace(int nHandle, int64_t nSize) {
    return nSize <= SizeOf(nHandle) || _chsize_s(nHandle, nSize) == 0;
}
bool WriteAt(int nHandle, const char* pData, size_t nLength, int64_t nOffset) {
    if (_lseeki64(nHandle, nOffset, SEEK_SET) != nOffset) return false;
    return _write(nHandle, pData, static_cast<unsigned>(nLength)) == static_cast<int>(nLength);
}
bool Truncate(int nHandle, int64_t nSize) { return _chsize_s(nHandle, nSize) == 0; }
class CInterruptsHeld {};

#else

constexpr bool kKeepTargetForRename = true;

// A new file in the old one's place is the old file again only when it has
// the same owner (which only the owner's own new file has) and no other name.
bool CanKeepIdentityByRename(const CStatus& status) {
    return status.st_uid == geteuid() && status.st_nlink == 1;
}

bool TakeOverGroup(int nHandle, const CStatus& status) {
    return fchown(nHandle, static_cast<uid_t>(-1), status.st_gid) == 0;
}

int ModeOf(const CStatus& status) { return static_cast<int>(status.st_mode & 07777); }

// The mode of a plain create.
int NewFileMode() {
    const mode_t nMask = umask(0);
    umask(nMask);
    return static_cast<int>(0666 & ~nMask);
}

void SetMode(std::FILE* pFile, int nMode) {
    if (nMode >= 0) fchmod(fileno(pFile), static_cast<mode_t>(nMode));
}

int64_t TellOf(std::FILE* pFile) { return static_cast<int64_t>(ftello(pFile)); }

bool ReserveSpace(int nHandle, int64_t nSize) {
    if (nSize <= 0) return true;
    // A file system that cannot reserve space (posix_fallocate then writes
    // into the holes itself) still finds the full disk here.
    const int nError = posix_fallocate(nHandle, 0, static_cast<off_t>(nSize));
    errno = nError;
    return nError == 0;
}

bool WriteAt(int nHandle, const char* pData, size_t nLength, int64_t nOffset) {
    while (nLength > 0) {
        const ssize_t nWritten = pwrite(nHandle, pData, nLength, static_cast<off_t>(nOffset));
        if (nWritten < 0 && errno == EINTR) continue;
        if (nWritten <= 0) return false;
        pData += nWritten;
        nLength -= static_cast<size_t>(nWritten);
        nOffset += nWritten;
    }
    return true;
}

bool Truncate(int nHandle, int64_t nSize) { return ftruncate(nHandle, static_cast<off_t>(nSize)) == 0; }

// An interrupt in the middle of writing over a file in place would leave it
// half old, half new: the three signals wait until the copy is done.
class CInterruptsHeld {
public:
    CInterruptsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, nSignal);
        sigprocmask(SIG_BLOCK, &held, &m_previous);
    }
    ~CInterruptsHeld() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }
    CInterruptsHeld(const CInterruptsHeld&) = delete;
    CInterruptsHeld& operator=(const CInterruptsHeld&) = delete;

private:
    sigset_t m_previous;
};

#endif

// Writes the whole of pSource over the target from its first byte, once the
// space is reserved. False, with errno set, when the old bytes were not
// touched because the space could not be had, or when a write failed.
bool CopyOverInPlace(std::FILE* pSource, int nTarget) {
    if (std::fflush(pSource) != 0 || std::fseek(pSource, 0, SEEK_END) != 0) return false;
    const int64_t nSize = TellOf(pSource);
    if (nSize < 0) return false;
    if (!ReserveSpace(nTarget, nSize)) return false;
    std::rewind(pSource);
    [[maybe_unused]] const CInterruptsHeld held;
    char buffer[kCopyChunk];
    int64_t nOffset = 0;
    while (nOffset < nSize) {
        const size_t nRead = std::fread(buffer, 1, kCopyChunk, pSource);
        if (nRead == 0) {
            errno = EIO;
            return false;
        }
        if (!WriteAt(nTarget, buffer, nRead, nOffset)) return false;
        nOffset += static_cast<int64_t>(nRead);
    }
    return Truncate(nTarget, nSize);
}

std::string ErrorText(int nErrno) { return std::generic_category().message(nErrno); }

// Opens a new file beside the target that will be renamed over it; pOld is
// the target's status when it exists. False when no such file can be made,
// or when it could not take the old file's group.
bool OpenRenamed(const fs::path& target, const CStatus* pOld, CReplacementFile& replacement) {
    const int nHandle = CreateBeside(target, replacement.strTemporary);
    if (nHandle < 0) return false;
    std::FILE* pFile = pOld && !TakeOverGroup(nHandle, *pOld) ? nullptr : StreamOf(nHandle);
    if (!pFile) {
        CloseKeepingErrno(nHandle);
        std::remove(replacement.strTemporary.c_str());
        replacement.strTemporary.clear();
        return false;
    }
    if (!kKeepTargetForRename && replacement.nTargetHandle >= 0) {
        CloseHandle(replacement.nTargetHandle);
        replacement.nTargetHandle = -1;
    }
    replacement.pFile = pFile;
    replacement.method = CReplacementFile::kRename;
    replacement.nMode = pOld ? ModeOf(*pOld) : NewFileMode();
    NoteTemporaryFile(replacement.strTemporary.c_str());
    return true;
}

}  // namespace

bool OpenReplacement(const std::string& targetPath, CReplacementFile& replacement) {
    const fs::path target = FollowLinks(targetPath);
    replacement = CReplacementFile();
    replacement.strTarget = target.string();

    CStatus status;
    const bool bExists = StatusOf(replacement.strTarget, status) == 0;
    if (bExists && (status.st_mode & S_IFMT) == S_IFDIR) {
        errno = EISDIR;
        return false;
    }
    if (bExists && (status.st_mode & S_IFMT) != S_IFREG) {
        replacement.pFile = std::fopen(replacement.strTarget.c_str(), "wb");
        return replacement.pFile != nullptr;
    }
    if (bExists) {
        // Refused now, when nothing has been written, where a plain open for
        // writing would refuse it.
        replacement.nTargetHandle = OpenExisting(replacement.strTarget);
        if (replacement.nTargetHandle < 0) return false;
    }
    if (!bExists || CanKeepIdentityByRename(status)) {
        if (OpenRenamed(target, bExists ? &status : nullptr, replacement)) return true;
        if (!bExists) return false;
    }
    // The bytes are gathered in an anonymous file, which nothing can leave
    // behind, and go over the old file at the close.
    replacement.pFile = std::tmpfile();
    if (!replacement.pFile) {
        CloseKeepingErrno(replacement.nTargetHandle);
        return false;
    }
    replacement.method = CReplacementFile::kInPlace;
    return true;
}

bool CloseReplacement(CReplacementFile& replacement, bool bKeep, std::string* pError) {
    bool bDone = bKeep;
    const auto fail = [&](const std::string& reason) {
        if (bDone && pError) *pError = reason;
        bDone = false;
    };
    if (replacement.pFile) {
        if (std::fflush(replacement.pFile) != 0) fail(ErrorText(errno));
        if (bDone && replacement.method == CReplacementFile::kInPlace &&
            !CopyOverInPlace(replacement.pFile, replacement.nTargetHandle))
            fail(ErrorText(errno));
        if (bDone && replacement.method == CReplacementFile::kRename) SetMode(replacement.pFile, replacement.nMode);
        if (std::fclose(replacement.pFile) != 0) fail(ErrorText(errno));
        replacement.pFile = nullptr;
    }
    if (replacement.method == CReplacementFile::kRename) {
        std::error_code error;
        if (bDone) fs::rename(replacement.strTemporary, replacement.strTarget, error);
        const bool bRenamed = bDone && !error;
        if (bDone && error && replacement.nTargetHandle >= 0) {
            // The directory refuses the rename, but the file itself may be
            // written.
            std::FILE* pNew = std::fopen(replacement.strTemporary.c_str(), "rb");
            if (!pNew || !CopyOverInPlace(pNew, replacement.nTargetHandle)) fail(ErrorText(errno));
            if (pNew) std::fclose(pNew);
        } else if (bDone && error) {
            fail(error.message());
        }
        if (!bRenamed) std::remove(replacement.strTemporary.c_str());
        NoteTemporaryFile(nullptr);
        replacement.strTemporary.clear();
    }
    if (replacement.nTargetHandle >= 0) {
        if (CloseHandle(replacement.nTargetHandle) != 0) fail(ErrorText(errno));
        replacement.nTargetHandle = -1;
    }
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
    m_strError = ErrorText(nErrno);
    Discard();
    return false;
}

void CAtomicFileWriter::Discard() {
    CloseReplacement(m_file, false, nullptr);
}
