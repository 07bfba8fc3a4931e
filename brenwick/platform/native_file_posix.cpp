#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "brenwick/platform/native_file.h"

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;
// Beyond the clock's tick and the stamps' own granularity. Whole seconds
// mean a file system that keeps no fractions (or FAT's two seconds).
constexpr int64_t kFineMargin = 50 * 1000 * 1000;
constexpr int64_t kWholeSecondMargin = 2 * kNanosecondsPerSecond;

int64_t Nanoseconds(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

// The clock that the kernel stamps files with.
int64_t FileClockNow() {
    timespec now{};
#if defined(CLOCK_REALTIME_COARSE)
    if (clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0) return Nanoseconds(now);
#endif
    clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

int64_t MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return Nanoseconds(now);
}

EFileOpen OpenResult(int nDescriptor, bool bMissing) {
    if (nDescriptor >= 0) return EFileOpen::kOpen;
    return bMissing ? EFileOpen::kMissing : EFileOpen::kRefused;
}

}  // namespace

bool NativeFileInfo::operator==(const NativeFileInfo& other) const {
    return bRegular == other.bRegular && nVolume == other.nVolume && nIndex == other.nIndex &&
           nSize == other.nSize && nLinks == other.nLinks && nModified == other.nModified &&
           nChanged == other.nChanged && nOwner == other.nOwner && nGroup == other.nGroup &&
           nMode == other.nMode;
}

CNativeFile::~CNativeFile() { Close(); }

EFileOpen CNativeFile::OpenForReading(const std::string& path) {
    Close();
    m_nDescriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return OpenResult(m_nDescriptor, errno == ENOENT || errno == ENOTDIR);
}

EFileOpen CNativeFile::OpenForWriting(const std::string& path) {
    Close();
    m_nDescriptor = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return OpenResult(m_nDescriptor, errno == ENOENT);
}

bool CNativeFile::CreateNew(const std::string& path) {
    Close();
    m_nDescriptor = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    return m_nDescriptor >= 0;
}

bool CNativeFile::CreateBeside(const std::string& path, std::string* pCreatedPath) {
    Close();
    const size_t nSlash = path.rfind('/');
    std::string name = (nSlash == std::string::npos ? std::string() : path.substr(0, nSlash + 1)) + ".bw-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    // mkostemp creates the file for its owner alone, whatever the umask.
    m_nDescriptor = mkostemp(buffer.data(), O_CLOEXEC);
    if (m_nDescriptor < 0) return false;
    *pCreatedPath = buffer.data();
    return true;
}

bool CNativeFile::Stat(NativeFileInfo* pInfo) const {
    const int64_t nNow = FileClockNow();
    struct stat status {};
    if (m_nDescriptor < 0 || fstat(m_nDescriptor, &status) != 0) return false;
    pInfo->bRegular = S_ISREG(status.st_mode);
    pInfo->nVolume = static_cast<uint64_t>(status.st_dev);
    pInfo->nIndex = static_cast<uint64_t>(status.st_ino);
    pInfo->nSize = static_cast<uint64_t>(status.st_size);
    pInfo->nLinks = static_cast<uint64_t>(status.st_nlink);
    pInfo->nLookedAt = MonotonicNow();
    pInfo->nModified = Nanoseconds(status.st_mtim);
    pInfo->nChanged = Nanoseconds(status.st_ctim);
    const bool bWholeSeconds =
        pInfo->nModified % kNanosecondsPerSecond == 0 && pInfo->nChanged % kNanosecondsPerSecond == 0;
    pInfo->nMargin = bWholeSeconds ? kWholeSecondMargin : kFineMargin;
    pInfo->bSettled = pInfo->nModified < nNow - pInfo->nMargin && pInfo->nChanged < nNow - pInfo->nMargin;
    pInfo->nOwner = status.st_uid;
    pInfo->nGroup = status.st_gid;
    pInfo->nMode = status.st_mode & 07777;
    return true;
}

bool CNativeFile::ReadAt(uint64_t nOffset, void* pDest, size_t nCount) const {
    char* p = static_cast<char*>(pDest);
    while (nCount > 0) {
        const ssize_t nRead = pread(m_nDescriptor, p, nCount, static_cast<off_t>(nOffset));
        if (nRead < 0 && errno == EINTR) continue;
        if (nRead <= 0) return false;
        p += nRead;
        nOffset += static_cast<uint64_t>(nRead);
        nCount -= static_cast<size_t>(nRead);
    }
    return true;
}

bool CNativeFile::ReadAll(std::string* pBytes) const {
    pBytes->clear();
    char buffer[65536];
    for (uint64_t nOffset = 0;;) {
        const ssize_t nRead = pread(m_nDescriptor, buffer, sizeof(buffer), static_cast<off_t>(nOffset));
        if (nRead < 0 && errno == EINTR) continue;
        if (nRead < 0) return false;
        if (nRead == 0) return true;
        pBytes->append(buffer, static_cast<size_t>(nRead));
        nOffset += static_cast<uint64_t>(nRead);
    }
}

bool CNativeFile::Reserve(uint64_t nSize) {
    return nSize == 0 || posix_fallocate(m_nDescriptor, 0, static_cast<off_t>(nSize)) == 0;
}

bool CNativeFile::WriteAll(const std::string& bytes) {
    const char* p = bytes.data();
    size_t nLeft = bytes.size();
    off_t nOffset = 0;
    while (nLeft > 0) {
        const ssize_t nWritten = pwrite(m_nDescriptor, p, nLeft, nOffset);
        if (nWritten < 0 && errno == EINTR) continue;
        if (nWritten <= 0) return false;
        p += nWritten;
        nOffset += nWritten;
        nLeft -= static_cast<size_t>(nWritten);
    }
    return true;
}

bool CNativeFile::Truncate(uint64_t nSize) { return ftruncate(m_nDescriptor, static_cast<off_t>(nSize)) == 0; }

bool CNativeFile::Sync() { return fsync(m_nDescriptor) == 0; }

bool CNativeFile::TakeOwnerAndMode(const NativeFileInfo& info) {
    NativeFileInfo own;
    if (!Stat(&own)) return false;
    // The owner first: a change of owner clears the set-user and set-group bits.
    if ((own.nOwner != info.nOwner || own.nGroup != info.nGroup) &&
        fchown(m_nDescriptor, static_cast<uid_t>(info.nOwner), static_cast<gid_t>(info.nGroup)) != 0)
        return false;
    return fchmod(m_nDescriptor, static_cast<mode_t>(info.nMode)) == 0;
}

bool CNativeFile::Close() {
    if (m_nDescriptor < 0) return true;
    const bool bClosed = close(m_nDescriptor) == 0;
    m_nDescriptor = -1;
    return bClosed;
}

bool RenameNativeFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveNativeFile(const std::string& path) { unlink(path.c_str()); }
