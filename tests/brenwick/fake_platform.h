#pragma once

#include <string>
#include <vector>

#include "brenwick/platform/platform.h"
#include "brenwick/platform/portable_platform.h"

// The portable platform with the parts that depend on the machine replaced:
// a chosen OS version record (or a failing query), a fixed date, a chosen
// broadcast result, and message boxes recorded instead of printed. Installed
// for the lifetime of the object.
class CFakePlatform : public CPortablePlatform {
public:
    CFakePlatform() { SetPlatform(this); }
    ~CFakePlatform() override { SetPlatform(nullptr); }
    CFakePlatform(const CFakePlatform&) = delete;
    CFakePlatform& operator=(const CFakePlatform&) = delete;

    bool QueryOsVersion(OsVersionRecord* pRecord) override {
        if (!m_bHasVersion) return false;
        *pRecord = m_version;
        return true;
    }
    UtcDate GetUtcDate() override { return m_date; }
    bool BroadcastEnvironmentChange() override {
        ++m_nBroadcasts;
        return m_bBroadcastSucceeds;
    }
    void ShowMessageBox(const char* pszText, const char* pszCaption) override {
        m_messages.push_back(std::string(pszCaption) + "|" + pszText);
    }

    void SetVersion(uint32_t nPlatform, uint32_t nMajor, uint32_t nMinor, uint32_t nBuild = 0,
                    const std::string& servicePack = "") {
        m_bHasVersion = true;
        m_version = OsVersionRecord{};
        m_version.dwPlatformId = nPlatform;
        m_version.dwMajorVersion = nMajor;
        m_version.dwMinorVersion = nMinor;
        m_version.dwBuildNumber = nBuild;
        servicePack.copy(m_version.szCSDVersion, sizeof(m_version.szCSDVersion) - 1);
    }

    bool m_bHasVersion = false;
    OsVersionRecord m_version{};
    UtcDate m_date{2026, 12, 5};
    bool m_bBroadcastSucceeds = true;
    int m_nBroadcasts = 0;
    std::vector<std::string> m_messages;
};
