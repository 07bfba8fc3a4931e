#pragma once

#include <cstddef>
#include <cstdint>

// The texts and numbers of brenwick's version resource as version_texts.h
// gives them to the resource compiler, in the order of the string table.
struct VersionString {
    const char* pszKey;
    const char* pszValue;
};

extern const VersionString kVersionStrings[];
extern const size_t kVersionStringCount;

extern const char kVersionStringTableName[];
extern const uint16_t kVersionLanguage;
extern const uint16_t kVersionCodePage;
extern const uint16_t kFileVersionParts[4];
extern const uint16_t kProductVersionParts[4];
extern const uint32_t kVersionFileFlagsMask;
extern const uint32_t kVersionFileOs;
extern const uint32_t kVersionFileType;
