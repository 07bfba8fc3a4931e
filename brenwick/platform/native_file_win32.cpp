#include <windows.h>

#include <cstdio>

#include "brenwick/platform/native_file.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;  // FILETIME counts 100 ns
constexpr int64_t kNanosecondsPerTick = 100;
// As on POSIX systems: beyond the clock's tick, or FAT's two seconds.
constexpr int64_t kFineMargin = kTicksPerSecond / 20;
constexpr int64_t kWholeSecondMargin = 2 * kTicksPerSecond;
constexpr int kCreateAttempts = 16;

HANDLE Handle(void* p) { return static_cast<HANDLE>(p); }

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>(static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
}

int64_t MonotonicNow() {
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const int64_t nSeconds = count.QuadPart / frequency.QuadPart;
    const int64_t nRest = count.QuadPart % frequency.QuadPart;
    return nSeconds * 1000000000 + nRest * 1000000000 / frequency.QuadPart;
}

HANDLE Open(const std::string& path, DWORD dwAccess, DWORD dwDisposition) {
    return CreateFileA(path.c_str(), dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       dwDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

EFileOpen OpenResult(HANDLE hFile, bool bPathMayBeMissing) {
    if (hFile != INVALID_HANDLE_VALUE) return EFileOpen::kOpen;
    const DWORD dwError = GetLastError();
    const bool bMissing = dwError == ERROR_FILE_NOT_FOUND || (bPathMayBeMissing && dwError == ERROR_PATH_NOT_FOUND);
    return bMissing ? EFileOpen::kMissing : EFileOpen::kRefused;
}

}  // namespace

bool NativeFileInfo::operator==(const NativeFileInfo& other) const {
    return bRegular == other.bRegular && nVolume == other.nVolume && nIndex == other.nIndex &&
           nSize == other.nSize && nLinks == other.nLinks && nModified == other.nModified &&
           nChanged == other.nChanged && nMode == other.nMode;
}

CNativeFile::~CNativeFile() { Close(); }

EFileOpen CNativeFile::OpenForReading(const std::string& path) {
    Close();
    m_hFile = Open(path, GENERIC_READ, OPEN_EXISTING);
    return OpenResult(Handle(m_hFile), true);
}

EFileOpen CNativeFile::OpenForWriting(const std::string& path) {
    Close();
    // A file with the read-only attribute refuses this, as it refuses the
    // system's own profile service.
    m_hFile = Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    return OpenResult(Handle(m_hFile), false);
}

bool CNativeFile::CreateNew(const std::string& path) {
    Close();
    m_hFile = Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    return Handle(m_hFile) != INVALID_HANDLE_VALUE;
}

// The file's permissions come from the directory's inheritable access list,
// as those of every new file there.
bool CNativeFile::CreateBeside(const std::string& path, std::string* pCreatedPath) {
    Close();
    const size_t nSlash = path.find_last_of("\\/");
    const std::string directory = nSlash == std::string::npos ? std::string() : path.substr(0, nSlash + 1);
    for (int i = 0; i < kCreateAttempts; ++i) {
        char szName[16];
        std::snprintf(szName, sizeof(szName), ".bw-%08lx",
                      static_cast<unsigned long>(GetTickCount() * 2654435761u + GetCurrentProcessId() + i));
        m_hFile = Open(directory + szName, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
        if (Handle(m_hFile) != INVALID_HANDLE_VALUE) {
            *pCreatedPath = directory + szName;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool CNativeFile::Stat(NativeFileInfo* pInfo) const {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (Handle(m_hFile) == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(Handle(m_hFile), &info) ||
        !GetFileInformationByHandleEx(Handle(m_hFile), FileBasicInfo, &basic, sizeof(basic)))
        return false;
    pInfo->bRegular =
        GetFileType(Handle(m_hFile)) == FILE_TYPE_DISK && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    pInfo->nVolume = info.dwVolumeSerialNumber;
    pInfo->nIndex = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    pInfo->nSize = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    pInfo->nLinks = info.nNumberOfLinks;
    pInfo->nLookedAt = MonotonicNow();
    pInfo->nModified = Ticks(info.ftLastWriteTime);
    pInfo->nChanged = basic.ChangeTime.QuadPart;
    const bool bWholeSeconds =
        pInfo->nModified % kTicksPerSecond == 0 && pInfo->nChanged % kTicksPerSecond == 0;
    const int64_t nMargin = bWholeSeconds ? kWholeSecondMargin : kFineMargin;
    pInfo->nMargin = nMargin * kNanosecondsPerTick;
    pInfo->bSettled = pInfo->nModified < Ticks(now) - nMargin && pInfo->nChanged < Ticks(now) - nMargin;
    pInfo->nMode = info.dwFileAttributes;
    return true;
}

bool CNativeFile::ReadAt(uint64_t nOffset, void* pDest, size_t nCount) const {
    char* p = static_cast<char*>(pDest);
    while (nCount > 0) {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(nOffset);
        position.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
        const DWORD dwWanted = nCount > 0x10000000 ? 0x10000000 : static_cast<DWORD>(nCount);
        DWORD dwRead = 0;
        if (!ReadFile(Handle(m_hFile), p, dwWanted, &dwRead, &position) || dwRead == 0) return false;
        p += dwRead;
        nOffset += dwRead;
        nCount -= dwRead;
    }
    return true;
}

bool CNativeFile::ReadAll(std::string* pBytes) const {
    pBytes->clear();
    char buffer[65536];
    for (uint64_t nOffset = 0;;) {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(nOffset);
        position.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
        DWORD dwRead = 0;
        if (!ReadFile(Handle(m_hFile), buffer, sizeof(buffer), &dwRead, &position))
            return GetLastError() == ERROR_HANDLE_EOF;
        if (dwRead == 0) return true;
        pBytes->append(buffer, dwRead);
        nOffset += dwRead;
    }
}

// Setting the end of the file allocates its clusters, or fails for want of
// them.
bool CNativeFile::Reserve(uint64_t nSize) {
    NativeFileInfo info;
    return Stat(&info) && (nSize <= info.nSize || Truncate(nSize));
}

bool CNativeFile::WriteAll(const std::string& bytes) {
    const char* p = bytes.data();
    size_t nLeft = bytes.size();
    uint64_t nOffset = 0;
    while (nLeft > 0) {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(nOffset);
        position.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
        const DWORD dwWanted = nLeft > 0x10000000 ? 0x10000000 : static_cast<DWORD>(nLeft);
        DWORD dwWritten = 0;
        if (!WriteFile(Handle(m_hFile), p, dwWanted, &dwWritten, &position) || dwWritten == 0) return false;
        p += dwWritten;
        nOffset += dwWritten;
        nLeft -= dwWritten;
    }
    return true;
}

bool CNativeFile::Truncate(uint64_t nSize) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(nSize);
    return SetFilePointerEx(Handle(m_hFile), position, nullptr, FILE_BEGIN) && SetEndOfFile(Handle(m_hFile));
}

bool CNativeFile::Sync() { return FlushFileBuffers(Handle(m_hFile)) != FALSE; }

// Windows files have no POSIX owner and mode; the attributes that matter
// here (read-only) never reach a file that may be written.
bool CNativeFile::TakeOwnerAndMode(const NativeFileInfo&) { return true; }

bool CNativeFile::Close() {
    if (Handle(m_hFile) == INVALID_HANDLE_VALUE) return true;
    const bool bClosed = CloseHandle(Handle(m_hFile)) != FALSE;
    m_hFile = INVALID_HANDLE_VALUE;
    return bClosed;
}

// A file replaced by a new one keeps what it was beside its bytes: ReplaceFile
// keeps its access list and attributes where the system can, and the hidden,
// system and archive attributes are given back in any case.
bool RenameNativeFile(const std::string& from, const std::string& to) {
    constexpr DWORD kKeptAttributes =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD dwAttributes = GetFileAttributesA(to.c_str());
    char szFrom[MAX_PATH];
    char szTo[MAX_PATH];
    auto full = [](const std::string& path, char (&szFull)[MAX_PATH]) {
        const DWORD dwLength = GetFullPathNameA(path.c_str(), MAX_PATH, szFull, nullptr);
        return dwLength > 0 && dwLength < MAX_PATH;
    };
    const bool bReplaced = dwAttributes != INVALID_FILE_ATTRIBUTES && full(from, szFrom) && full(to, szTo) &&
                           ReplaceFileA(szTo, szFrom, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!bReplaced && !MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(to.c_str(), dwAttributes & kKeptAttributes);
    return true;
}

void RemoveNativeFile(const std::string& path) { DeleteFileA(path.c_str()); }
