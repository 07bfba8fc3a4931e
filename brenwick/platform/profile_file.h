#pragma once

#include <string>

#include "brenwick/platform/native_file.h"

// INI files on the disk, for the portable platform: read whole, examined for
// change, and replaced without getting around the system's protections.

// A file as it was when last looked at: whether it was there, and if so,
// which file it was, how long and when it last changed.
struct ProfileFileStamp {
    bool bExists = false;
    NativeFileInfo info;

    bool IsSameFile(const ProfileFileStamp& other) const;
    bool operator==(const ProfileFileStamp& other) const;
    bool operator!=(const ProfileFileStamp& other) const { return !(*this == other); }
};

enum class EProfileFile { kPresent, kMissing, kUnusable };

// The stamp of a file, and with ReadProfileFile its contents too. A missing
// file has no contents; kUnusable when something is there that is not a
// regular file, or it cannot be read.
EProfileFile StampProfileFile(const std::string& path, ProfileFileStamp* pStamp);
EProfileFile ReadProfileFile(const std::string& path, std::string* pBytes, ProfileFileStamp* pStamp);

// Whether the user may open the file for writing; kMissing when no file is
// there yet.
EProfileFile CheckProfileFileWritable(const std::string& path);

// Puts bytes in place of the file's contents, the file made when it is
// missing, or fails with the file as it was:
// - a file that the user may not open for writing is refused;
// - the new contents are written to a private file beside it, which then takes
//   its place with its mode, owner and group; where that cannot keep the
//   file's identity (other hard links, an owner or group that the user may not
//   give, a directory that takes no new file or refuses the rename), the file
//   is rewritten in place, but only once the disk has room for the new
//   contents, and its old contents are put back if writing them fails;
// - a link is followed to the file at the end of its chain, which is made
//   when it is missing; a loop of links is refused.
bool ReplaceProfileFile(const std::string& path, const std::string& bytes);
