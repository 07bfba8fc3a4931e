#include "brenwick/win_version.h"

#include <cstdio>
#include <cstring>

#include "brenwick/brenwick_exports.h"

namespace {

constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWindows = 1;
constexpr uint32_t kPlatformNt = 2;

const char* Windows9xBaseText(const OsVersionRecord& record) {
    switch (record.dwMinorVersion) {
        case 0: return (record.dwBuildNumber & 0xFFFF) > 1080 ? "95 OSR2" : "95";
        case 10: return "98";
        case 90: return "ME";
        default: return "9x";
    }
}

const char* NtBaseText(const OsVersionRecord& record) {
    switch (record.dwMajorVersion) {
        case 3: return "NT3";
        case 4: return "NT4";
        case 5:
            if (record.dwMinorVersion == 0) return "2000";
            if (record.dwMinorVersion == 1) return "XP";
            return "NT5";
        default: return "NT";
    }
}

}  // namespace

void FormatWinVerText(const OsVersionRecord& record, char (&szText)[kWinVerTextSize]) {
    const char* pszBase = "??";
    if (record.dwPlatformId == kPlatformWin32s)
        pszBase = "3.1";
    else if (record.dwPlatformId == kPlatformWindows)
        pszBase = Windows9xBaseText(record);
    else if (record.dwPlatformId == kPlatformNt)
        pszBase = NtBaseText(record);
    std::snprintf(szText, sizeof(szText), "%s", pszBase);

    // The record's text need not be terminated; only its 128 bytes are read.
    const void* pPackEnd = std::memchr(record.szCSDVersion, '\0', sizeof(record.szCSDVersion));
    const size_t nPackLength =
        pPackEnd ? static_cast<size_t>(static_cast<const char*>(pPackEnd) - record.szCSDVersion)
                 : sizeof(record.szCSDVersion);
    if (record.dwPlatformId == kPlatformNt && nPackLength > 0) {
        const size_t nLength = std::strlen(szText);
        std::snprintf(szText + nLength, sizeof(szText) - nLength, " SP%c",
                      record.szCSDVersion[nPackLength - 1]);
    }
}

bool IsWindows2000Family(const OsVersionRecord& record) {
    return record.dwPlatformId == kPlatformNt && record.dwMajorVersion == 5;
}

extern "C" int BRENWICK_CALL GetWinVer(InstallerCallBlock* pBlock) {
    if (!pBlock) return 0;
    OsVersionRecord record{};
    char szText[kWinVerTextSize] = "??";
    const bool bQueried = GetPlatform().QueryOsVersion(&record);
    if (bQueried) FormatWinVerText(record, szText);
    SetInstallerVariable(pBlock, "WINVER", szText);
    return bQueried ? 1 : 0;
}

extern "C" int BRENWICK_CALL CheckWin2000(InstallerCallBlock* pBlock) {
    if (!pBlock) return 0;
    OsVersionRecord record{};
    // A failed query tells nothing about the system, so it does not count as
    // Windows 2000.
    const bool bWindows2000 = GetPlatform().QueryOsVersion(&record) && IsWindows2000Family(record);
    SetInstallerVariable(pBlock, "WIN2000", bWindows2000 ? "1" : "0");
    return bWindows2000 ? 1 : 0;
}
