#include "brenwick/platform/win32_platform.h"

#include <windows.h>

#include <cstring>
#include <new>

uint32_t CWin32Platform::ReadProfileString(const char* pszSection, const char* pszKey, char* pBuffer,
                                           uint32_t nSize, const char* pszFile) {
    return GetPrivateProfileStringA(pszSection, pszKey, "", pBuffer, nSize, pszFile);
}

uint32_t CWin32Platform::ListProfileSections(char* pBuffer, uint32_t nSize, const char* pszFile) {
    return GetPrivateProfileStringA(nullptr, nullptr, "", pBuffer, nSize, pszFile);
}

uint32_t CWin32Platform::ListProfileKeys(const char* pszSection, char* pBuffer, uint32_t nSize,
                                         const char* pszFile) {
    return GetPrivateProfileStringA(pszSection, nullptr, "", pBuffer, nSize, pszFile);
}

uint32_t CWin32Platform::ReadProfileSection(const char* pszSection, char* pBuffer, uint32_t nSize,
                                            const char* pszFile) {
    return GetPrivateProfileSectionA(pszSection, pBuffer, nSize, pszFile);
}

bool CWin32Platform::WriteProfileValue(const char* pszSection, const char* pszKey, const char* pszValue,
                                       const char* pszFile) {
    return WritePrivateProfileStringA(pszSection, pszKey, pszValue, pszFile) != FALSE;
}

bool CWin32Platform::DeleteProfileSection(const char* pszSection, const char* pszFile) {
    return WritePrivateProfileStringA(pszSection, nullptr, nullptr, pszFile) != FALSE;
}

bool CWin32Platform::ReadFileVersion(const char* pszFile, uint32_t* pdwFileVersionMS,
                                     uint32_t* pdwFileVersionLS) {
    DWORD dwHandle = 0;
    const DWORD dwSize = GetFileVersionInfoSizeA(pszFile, &dwHandle);
    if (dwSize == 0) return false;
    char* pData = new (std::nothrow) char[dwSize];
    if (!pData) return false;
    // A failed read leaves the buffer undefined, so it is not queried.
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT nLength = 0;
    const bool bFound = GetFileVersionInfoA(pszFile, dwHandle, dwSize, pData) &&
                        VerQueryValueA(pData, "\\", reinterpret_cast<void**>(&pInfo), &nLength) && pInfo &&
                        nLength >= sizeof(VS_FIXEDFILEINFO);
    if (bFound) {
        *pdwFileVersionMS = pInfo->dwFileVersionMS;
        *pdwFileVersionLS = pInfo->dwFileVersionLS;
    }
    delete[] pData;
    return bFound;
}

bool CWin32Platform::QueryOsVersion(OsVersionRecord* pRecord) {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) return false;
    pRecord->dwMajorVersion = info.dwMajorVersion;
    pRecord->dwMinorVersion = info.dwMinorVersion;
    pRecord->dwBuildNumber = info.dwBuildNumber;
    pRecord->dwPlatformId = info.dwPlatformId;
    static_assert(sizeof(pRecord->szCSDVersion) == sizeof(info.szCSDVersion), "service pack text");
    std::memcpy(pRecord->szCSDVersion, info.szCSDVersion, sizeof(info.szCSDVersion));
    return true;
}

UtcDate CWin32Platform::GetUtcDate() {
    SYSTEMTIME time;
    GetSystemTime(&time);
    return UtcDate{time.wYear, time.wMonth, time.wDay};
}

bool CWin32Platform::BroadcastEnvironmentChange() {
    DWORD_PTR dwAnswer = 0;
    return SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                               SMTO_ABORTIFHUNG, 5000, &dwAnswer) != 0;
}

void CWin32Platform::ShowMessageBox(const char* pszText, const char* pszCaption) {
    MessageBoxA(nullptr, pszText, pszCaption, MB_OK);
}
