#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The operating system's own file calls, as few as the portable platform
// needs to read a file without blocking, to tell whether it changed, and to
// replace it without getting around the system's protections. One
// implementation for POSIX systems, one for Windows.

// What a file is. Identity and times are in the system's own terms and only
// ever compared with each other.
struct NativeFileInfo {
    bool bRegular = false;  // a plain file: no directory, FIFO or device
    uint64_t nVolume = 0;   // with nIndex, which file it is
    uint64_t nIndex = 0;
    uint64_t nSize = 0;
    uint64_t nLinks = 0;
    int64_t nModified = 0;  // the last change of the contents
    int64_t nChanged = 0;   // the last change of the contents or the attributes
    // On a system whose time stamps are coarser than its changes, a file
    // changed twice within one tick keeps its times. nMargin is how long after
    // a change any later change must show in them: beyond the clock's tick and
    // the stamps' granularity, which is whole seconds only where both times
    // are whole seconds. bSettled: both times lie that far behind the clock,
    // as it stood before the file was looked at.
    int64_t nMargin = 0;  // nanoseconds
    bool bSettled = false;
    // When the file was looked at, in nanoseconds of a clock that only moves
    // forward and is never set: no earlier than the look itself.
    int64_t nLookedAt = 0;
    uint32_t nOwner = 0;  // POSIX owner, group and permission bits
    uint32_t nGroup = 0;
    uint32_t nMode = 0;

    bool operator==(const NativeFileInfo& other) const;
    bool operator!=(const NativeFileInfo& other) const { return !(*this == other); }
};

enum class EFileOpen { kOpen, kMissing, kRefused };

class CNativeFile {
public:
    CNativeFile() = default;
    ~CNativeFile();
    CNativeFile(const CNativeFile&) = delete;
    CNativeFile& operator=(const CNativeFile&) = delete;

    // Opens an existing file, never waiting for the other end of a FIFO or a
    // device. kMissing when nothing is there (for reading, also when a
    // directory of the path is a file).
    EFileOpen OpenForReading(const std::string& path);
    // Opens an existing file to read and write it, as the user may; never
    // creates or truncates it.
    EFileOpen OpenForWriting(const std::string& path);
    // Creates a file where none is, with the permissions that new files get.
    bool CreateNew(const std::string& path);
    // Creates a file in the directory of path under a short name of its own,
    // so that it needs no more room in a name than path itself; from its
    // creation only its owner may open it.
    bool CreateBeside(const std::string& path, std::string* pCreatedPath);

    bool Stat(NativeFileInfo* pInfo) const;
    bool ReadAt(uint64_t nOffset, void* pDest, size_t nCount) const;
    bool ReadAll(std::string* pBytes) const;
    // Makes sure the disk has room for a file of nSize bytes before anything
    // is written; may leave the file that long.
    bool Reserve(uint64_t nSize);
    // Writes bytes from the start of the file.
    bool WriteAll(const std::string& bytes);
    bool Truncate(uint64_t nSize);
    bool Sync();
    // Gives the file the owner, group and permissions of another; false when
    // the user may not give them all.
    bool TakeOwnerAndMode(const NativeFileInfo& info);
    bool Close();

private:
#if defined(_WIN32)
    void* m_hFile = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
    int m_nDescriptor = -1;
#endif
};

// Moves a file over another in one step.
bool RenameNativeFile(const std::string& from, const std::string& to);
void RemoveNativeFile(const std::string& path);
