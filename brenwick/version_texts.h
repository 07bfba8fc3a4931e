/* The texts and numbers of the version resource of brenwick.dll, which
   brenwick.rc compiles. The tests read the same macros
   (tests/brenwick/support/version_strings.cpp) to hold them against the
   documented texts. Resource compilers read only the preprocessor, so this
   file holds nothing but macros of string literals and numbers. Lines of a
   documentation text are joined by CR LF; adjacent literals make one string. */
#ifndef BRENWICK_VERSION_TEXTS_H
#define BRENWICK_VERSION_TEXTS_H

#define BRENWICK_FILE_VERSION_WORDS 1, 6, 0, 10
#define BRENWICK_PRODUCT_VERSION_WORDS 5, 0, 0, 1
#define BRENWICK_FILE_FLAGS_MASK 0x3F
#define BRENWICK_FILE_OS 0x40004 /* VOS_NT_WINDOWS32 */
#define BRENWICK_FILE_TYPE 2     /* VFT_DLL */
#define BRENWICK_STRING_TABLE "080904b0"
#define BRENWICK_LANGUAGE 0x0809 /* English, United Kingdom */
#define BRENWICK_CODE_PAGE 1200  /* Unicode */

#define BRENWICK_TEXT_COMMENTS "Extends the functionality of the WISE5 installer."
#define BRENWICK_TEXT_COMPANY_NAME "Korvelt Tools"
#define BRENWICK_TEXT_FILE_DESCRIPTION "WISE Extension DLL"
#define BRENWICK_TEXT_FILE_VERSION "1.6"
#define BRENWICK_TEXT_INTERNAL_NAME "brenwick"
#define BRENWICK_TEXT_LEGAL_COPYRIGHT "Copyright (C) Korvelt Tools"
#define BRENWICK_TEXT_LEGAL_TRADEMARKS "Korvelt is a trademark of Korvelt Tools"
#define BRENWICK_TEXT_ORIGINAL_FILENAME "brenwick.dll"
#define BRENWICK_TEXT_PRIVATE_BUILD ""
#define BRENWICK_TEXT_PRODUCT_NAME "WISE Extension DLL"
#define BRENWICK_TEXT_PRODUCT_VERSION "5.0g"
#define BRENWICK_TEXT_SPECIAL_BUILD ""

#define BRENWICK_DOC_CHECK_FILE_VER                                                \
    "Get the file version and compares it to a specified version.\r\n"             \
    "[In] Parameter: <filename>?<condition>:<fileversion>\r\n"                     \
    "<filename> is the full path name of the exe/dll to check\r\n"                 \
    "<condition> is the condition to check (based on Fortran):\r\n"                \
    " EQ file ver == specified ver\r\n"                                            \
    " NE file ver != specified ver\r\n"                                            \
    " LT file ver < specified ver\r\n"                                             \
    " LE file ver <= specified ver\r\n"                                            \
    " GT file ver > specified ver\r\n"                                             \
    " GE file ver >= specified ver\r\n"                                            \
    "<fileversion> is the version in the format <hh>,<hl>,<lh>,<ll>\r\n"           \
    "Example:\r\n"                                                                 \
    " c:\\myfolder\\myfile.exe?LT:2,0,0,0\r\n"                                     \
    "[Out] <none>\r\n"                                                             \
    " Returns: TRUE if versions match the condition; otherwise FALSE."

#define BRENWICK_DOC_CHECK_WIN2000                                                 \
    "Uses the new Win32 API call to get the platform version.\r\n"                 \
    "[In]\t<none>\r\n"                                                             \
    "[Out]\tWIN2000 - contains 1 if Windows 2000; 0 otherwise."

#define BRENWICK_DOC_CLEAN_ZOV_TOOLBARS                                            \
    "Removes any current toolbar positional information from ZOV.INI.\r\n"         \
    "[In]\t<none>\r\n"                                                             \
    "[Out]\t<none>"

#define BRENWICK_DOC_GET_DATE                                                      \
    "Gets the current date in format dd Mmm yyyy.\r\n"                             \
    "[In]\tParameter: 'W' for URL format\r\n"                                      \
    "[Out]\tGD_DATE - contains the date"

#define BRENWICK_DOC_GET_WIN_VER                                                   \
    "Uses the new Win32 API call to get the platform version.\r\n"                 \
    "[In]\t<none>\r\n"                                                             \
    "[Out]\tWINVER - string describing Windows version, e.g. 'ME', 'NT4 SP3', etc."

#define BRENWICK_DOC_MERGE_INI                                                     \
    "Performs a merge between two INI files. Normally, writing to an INI file "    \
    "overwrites existing values. This merge allows you to specify whether to "     \
    "retain any values that already exist.\r\n"                                    \
    "[In]\tMI_SRC - full path name of source INI file.\r\n"                        \
    "\tMI_DEST - full path name of destination INI file.\r\n"                      \
    "\tMI_MODE - merge mode (case sensitive):\r\n"                                 \
    "\t\tR\treplace existing\r\n"                                                  \
    "\t\tI\tinsert\r\n"                                                            \
    "\t\tRI\treplaces existing and inserts new items (same as WISE operation)\r\n" \
    "[Out]\t<none>"

#define BRENWICK_DOC_SETTING_CHANGED                                               \
    "Posts a broadcast message to the system to indicate the registry settings "   \
    "for environment variables have been changed (NT only)"

/* The string table in resource order: ENTRY(key, text) for each string. */
#define BRENWICK_VERSION_STRINGS(ENTRY)                         \
    ENTRY("Comments", BRENWICK_TEXT_COMMENTS)                   \
    ENTRY("CompanyName", BRENWICK_TEXT_COMPANY_NAME)            \
    ENTRY("FileDescription", BRENWICK_TEXT_FILE_DESCRIPTION)    \
    ENTRY("FileVersion", BRENWICK_TEXT_FILE_VERSION)            \
    ENTRY("InternalName", BRENWICK_TEXT_INTERNAL_NAME)          \
    ENTRY("LegalCopyright", BRENWICK_TEXT_LEGAL_COPYRIGHT)      \
    ENTRY("LegalTrademarks", BRENWICK_TEXT_LEGAL_TRADEMARKS)    \
    ENTRY("OriginalFilename", BRENWICK_TEXT_ORIGINAL_FILENAME)  \
    ENTRY("PrivateBuild", BRENWICK_TEXT_PRIVATE_BUILD)          \
    ENTRY("ProductName", BRENWICK_TEXT_PRODUCT_NAME)            \
    ENTRY("ProductVersion", BRENWICK_TEXT_PRODUCT_VERSION)      \
    ENTRY("SpecialBuild", BRENWICK_TEXT_SPECIAL_BUILD)          \
    ENTRY("_CheckFileVer", BRENWICK_DOC_CHECK_FILE_VER)         \
    ENTRY("_CheckWin2000", BRENWICK_DOC_CHECK_WIN2000)          \
    ENTRY("_CleanZOVToolbars", BRENWICK_DOC_CLEAN_ZOV_TOOLBARS) \
    ENTRY("_GetDate", BRENWICK_DOC_GET_DATE)                    \
    ENTRY("_GetWinVer", BRENWICK_DOC_GET_WIN_VER)               \
    ENTRY("_MergeINI", BRENWICK_DOC_MERGE_INI)                  \
    ENTRY("_SettingChanged", BRENWICK_DOC_SETTING_CHANGED)

#endif
