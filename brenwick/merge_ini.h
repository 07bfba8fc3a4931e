#pragma once

#include <cstddef>

// Every section list, key list and value is read into a buffer of this size;
// the profile service cuts what does not fit.
constexpr size_t kProfileBufferSize = 2048;
// A path of at most 259 characters and its terminator.
constexpr size_t kMergePathSize = 260;

struct MergeMode {
    bool bReplace;  // an upper-case R anywhere in "MI_MODE"
    bool bInsert;   // an upper-case I anywhere in "MI_MODE"
};

MergeMode ParseMergeMode(const char* pszMode);

// The merge decision table: with both letters every key is copied without
// looking at the destination; otherwise a key present there (with a non-empty
// value) is copied only to replace it, an absent one only to insert it.
bool MergeReadsDestination(const MergeMode& mode);
bool MergeCopiesKey(const MergeMode& mode, bool bPresentInDestination);

// One merge, established afresh by every MergeINI call.
struct MergeJob {
    MergeMode mode;
    char szSource[kMergePathSize];
    char szDestination[kMergePathSize];
};

void MergeIniSection(const MergeJob& job, const char* pszSection);
void MergeIniKey(const MergeJob& job, const char* pszSection, const char* pszKey);
