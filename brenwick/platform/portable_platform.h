#pragma once

#include <string>

#include "brenwick/platform/platform.h"

class CIniProfile;

// The platform on a system without the Win32 services: INI files through our
// own private-profile engine, version resources read straight from PE files,
// the date from the standard clock, message boxes on standard error. It has no
// OS version record to offer and no windows to tell about a setting change.
class CPortablePlatform : public CPlatform {
public:
    // Where a profile file name without a directory is looked for; the empty
    // text (the default) means the current directory.
    void SetWindowsDirectory(const std::string& directory) { m_windowsDirectory = directory; }
    const std::string& GetWindowsDirectory() const { return m_windowsDirectory; }
    // The path of a profile file as the service resolves it: a name with a
    // directory is taken as it is, a bare name lies in the Windows directory.
    std::string ResolveProfilePath(const char* pszFile) const;

    uint32_t ReadProfileString(const char* pszSection, const char* pszKey, char* pBuffer, uint32_t nSize,
                               const char* pszFile) override;
    uint32_t ListProfileSections(char* pBuffer, uint32_t nSize, const char* pszFile) override;
    uint32_t ListProfileKeys(const char* pszSection, char* pBuffer, uint32_t nSize,
                             const char* pszFile) override;
    uint32_t ReadProfileSection(const char* pszSection, char* pBuffer, uint32_t nSize,
                                const char* pszFile) override;
    bool WriteProfileValue(const char* pszSection, const char* pszKey, const char* pszValue,
                           const char* pszFile) override;
    bool DeleteProfileSection(const char* pszSection, const char* pszFile) override;

    bool ReadFileVersion(const char* pszFile, uint32_t* pdwFileVersionMS,
                         uint32_t* pdwFileVersionLS) override;
    bool QueryOsVersion(OsVersionRecord* pRecord) override;
    UtcDate GetUtcDate() override;
    bool BroadcastEnvironmentChange() override;
    void ShowMessageBox(const char* pszText, const char* pszCaption) override;

private:
    // A missing file reads as an empty profile; false when the file exists
    // but cannot be read.
    bool LoadProfile(const char* pszFile, CIniProfile* pProfile) const;
    template <typename Change>
    bool ChangeProfile(const char* pszFile, Change change);
    template <typename Read>
    uint32_t ReadProfile(const char* pszFile, char* pBuffer, uint32_t nSize, Read read) const;

    std::string m_windowsDirectory;
};

// The process's portable platform: the build's own platform where the system
// is not Windows.
CPortablePlatform& GetPortablePlatform();
