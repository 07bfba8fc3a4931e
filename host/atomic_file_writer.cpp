#include "host/atomic_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <system_error>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
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
const char kDamaged[] = "; the old file is damaged";

#ifdef _WIN32
using CStatus = struct _stat64;
int StatusOfHandle(int nHandle, CStatus& status) { return _fstat64(nHandle, &status); }
// The read-only attribute is tested on its own: it must refuse the write
// for every user, as Windows refuses it, also where an emulation lets a
// privileged user open the file. A directory refuses the open as a denied
// access, which would hide the reason.
int OpenTarget(const std::string& path, CStatus& status) {
    if (_access(path.c_str(), 2) != 0) return -1;
    const int nHandle = _open(path.c_str(), _O_RDWR | _O_BINARY);
    if (nHandle < 0) {
        if (errno == EACCES && _stat64(path.c_str(), &status) == 0 && (status.st_mode & S_IFMT) == S_IFDIR)
            errno = EISDIR;
        return -1;
    }
    if (_fstat64(nHandle, &status) == 0) return nHandle;
    const int nError = errno;
    _close(nHandle);
    errno = nError;
    return -1;
}
// The new file deletes itself when its handle closes, unless it is kept
// (KeepNewFile): an interrupt, whose handler runs on another thread while
// this one holds the file, or any other end of the process leaves nothing
// behind. Others may delete it meanwhile, as the interrupt's handler does.
int CreateExclusive(const std::string& path, int) {
    const HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE | WRITE_DAC,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_FILE_EXISTS ? EEXIST : GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
        return -1;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(hFile, FileDispositionInfo, &disposition, sizeof disposition);
    const int nHandle = _open_osfhandle(reinterpret_cast<intptr_t>(hFile), _O_WRONLY | _O_BINARY);
    if (nHandle < 0) CloseHandle(hFile);
    return nHandle;
}
int CloseDescriptor(int nHandle) { return _close(nHandle); }
std::FILE* StreamOf(int nHandle) { return _fdopen(nHandle, "wb"); }
bool WriteDirectly(int) { return true; }
#else
using CStatus = struct stat;
int StatusOfHandle(int nHandle, CStatus& status) { return fstat(nHandle, &status); }
// Every decision about the target is taken on the handle that the bytes go
// to, never on its name, which another process may point elsewhere
// meanwhile. A regular file is opened to read as well, so that its old bytes
// can be kept aside while new ones are written over them, where the user may
// read it; the open never waits for the reader of a FIFO, and a FIFO is then
// opened to write only, waiting for a reader as a plain open would: opened
// to read as well, it would swallow the bytes.
int OpenTarget(const std::string& path, CStatus& status) {
    constexpr int kFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int nHandle = open(path.c_str(), O_RDWR | kFlags);
    if (nHandle < 0 && errno == EACCES) nHandle = open(path.c_str(), O_WRONLY | kFlags);
    for (int nOpen = 0; nHandle >= 0; ++nOpen) {
        if (fstat(nHandle, &status) != 0) break;
        if (!S_ISFIFO(status.st_mode) || nOpen > 0) return nHandle;
        close(nHandle);
        nHandle = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    }
    if (nHandle >= 0) {
        const int nError = errno;
        close(nHandle);
        errno = nError;
    }
    return -1;
}
int CreateExclusive(const std::string& path, int nMode) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(nMode));
}
int CloseDescriptor(int nHandle) { return close(nHandle); }
std::FILE* StreamOf(int nHandle) { return fdopen(nHandle, "wb"); }
// A device or pipe written through: its writes wait as plain ones do.
bool WriteDirectly(int nHandle) {
    const int nFlags = fcntl(nHandle, F_GETFL);
    return nFlags >= 0 && fcntl(nHandle, F_SETFL, nFlags & ~O_NONBLOCK) == 0;
}
#endif

// Keeps errno across the clean-up of a failed step.
void CloseKeepingErrno(int nHandle) {
    const int nError = errno;
    CloseDescriptor(nHandle);
    errno = nError;
}

