#include "brenwick/version_strings.h"

#include "brenwick/version_texts.h"

const VersionString kVersionStrings[] = {
    {"Comments", BRENWICK_TEXT_COMMENTS},
    {"CompanyName", BRENWICK_TEXT_COMPANY_NAME},
    {"FileDescription", BRENWICK_TEXT_FILE_DESCRIPTION},
    {"FileVersion", BRENWICK_TEXT_FILE_VERSION},
    {"InternalName", BRENWICK_TEXT_INTERNAL_NAME},
    {"LegalCopyright", BRENWICK_TEXT_LEGAL_COPYRIGHT},
    {"LegalTrademarks", BRENWICK_TEXT_LEGAL_TRADEMARKS},
    {"OriginalFilename", BRENWICK_TEXT_ORIGINAL_FILENAME},
    {"PrivateBuild", BRENWICK_TEXT_PRIVATE_BUILD},
    {"ProductName", BRENWICK_TEXT_PRODUCT_NAME},
    {"ProductVersion", BRENWICK_TEXT_PRODUCT_VERSION},
    {"SpecialBuild", BRENWICK_TEXT_SPECIAL_BUILD},
    {"_CheckFileVer", BRENWICK_DOC_CHECK_FILE_VER},
    {"_CheckWin2000", BRENWICK_DOC_CHECK_WIN2000},
    {"_CleanZOVToolbars", BRENWICK_DOC_CLEAN_ZOV_TOOLBARS},
    {"_GetDate", BRENWICK_DOC_GET_DATE},
    {"_GetWinVer", BRENWICK_DOC_GET_WIN_VER},
    {"_MergeINI", BRENWICK_DOC_MERGE_INI},
    {"_SettingChanged", BRENWICK_DOC_SETTING_CHANGED},
};
const size_t kVersionStringCount = sizeof(kVersionStrings) / sizeof(kVersionStrings[0]);

const char kVersionStringTableName[] = BRENWICK_STRING_TABLE;
const uint16_t kVersionLanguage = BRENWICK_LANGUAGE;
const uint16_t kVersionCodePage = BRENWICK_CODE_PAGE;
const uint16_t kFileVersionParts[4] = {BRENWICK_FILE_VERSION_WORDS};
const uint16_t kProductVersionParts[4] = {BRENWICK_PRODUCT_VERSION_WORDS};
const uint32_t kVersionFileFlagsMask = BRENWICK_FILE_FLAGS_MASK;
const uint32_t kVersionFileOs = BRENWICK_FILE_OS;
const uint32_t kVersionFileType = BRENWICK_FILE_TYPE;
