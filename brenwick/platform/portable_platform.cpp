#include "brenwick/platform/portable_platform.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "brenwick/platform/ini_profile.h"
#include "brenwick/platform/pe_version_reader.h"
#include "brenwick/platform/utc_date.h"
#include "brenwick/platform/version_info_block.h"

namespace {

// With no file named, the service uses the Windows directory's own profile.
const char kDefaultProfileFile[] = "win.ini";

bool HasDirectory(const std::string& path) { return path.find_first_of("/\\") != std::string::npos; }

bool WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return static_cast<bool>(file);
}

// The new text goes to a file beside the profile, which takes the profile's
// place only once all of it is written: a full disk never leaves a profile
// cut short. A link keeps pointing at the profile, and the profile keeps its
// permissions. Where no file can be made beside it (a directory that refuses
// new files), the profile is rewritten in place, as before.
bool ReplaceFileText(const std::string& path, const std::string& text) {
    std::error_code error;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(target, error)) {
        const std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (error) return false;
        target = resolved;
    }
    std::random_device random;
    const std::filesystem::path temporary = target.string() + ".new-" + std::to_string(random());
    {
        std::ofstream probe(temporary, std::ios::binary);
        if (!probe) return WriteWholeFile(target, text);
    }
    const std::filesystem::file_status status = std::filesystem::status(target, error);
    bool bDone = WriteWholeFile(temporary, text);
    if (bDone && std::filesystem::exists(status))
        std::filesystem::permissions(temporary, status.permissions(), error);
    if (bDone) {
        std::filesystem::rename(temporary, target, error);
        bDone = !error;
    }
    if (!bDone) std::filesystem::remove(temporary, error);
    return bDone;
}

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

bool CPortablePlatform::LoadProfile(const char* pszFile, CIniProfile* pProfile) const {
    const std::string path = ResolveProfilePath(pszFile);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        *pProfile = CIniProfile();
        return !error;
    }
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return false;
    *pProfile = CIniProfile(text.str());
    return true;
}

// The engine allocates as it parses; running out of memory must reach the
// export as a failed call, never as an exception in the installer's process.
template <typename Read>
uint32_t CPortablePlatform::ReadProfile(const char* pszFile, char* pBuffer, uint32_t nSize, Read read) const {
    try {
        CIniProfile profile;
        if (LoadProfile(pszFile, &profile)) return read(profile);
    } catch (...) {
    }
    ClearBuffer(pBuffer, nSize);
    return 0;
}

template <typename Change>
bool CPortablePlatform::ChangeProfile(const char* pszFile, Change change) {
    try {
        CIniProfile profile;
        if (!LoadProfile(pszFile, &profile)) return false;
        if (!change(profile)) return true;
        return ReplaceFileText(ResolveProfilePath(pszFile), profile.Render());
    } catch (...) {
        return false;
    }
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
    return ChangeProfile(
        pszFile, [&](CIniProfile& profile) { return profile.SetString(pszSection, pszKey, pszValue); });
}

bool CPortablePlatform::DeleteProfileSection(const char* pszSection, const char* pszFile) {
    if (!pszSection) return false;
    return ChangeProfile(pszFile, [&](CIniProfile& profile) { return profile.DeleteSection(pszSection); });
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