// The end of a chain of links, which need not exist yet; false, with errno
// set, for a loop or a link that cannot be read.
bool FollowLinks(fs::path path, fs::path& target) {
    for (int nHop = 0; nHop <= kMaxLinkHops; ++nHop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            target = path;
            return true;
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            errno = error.value();
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    errno = ELOOP;
    return false;
}

// A short name of its own, so that the target may have any name that the
// system accepts.
std::string TemporaryNameBeside(const fs::path& target) {
    static std::mt19937 generator{std::random_device{}()};
    char szName[32];
    std::snprintf(szName, sizeof szName, ".korvelt-%08x", static_cast<unsigned>(generator()));
    return (target.parent_path() / szName).string();
}

// A new file beside the target with permissions nMode as a create gives
// them, or -1 with errno set. Private (0600): nobody else reads the bytes
// while they are written.
int CreateBeside(const fs::path& target, std::string& temporary, int nMode = 0600) {
    for (int nAttempt = 0; nAttempt < kMaxNameAttempts; ++nAttempt) {
        temporary = TemporaryNameBeside(target);
        const int nHandle = CreateExclusive(temporary, nMode);
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

HANDLE SystemHandle(int nHandle) { return reinterpret_cast<HANDLE>(_get_osfhandle(nHandle)); }

// An access list of the old file's own, which the new file would not have
// (it takes the folder's), goes to the new file; false when that cannot be
// done, and the old file is then written in place.
bool TakeOverAccessList(HANDLE hOld, HANDLE hNew) {
    PACL pAccessList = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (GetSecurityInfo(hOld, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &pAccessList, nullptr,
                        &pDescriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD dwRevision = 0;
    GetSecurityDescriptorControl(pDescriptor, &control, &dwRevision);
    const bool bProtected = (control & SE_DACL_PROTECTED) != 0;
    bool bOwn = bProtected || !pAccessList;
    for (DWORD i = 0; !bOwn && i < pAccessList->AceCount; ++i) {
        ACE_HEADER* pEntry = nullptr;
        bOwn = GetAce(pAccessList, i, reinterpret_cast<void**>(&pEntry)) && !(pEntry->AceFlags & INHERITED_ACE);
    }
    const DWORD dwInformation = DACL_SECURITY_INFORMATION |
                                (bProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    const bool bTaken =
        !bOwn || SetSecurityInfo(hNew, SE_FILE_OBJECT, dwInformation, nullptr, nullptr, pAccessList, nullptr) == ERROR_SUCCESS;
    LocalFree(pDescriptor);
    return bTaken;
}

// The new file takes the old one's access list now, and its attributes at
// the rename.
bool TakeOverOldFile(int nHandle, const CStatus&, CReplacementFile& replacement) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(SystemHandle(replacement.nTargetHandle), &info)) return false;
    replacement.nAttributes = info.dwFileAttributes;
    return TakeOverAccessList(SystemHandle(replacement.nTargetHandle), SystemHandle(nHandle));
}

void KeepNewFile(std::FILE* pFile) {
    FILE_DISPOSITION_INFO disposition{FALSE};
    SetFileInformationByHandle(SystemHandle(_fileno(pFile)), FileDispositionInfo, &disposition, sizeof disposition);
}

// The attributes that the old file had and the new one keeps: its hidden,
// system, archive and indexing ones. ReplaceFile keeps them where the system
// can; they are given back in any case.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void RenameOver(const std::string& from, const std::string& to, const CReplacementFile& replacement,
                std::error_code& error) {
    error.clear();
    if (replacement.nAttributes != 0) {
        std::error_code ignored;
        const std::string fromPath = fs::absolute(from, ignored).string();
        const std::string toPath = fs::absolute(to, ignored).string();
        if (!ReplaceFileA(toPath.c_str(), fromPath.c_str(), nullptr,
                          REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr))
            fs::rename(from, to, error);
        if (!error) SetFileAttributesA(to.c_str(), replacement.nAttributes & kKeptAttributes);
        return;
    }
    fs::rename(from, to, error);
}
int ModeOf(const CStatus&) { return -1; }
int NewFileMode(const fs::path&) { return -1; }
void SetMode(std::FILE*, int) {}
int64_t TellOf(std::FILE* pFile) { return _ftelli64(pFile); }
int64_t SizeOf(int nHandle) { return _filelengthi64(nHandle); }
bool ReserveSpace(int nHandle, int64_t nSize) {
    return nSize <= SizeOf(nHandle) || _chsize_s(nHandle, nSize) == 0;
}
size_t WriteAt(int nHandle, const char* pData, size_t nLength, int64_t nOffset) {
    if (_lseeki64(nHandle, nOffset, SEEK_SET) != nOffset) return 0;
    const int nWritten = _write(nHandle, pData, static_cast<unsigned>(nLength));
    return nWritten > 0 ? static_cast<size_t>(nWritten) : 0;
}
bool ReadAt(int nHandle, char* pData, size_t nLength, int64_t nOffset) {
    if (_lseeki64(nHandle, nOffset, SEEK_SET) != nOffset) return false;
    return _read(nHandle, pData, static_cast<unsigned>(nLength)) == static_cast<int>(nLength);
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

// The new file takes the old one's group now, and its mode just before the
// rename.
bool TakeOverOldFile(int nHandle, const CStatus& status, CReplacementFile&) {
    return fchown(nHandle, static_cast<uid_t>(-1), status.st_gid) == 0;
}

void KeepNewFile(std::FILE*) {}

void RenameOver(const std::string& from, const std::string& to, const CReplacementFile&, std::error_code& error) {
    fs::rename(from, to, error);
}

int ModeOf(const CStatus& status) { return static_cast<int>(status.st_mode & 07777); }

// The mode that a plain create gives a file beside the target (the umask or
// the directory's default access list decide it), learnt from an empty file
// made and removed there: the umask cannot be read without setting it, which
// would change it for every thread of the host. -1 when no file can be made.
int NewFileMode(const fs::path& target) {
    std::string probe;
    const int nHandle = CreateBeside(target, probe, 0666);
    if (nHandle < 0) return -1;
    NoteTemporaryFile(probe.c_str());
    CStatus status;
    const int nMode = StatusOfHandle(nHandle, status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
    CloseDescriptor(nHandle);
    unlink(probe.c_str());
    NoteTemporaryFile(nullptr);
    return nMode;
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

size_t WriteAt(int nHandle, const char* pData, size_t nLength, int64_t nOffset) {
    size_t nDone = 0;
    while (nDone < nLength) {
        const ssize_t nWritten = pwrite(nHandle, pData + nDone, nLength - nDone, static_cast<off_t>(nOffset));
        if (nWritten < 0 && errno == EINTR) continue;
        if (nWritten <= 0) break;
        nDone += static_cast<size_t>(nWritten);
        nOffset += nWritten;
    }
    return nDone;
}

bool ReadAt(int nHandle, char* pData, size_t nLength, int64_t nOffset) {
    while (nLength > 0) {
        const ssize_t nRead = pread(nHandle, pData, nLength, static_cast<off_t>(nOffset));
        if (nRead < 0 && errno == EINTR) continue;
        if (nRead <= 0) return false;
        pData += nRead;
        nLength -= static_cast<size_t>(nRead);
        nOffset += nRead;
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

int64_t SizeOfHandle(int nHandle) {
    CStatus status;
    return StatusOfHandle(nHandle, status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

// Writes the whole of pSource over the target from its first byte, once the
// space is reserved, so that a full disk is found before the first old byte
// changes. The old bytes that the new ones cover are kept in memory first,
// where there is memory for them, and put back when a write fails midway (an
// I/O error, a limit on the file's size). False, with errno set, when the file
// was not written; *pbDamaged then says whether the old bytes could not be
// put back.
bool CopyOverInPlace(std::FILE* pSource, int nTarget, bool* pbDamaged) {
    *pbDamaged = false;
    if (std::fflush(pSource) != 0 || std::fseek(pSource, 0, SEEK_END) != 0) return false;
    const int64_t nSize = TellOf(pSource);
    const int64_t nOldSize = SizeOfHandle(nTarget);
    if (nSize < 0 || nOldSize < 0) return false;
    if (!ReserveSpace(nTarget, nSize)) {
        const int nError = errno;
        if (SizeOfHandle(nTarget) != nOldSize) Truncate(nTarget, nOldSize);
        errno = nError;
        return false;
    }
    const size_t nCovered = static_cast<size_t>(std::min(nSize, nOldSize));
    std::unique_ptr<char[]> pOld(new (std::nothrow) char[nCovered + 1]);
    if (pOld && !ReadAt(nTarget, pOld.get(), nCovered, 0)) pOld.reset();
    std::rewind(pSource);
    [[maybe_unused]] const CInterruptsHeld held;
    std::vector<char> buffer(kCopyChunk);
    bool bWritten = true;
    int64_t nReached = 0;  // the new bytes lie before this offset
    while (bWritten && nReached < nSize) {
        const size_t nRead = std::fread(buffer.data(), 1, kCopyChunk, pSource);
        if (nRead == 0) errno = EIO;
        const size_t nWritten = WriteAt(nTarget, buffer.data(), nRead, nReached);
        bWritten = nRead > 0 && nWritten == nRead;
        nReached += static_cast<int64_t>(nWritten);
    }
    if (bWritten && Truncate(nTarget, nSize)) return true;
    const int nError = errno;
    const size_t nChanged = static_cast<size_t>(std::min<int64_t>(nReached, static_cast<int64_t>(nCovered)));
    *pbDamaged = !pOld || WriteAt(nTarget, pOld.get(), nChanged, 0) != nChanged || !Truncate(nTarget, nOldSize);
    errno = nError;
    return false;
}

std::string ErrorText(int nErrno) { return std::generic_category().message(nErrno); }

// Opens a new file beside the target that will be renamed over it; pOld is
// the target's status when it exists. False when no such file can be made,
// or when it could not take the old file's group.
bool OpenRenamed(const fs::path& target, const CStatus* pOld, CReplacementFile& replacement) {
    const int nHandle = CreateBeside(target, replacement.strTemporary);
    if (nHandle < 0) return false;
    std::FILE* pFile = pOld && !TakeOverOldFile(nHandle, *pOld, replacement) ? nullptr : StreamOf(nHandle);
    if (!pFile) {
        CloseKeepingErrno(nHandle);
        std::remove(replacement.strTemporary.c_str());
        replacement.strTemporary.clear();
        return false;
    }
    if (!kKeepTargetForRename && replacement.nTargetHandle >= 0) {
        CloseDescriptor(replacement.nTargetHandle);
        replacement.nTargetHandle = -1;
    }
    replacement.pFile = pFile;
    replacement.method = CReplacementFile::kRename;
    replacement.nMode = pOld ? ModeOf(*pOld) : NewFileMode(target);
    NoteTemporaryFile(replacement.strTemporary.c_str());
    return true;
}

}  // namespace

bool OpenReplacement(const std::string& targetPath, CReplacementFile& replacement) {
    replacement = CReplacementFile();
    fs::path target;
    if (!FollowLinks(targetPath, target)) return false;
    replacement.strTarget = target.string();

    // Nothing there is the only failure that a write may go on from: any
    // other (a refusal, a directory, a loop) is the write's own.
    CStatus status;
    const int nHandle = OpenTarget(replacement.strTarget, status);
    if (nHandle < 0 && errno != ENOENT) return false;
    const bool bExists = nHandle >= 0;
    if (bExists && (status.st_mode & S_IFMT) != S_IFREG) {
        // A device or a pipe cannot be replaced: the bytes go straight to it.
        replacement.pFile = WriteDirectly(nHandle) ? StreamOf(nHandle) : nullptr;
        if (!replacement.pFile) CloseKeepingErrno(nHandle);
        return replacement.pFile != nullptr;
    }
    replacement.nTargetHandle = nHandle;
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
    // A write in place that failed midway leaves the old file damaged when
    // its old bytes could not be put back; the reason says so.
    bool bDamaged = false;
    const auto failInPlace = [&] { fail(ErrorText(errno) + (bDamaged ? kDamaged : "")); };
    if (replacement.pFile) {
        if (std::fflush(replacement.pFile) != 0) fail(ErrorText(errno));
        if (bDone && replacement.method == CReplacementFile::kInPlace &&
            !CopyOverInPlace(replacement.pFile, replacement.nTargetHandle, &bDamaged))
            failInPlace();
        if (bDone && replacement.method == CReplacementFile::kRename) {
            SetMode(replacement.pFile, replacement.nMode);
            KeepNewFile(replacement.pFile);
        }
        if (std::fclose(replacement.pFile) != 0) fail(ErrorText(errno));
        replacement.pFile = nullptr;
    }
    if (replacement.method == CReplacementFile::kRename) {
        std::error_code error;
        if (bDone) RenameOver(replacement.strTemporary, replacement.strTarget, replacement, error);
        const bool bRenamed = bDone && !error;
        if (bDone && error && replacement.nTargetHandle >= 0) {
            // The directory refuses the rename, but the file itself may be
            // written.
            std::FILE* pNew = std::fopen(replacement.strTemporary.c_str(), "rb");
            if (!pNew || !CopyOverInPlace(pNew, replacement.nTargetHandle, &bDamaged)) failInPlace();
            if (pNew) std::fclose(pNew);
        } else if (bDone && error) {
            fail(error.message());
        }
        // A directory that takes new files but refuses to rename or remove
        // them (append-only) keeps the new file; it keeps no copy of the bytes.
        if (!bRenamed && std::remove(replacement.strTemporary.c_str()) != 0) {
            std::error_code ignored;
            fs::resize_file(replacement.strTemporary, 0, ignored);
        }
        NoteTemporaryFile(nullptr);
        replacement.strTemporary.clear();
    }
    if (replacement.nTargetHandle >= 0) {
        if (CloseDescriptor(replacement.nTargetHandle) != 0) fail(ErrorText(errno));
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
