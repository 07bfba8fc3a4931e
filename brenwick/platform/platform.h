#pragma once

#include <cstdint>

// Everything the exports need of the operating system, and nothing more. The
// Win32 platform passes each operation to the one "A" call that it stands
// for; the portable platform provides the same results on any system.

// The fields of the OS version record (OSVERSIONINFOA) that the exports read.
struct OsVersionRecord {
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
};

struct UtcDate {
    int nYear;
    int nMonth;  // 1 to 12
    int nDay;    // 1 to 31
};

class CPlatform {
public:
    virtual ~CPlatform() = default;

    // Private-profile service. Each read fills pBuffer (nSize bytes) as
    // GetPrivateProfileStringA does with the default "" and returns the number
    // of characters placed, without the final terminator. A list is a run of
    // terminated names closed by an empty one; a list cut to fit ends with two
    // terminators and returns nSize - 2, a value cut to fit returns nSize - 1.
    // A file name without a directory is looked for in the Windows directory.
    virtual uint32_t ReadProfileString(const char* pszSection, const char* pszKey, char* pBuffer,
                                       uint32_t nSize, const char* pszFile) = 0;
    virtual uint32_t ListProfileSections(char* pBuffer, uint32_t nSize, const char* pszFile) = 0;
    virtual uint32_t ListProfileKeys(const char* pszSection, char* pBuffer, uint32_t nSize,
                                     const char* pszFile) = 0;
    // The section's lines as "key=value" entries (GetPrivateProfileSectionA).
    virtual uint32_t ReadProfileSection(const char* pszSection, char* pBuffer, uint32_t nSize,
                                        const char* pszFile) = 0;
    // Creates the file, the section and the key as needed.
    virtual bool WriteProfileValue(const char* pszSection, const char* pszKey, const char* pszValue,
                                   const char* pszFile) = 0;
    virtual bool DeleteProfileSection(const char* pszSection, const char* pszFile) = 0;
    // An export that makes many profile calls brackets them with these two
    // (through CProfileBatch), so that a platform may read each file once
    // and write it once, when the batch ends. Calls outside a batch reach the
    // disk before they return. Ending the outermost batch returns false when
    // a write that it held back could not be made.
    virtual void BeginProfileBatch() {}
    virtual bool EndProfileBatch() { return true; }

    // The two file-version words of the root block (VS_FIXEDFILEINFO) of the
    // file's version resource; false when the file is missing or unreadable,
    // or has no version resource or no root block.
    virtual bool ReadFileVersion(const char* pszFile, uint32_t* pdwFileVersionMS,
                                 uint32_t* pdwFileVersionLS) = 0;

    // GetVersionExA; false when the query fails.
    virtual bool QueryOsVersion(OsVersionRecord* pRecord) = 0;

    // Today's date in UTC.
    virtual UtcDate GetUtcDate() = 0;

    // Tells every top-level window that the environment settings changed;
    // true when the broadcast call succeeded.
    virtual bool BroadcastEnvironmentChange() = 0;

    // A modal box without owner window, with an OK button and no icon.
    virtual void ShowMessageBox(const char* pszText, const char* pszCaption) = 0;
};

// The profile calls of one export, from the object's creation to End, or to
// its destruction.
class CProfileBatch {
public:
    explicit CProfileBatch(CPlatform& platform) : m_platform(platform) { m_platform.BeginProfileBatch(); }
    ~CProfileBatch() { End(); }
    CProfileBatch(const CProfileBatch&) = delete;
    CProfileBatch& operator=(const CProfileBatch&) = delete;

    // False when a write that the batch held back could not be made.
    bool End() {
        if (m_bEnded) return true;
        m_bEnded = true;
        return m_platform.EndProfileBatch();
    }

private:
    CPlatform& m_platform;
    bool m_bEnded = false;
};

// The platform that the exports use: the one installed by SetPlatform, else
// the build's own (Win32 on Windows, portable elsewhere).
CPlatform& GetPlatform();

// Installs a platform (not owned); null puts the build's own back.
void SetPlatform(CPlatform* pPlatform);
