#pragma once

#include <list>
#include <string>
#include <vector>

#include "brenwick/platform/ini_profile.h"
#include "brenwick/platform/profile_file.h"

// A change that a profile write makes, kept so that it can be made again on
// the file as another process left it. A null key deletes the section, a null
// value the key.
struct ProfileChange {
    std::string section;
    bool bHasKey = false;
    std::string key;
    bool bHasValue = false;
    std::string value;

    bool ApplyTo(CIniProfile& profile) const;
};

// The INI files of one run of profile calls, each parsed once and its
// changes written once, at the end of the run, so that the run costs time in
// proportion to the files and the calls. It never answers from a file as it
// was: before every call the file is examined again, by its identity (device
// and index, so that another path or a hard link to it finds the same
// profile), size and times; a file whose times cannot vouch for its contents
// yet is read again and compared. When the file changed behind the
// cache's back, it is parsed anew and the changes of the run that have not
// reached the disk are made again on top of it, as if each had been written
// at once.
class CProfileCache {
public:
    // The profile of the file at path, or null when something is there that
    // cannot be read as a file. A missing file reads as an empty profile.
    const CIniProfile* Read(const std::string& path);
    // Makes a change; false when the file cannot be read, or exists and the
    // user may not open it for writing: then nothing changes.
    bool Change(const std::string& path, const ProfileChange& change);
    // Writes every changed profile and forgets them all; false when one of
    // them could not be written, which leaves that file as it was.
    bool WriteAll();
    // Forgets every profile and its changes, or those of one file (reached
    // through the same path), whose profile may be in disorder after a call
    // that ran out of memory.
    void Clear() { m_profiles.clear(); }
    void Forget(const std::string& path);

private:
    struct CachedProfile {
        std::string path;  // as first reached; the changes are written there
        std::string key;   // the path spelled as its directory entry, to find a missing file
        ProfileFileStamp stamp;
        std::string bytes;  // the contents that the stamp stands for
        CIniProfile profile;
        std::vector<ProfileChange> changes;  // made since the file was read, not on the disk
        bool bWritable = false;              // checked for this stamp
        int64_t nFirstSeen = 0;              // when the stamp was first seen (NativeFileInfo::nLookedAt)
        int64_t nLastRead = 0;               // when the contents were last read under it

        // Whether the stamp still stands for the contents read.
        bool IsVouchedFor() const;
    };

    CachedProfile* Find(const std::string& path);
    // Reads the file again when it may have changed and parses it when it
    // did (or when it was never parsed), making the run's changes again.
    bool Refresh(CachedProfile& cached, const ProfileFileStamp& stamp, bool bParsed);

    std::list<CachedProfile> m_profiles;
};
