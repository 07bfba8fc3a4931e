#pragma once

#include <cstddef>
#include <cstdint>

// The pieces of CheckFileVer that need no OS: its parameter
// "<filename>?<condition>:<fileversion>" and the six conditions.

constexpr size_t kMaxCheckFileNameLength = 260;
constexpr size_t kMaxConditionLength = 3;

struct CheckFileVerRequest {
    char szFileName[kMaxCheckFileNameLength + 1];
    char szCondition[kMaxConditionLength + 1];
    uint32_t dwVersionMS;  // hh * 65536 + hl, modulo 2^32
    uint32_t dwVersionLS;  // lh * 65536 + ll, modulo 2^32
};

// The file name runs to the "?" and is cut at 260 characters, the condition
// runs to the ":" and is cut at 3; one character is stepped over after each.
// False, having read nothing beyond the terminator, when the text ends where
// that character should be.
bool ParseCheckFileVerParameter(const char* pszParameter, CheckFileVerRequest* pRequest);

// Scans "%u,%u,%u,%u" as the C library does, without its undefined cases:
// blanks may precede a number, a sign is allowed, a number too large for 32
// bits wraps, and the parts after the first that does not convert stay 0.
void ScanVersionParts(const char* pszText, uint32_t (&parts)[4]);

enum EVersionCondition {
    kConditionEQ,
    kConditionNE,
    kConditionLT,
    kConditionLE,
    kConditionGT,
    kConditionGE,
    kConditionUnknown
};

// Exact, case-sensitive match against "EQ", "NE", "LT", "LE", "GT", "GE".
EVersionCondition ParseVersionCondition(const char* pszCondition);

// Whether the file's version (fMS, fLS) stands in the condition to the given
// one (MS, LS), ordered by the most significant word first.
bool VersionMeetsCondition(EVersionCondition condition, uint32_t dwFileMS, uint32_t dwFileLS, uint32_t dwMS,
                           uint32_t dwLS);
