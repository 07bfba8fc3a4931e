#include "brenwick/platform/portable_platform.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "brenwick/platform/ini_profile.h"
#include "brenwick/platform/pe_version_reader.h"
#include "brenwick/platform/utc_date.h"
#include "brenwick/platform/version_info_block.h"

namespace {

// With no file named, the service uses the Windows directory's own profile.
const char kDefaultProfileFile[] = "win.ini";

bool HasDirectory(const std::string& path) { return path.find_first_of("/\\") != std::string::npos; }

void ClearBuffer(char* pBuffer, uint32_t nSize) {
    if (!pBuffer) return;
    for (uint32_t i = 0; i < nSize && i < 2; ++i) pBuffer[i] = '\0';
}

}  // namespace

CPortablePlatform& GetPortablePlatform() {
    static CPortablePlatform portablePlatform;
    return portablePlatform;
}

std::string CPortablePlatform::ResolveProfilePath(const char* pszFile) const {
    const std::string file = pszFile ? pszFile : kDefaultProfileFile;
    if (HasDirectory(file) || m_windowsDirectory.empty()) return file;
    return (std::filesystem::path(m_windowsDirectory) / file).string();
}

void CPortablePlatform::BeginProfileBatch() { ++m_nBatchDepth; }

bool CPortablePlatform::EndProfileBatch() {
    if (m_nBatchDepth == 0 || --m_nBatchDepth > 0) return true;
    return EndCall();
}

bool CPortablePlatform::EndCall() {
    if (m_nBatchDepth > 0) return true;
    try {
        return m_cache.WriteAll();
    } catch (...) {
        m_cache.Clear();
        return false;
    }
}

// The engine allocates as it parses; running out of memory must reach the
// export as a failed call, never as an exception in the installer's process.
template <typename Read>
uint32_t CPortablePlatform::ReadProfile(const char* pszFile, char* pBuffer, uint32_t nSize, Read read) {
    const std::string path = ResolveProfilePath(pszFile);
    uint32_t nCount = 0;
    bool bRead = false;
    try {
        if (const CIniProfile* pProfile = m_cache.Read(path)) {
            nCount = read(*pProfile);
            bRead = true;
        }
    } catch (...) {
        m_cache.Forget(path);
    }
    if (!bRead) ClearBuffer(pBuffer, nSize);
    EndCall();
    return bRead ? nCount : 0;
}

bool CPortablePlatform::ChangeProfile(const char* pszFile, const ProfileChange& change) {
    const std::string path = ResolveProfilePath(pszFile);
    bool bDone = false;
    try {
        bDone = m_cache.Change(path, change);
    } catch (...) {
        m_cache.Forget(path);
    }
    return EndCall() && bDone;
}

uint32_t CPortablePlatform::ReadProfileString(const char* pszSection, const char* pszKey, char* pBuffer,
                                              uint32_t nSize, const char* pszFile) {
    if (!pszSection) return ListProfileSections(pBuffer, nSize, pszFile);
    if (!pszKey) return ListProfileKeys(pszSection, pBuffer, nSize, pszFile);
    return ReadProfile(pszFile, pBuffer, nSize, [&](const CIniProfile& profile) {
        return profile.GetString(pszSection, pszKey, pBuffer, nSize);
    });
}

uint32_t CPortablePlatform::ListProfileSections(char* pBuffer, uint32_t nSize, const char* pszFile) {
    return ReadProfile(pszFile, pBuffer, nSize,
                       [&](const CIniProfile& profile) { return profile.GetSectionNames(pBuffer, nSize); });
}

uint32_t CPortablePlatform::ListProfileKeys(const char* pszSection, char* pBuffer, uint32_t nSize,
                                            const char* pszFile) {
    return ReadProfile(pszFile, pBuffer, nSize, [&](const CIniProfile& profile) {
        return profile.GetKeyNames(pszSection, pBuffer, nSize);
    });
}

uint32_t CPortablePlatform::ReadProfileSection(const char* pszSection, char* pBuffer, uint32_t nSize,
                                               const char* pszFile) {
    return ReadProfile(pszFile, pBuffer, nSize, [&](const CIniProfile& profile) {
        return profile.GetSection(pszSection, pBuffer, nSize);
    });
}

bool CPortablePlatform::WriteProfileValue(const char* pszSection, const char* pszKey, const char* pszValue,
                                          const char* pszFile) {
    if (!pszSection) return false;
    ProfileChange change;
    change.section = pszSection;
    change.bHasKey = pszKey != nullptr;
    change.key = pszKey ? pszKey : "";
    change.bHasValue = pszValue != nullptr;
    change.value = pszValue ? pszValue : "";
    return ChangeProfile(pszFile, change);
}

bool CPortablePlatform::DeleteProfileSection(const char* pszSection, const char* pszFile) {
    if (!pszSection) return false;
    ProfileChange change;
    change.section = pszSection;
    return ChangeProfile(pszFile, change);
}

bool CPortablePlatform::ReadFileVersion(const char* pszFile, uint32_t* pdwFileVersionMS,
                                        uint32_t* pdwFileVersionLS) {
    if (!pszFile) return false;
    try {
        std::vector<uint8_t> resource;
        FixedFileInfo info{};
        if (!ReadPeVersionResource(std::string(pszFile), &resource) || !ReadVersionRootBlock(resource, &info))
            return false;
        *pdwFileVersionMS = info.dwFileVersionMS;
        *pdwFileVersionLS = info.dwFileVersionLS;
        return true;
    } catch (...) {
        return false;
    }
}

bool CPortablePlatform::QueryOsVersion(OsVersionRecord*) { return false; }

UtcDate CPortablePlatform::GetUtcDate() { return CurrentUtcDate(); }

bool CPortablePlatform::BroadcastEnvironmentChange() { return true; }

void CPortablePlatform::ShowMessageBox(const char* pszText, const char* pszCaption) {
    std::fprintf(stderr, "%s: %s\n", pszCaption ? pszCaption : "", pszText ? pszText : "");
    std::fflush(stderr);
}
