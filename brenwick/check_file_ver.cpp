#include "brenwick/check_file_ver.h"

#include <cstring>

#include "brenwick/brenwick_exports.h"
#include "brenwick/platform/platform.h"

namespace {

const char kUnknownConditionText[] = "CheckFileVer()\nUnknown condition requested.";
const char kMessageCaption[] = "brenwick.dll";

// Copies up to the stop character or the end of the text, at most nLimit
// characters; returns where copying stopped.
const char* CopyUntil(const char* p, char cStop, char* pDest, size_t nLimit) {
    size_t n = 0;
    while (*p != '\0' && *p != cStop && n < nLimit) pDest[n++] = *p++;
    pDest[n] = '\0';
    return p;
}

bool IsScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One "%u": false when no digit follows the blanks and the sign.
bool ScanUnsigned(const char*& p, uint32_t* pValue) {
    while (IsScanSpace(*p)) ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-') bNegative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    uint32_t nValue = 0;
    while (*p >= '0' && *p <= '9') nValue = nValue * 10u + static_cast<uint32_t>(*p++ - '0');
    *pValue = bNegative ? 0u - nValue : nValue;
    return true;
}

}  // namespace

bool ParseCheckFileVerParameter(const char* pszParameter, CheckFileVerRequest* pRequest) {
    const char* p = CopyUntil(pszParameter, '?', pRequest->szFileName, kMaxCheckFileNameLength);
    if (*p++ == '\0') return false;
    p = CopyUntil(p, ':', pRequest->szCondition, kMaxConditionLength);
    if (*p++ == '\0') return false;
    uint32_t parts[4];
    ScanVersionParts(p, parts);
    pRequest->dwVersionMS = parts[0] * 65536u + parts[1];
    pRequest->dwVersionLS = parts[2] * 65536u + parts[3];
    return true;
}

void ScanVersionParts(const char* pszText, uint32_t (&parts)[4]) {
    parts[0] = parts[1] = parts[2] = parts[3] = 0;
    const char* p = pszText;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *p++ != ',') return;
        if (!ScanUnsigned(p, &parts[i])) return;
    }
}

EVersionCondition ParseVersionCondition(const char* pszCondition) {
    static const char* const kNames[] = {"EQ", "NE", "LT", "LE", "GT", "GE"};
    for (int i = 0; i < 6; ++i)
        if (std::strcmp(pszCondition, kNames[i]) == 0) return static_cast<EVersionCondition>(i);
    return kConditionUnknown;
}

bool VersionMeetsCondition(EVersionCondition condition, uint32_t dwFileMS, uint32_t dwFileLS, uint32_t dwMS,
                           uint32_t dwLS) {
    const bool bEqual = dwFileMS == dwMS && dwFileLS == dwLS;
    const bool bLess = dwFileMS < dwMS || (dwFileMS == dwMS && dwFileLS < dwLS);
    switch (condition) {
        case kConditionEQ: return bEqual;
        case kConditionNE: return !bEqual;
        case kConditionLT: return bLess;
        case kConditionLE: return bLess || bEqual;
        case kConditionGT: return !bLess && !bEqual;
        case kConditionGE: return !bLess;
        case kConditionUnknown: break;
    }
    return false;
}

extern "C" int BRENWICK_CALL CheckFileVer(InstallerCallBlock* pBlock) {
    CheckFileVerRequest request;
    if (!pBlock || !pBlock->parameter || !ParseCheckFileVerParameter(pBlock->parameter, &request)) return 0;

    // The condition is looked at only once the file's version is known, so a
    // missing file never shows the message.
    uint32_t dwFileMS = 0;
    uint32_t dwFileLS = 0;
    if (!GetPlatform().ReadFileVersion(request.szFileName, &dwFileMS, &dwFileLS)) return 0;

    const EVersionCondition condition = ParseVersionCondition(request.szCondition);
    if (condition == kConditionUnknown) {
        GetPlatform().ShowMessageBox(kUnknownConditionText, kMessageCaption);
        return 0;
    }
    const bool bHolds =
        VersionMeetsCondition(condition, dwFileMS, dwFileLS, request.dwVersionMS, request.dwVersionLS);
    return bHolds ? 1 : 0;
}
