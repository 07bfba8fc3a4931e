#include <cstdio>

#include "brenwick/brenwick_exports.h"
#include "brenwick/merge_ini.h"
#include "brenwick/platform/platform.h"

namespace {
// Without a directory, so the profile service looks in the Windows directory.
const char kZovIniFile[] = "zov.ini";
}  // namespace

extern "C" int BRENWICK_CALL CleanZOVToolbars(InstallerCallBlock*) {
    CPlatform& platform = GetPlatform();
    CProfileBatch batch(platform);
    // The bars are numbered from 0 without gaps; the first one that is missing
    // or empty ends the walk.
    for (int n = 0;; ++n) {
        char szSection[32];
        char szContents[kProfileBufferSize];
        std::snprintf(szSection, sizeof(szSection), "ToolBarState-Bar%i", n);
        if (platform.ReadProfileSection(szSection, szContents, sizeof(szContents), kZovIniFile) == 0) break;
        platform.DeleteProfileSection(szSection, kZovIniFile);
    }
    platform.DeleteProfileSection("ToolBarState-ToolBarManager", kZovIniFile);
    platform.DeleteProfileSection("ToolBarState-Summary", kZovIniFile);
    return 1;
}
