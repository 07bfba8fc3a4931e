#pragma once

#include "brenwick/platform/platform.h"

// The platform of the DLL that the installer loads: each operation is the
// Win32 "A" call that it stands for.
class CWin32Platform : public CPlatform {
public:
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
};
