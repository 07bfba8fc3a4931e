#include "version_strings.h"

#include "brenwick/version_texts.h"

#define BRENWICK_VERSION_STRING(key, text) {key, text},
const VersionString kVersionStrings[] = {BRENWICK_VERSION_STRINGS(BRENWICK_VERSION_STRING)};
#undef BRENWICK_VERSION_STRING
const size_t kVersionStringCount = sizeof(kVersionStrings) / sizeof(kVersionStrings[0]);

const char kVersionStringTableName[] = BRENWICK_STRING_TABLE;
const uint16_t kVersionLanguage = BRENWICK_LANGUAGE;
const uint16_t kVersionCodePage = BRENWICK_CODE_PAGE;
const uint16_t kFileVersionParts[4] = {BRENWICK_FILE_VERSION_WORDS};
const uint16_t kProductVersionParts[4] = {BRENWICK_PRODUCT_VERSION_WORDS};
const uint32_t kVersionFileFlagsMask = BRENWICK_FILE_FLAGS_MASK;
const uint32_t kVersionFileOs = BRENWICK_FILE_OS;
const uint32_t kVersionFileType = BRENWICK_FILE_TYPE;
