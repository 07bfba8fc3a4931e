#pragma once

#include <cstdint>
#include <string>

// What the file system says about one path, after following symbolic links.
struct CFileStatus {
    bool m_bExists = false;
    // A plain file: not a directory, a device or a pipe.
    bool m_bRegular = false;
    // Only known for a regular file; 0 otherwise.
    uint64_t m_nSize = 0;
    // The absolute, normalised path; empty when it cannot be formed.
    std::string m_strFullPath;
};

// A path that cannot be examined at all (an empty name, a missing directory,
// no permission to search it) reads as not existing.
CFileStatus QueryFileStatus(const std::string& path);

// Whether the file opens for reading; when not, the reason in the system's
// words, such as "Permission denied".
bool CanOpenForReading(const std::string& path, std::string& reason);
