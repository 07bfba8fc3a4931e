#pragma once

#include <string>

#include "brenwick/platform/platform.h"
#include "brenwick/platform/profile_cache.h"

// The platform on a system without the Win32 services: INI files through our
// own private-profile engine, each file of a batch read and written once;
// version resources read straight from PE files, the date from the standard
// clock, message boxes on standard error. It has no OS version record to offer
// and no windows to tell about a setting change.
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
    void BeginProfileBatch() override;
    bool EndProfileBatch() override;

    bool ReadFileVersion(const char* pszFile, uint32_t* pdwFileVersionMS,
                         uint32_t* pdwFileVersionLS) override;
    bool QueryOsVersion(OsVersionRecord* pRecord) override;
    UtcDate GetUtcDate() override;
    bool BroadcastEnvironmentChange() override;
    void ShowMessageBox(const char* pszText, const char* pszCaption) override;

private:
    template <typename Read>
    uint32_t ReadProfile(const char* pszFile, char* pBuffer, uint32_t nSize, Read read);
    bool ChangeProfile(const char* pszFile, const ProfileChange& change);
    // Ends a call: outside a batch, every call is a batch of its own.
    bool EndCall();

    std::string m_windowsDirectory;
    CProfileCache m_cache;
    int m_nBatchDepth = 0;
};

// The process's portable platform: the build's own platform where the system
// is not Windows.
CPortablePlatform& GetPortablePlatform();
