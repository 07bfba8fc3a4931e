#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "brenwick/platform/pe_version_reader.h"
#include "brenwick/platform/version_info_block.h"
#include "version_string_table.h"
#include "version_strings.h"

namespace {

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    return text;
}

// The documentation of each export, line by line as the installer's authors
// read it.
const std::vector<std::pair<std::string, std::string>> kExpectedStrings = {
    {"Comments", "Extends the functionality of the WISE5 installer."},
    {"CompanyName", "Korvelt Tools"},
    {"FileDescription", "WISE Extension DLL"},
    {"FileVersion", "1.6"},
    {"InternalName", "brenwick"},
    {"LegalCopyright", "Copyright (C) Korvelt Tools"},
    {"LegalTrademarks", "Korvelt is a trademark of Korvelt Tools"},
    {"OriginalFilename", "brenwick.dll"},
    {"PrivateBuild", ""},
    {"ProductName", "WISE Extension DLL"},
    {"ProductVersion", "5.0g"},
    {"SpecialBuild", ""},
    {"_CheckFileVer",
     Lines({"Get the file version and compares it to a specified version.",
            "[In] Parameter: <filename>?<condition>:<fileversion>",
            "<filename> is the full path name of the exe/dll to check",
            "<condition> is the condition to check (based on Fortran):", " EQ file ver == specified ver",
            " NE file ver != specified ver", " LT file ver < specified ver", " LE file ver <= specified ver",
            " GT file ver > specified ver", " GE file ver >= specified ver",
            "<fileversion> is the version in the format <hh>,<hl>,<lh>,<ll>",
            "Example:", " c:\\myfolder\\myfile.exe?LT:2,0,0,0", "[Out] <none>",
            " Returns: TRUE if versions match the condition; otherwise FALSE."})},
    {"_CheckWin2000", Lines({"Uses the new Win32 API call to get the platform version.", "[In]\t<none>",
                             "[Out]\tWIN2000 - contains 1 if Windows 2000; 0 otherwise."})},
    {"_CleanZOVToolbars", Lines({"Removes any current toolbar positional information from ZOV.INI.",
                                 "[In]\t<none>", "[Out]\t<none>"})},
    {"_GetDate", Lines({"Gets the current date in format dd Mmm yyyy.", "[In]\tParameter: 'W' for URL format",
                        "[Out]\tGD_DATE - contains the date"})},
    {"_GetWinVer", Lines({"Uses the new Win32 API call to get the platform version.", "[In]\t<none>",
                          "[Out]\tWINVER - string describing Windows version, e.g. 'ME', 'NT4 SP3', etc."})},
    {"_MergeINI",
     Lines({"Performs a merge between two INI files. Normally, writing to an INI file overwrites existing "
            "values. "
            "This merge allows you to specify whether to retain any values that already exist.",
            "[In]\tMI_SRC - full path name of source INI file.",
            "\tMI_DEST - full path name of destination INI file.",
            "\tMI_MODE - merge mode (case sensitive):", "\t\tR\treplace existing", "\t\tI\tinsert",
            "\t\tRI\treplaces existing and inserts new items (same as WISE operation)", "[Out]\t<none>"})},
    {"_SettingChanged",
     "Posts a broadcast message to the system to indicate the registry settings for environment variables "
     "have "
     "been changed (NT only)"},
};

TEST(VersionResourceTexts, EveryStringInItsOrderWithItsText) {
    ASSERT_EQ(kExpectedStrings.size(), kVersionStringCount);
    for (size_t i = 0; i < kVersionStringCount; ++i) {
        EXPECT_EQ(kExpectedStrings[i].first, kVersionStrings[i].pszKey);
        EXPECT_EQ(kExpectedStrings[i].second, kVersionStrings[i].pszValue) << kExpectedStrings[i].first;
    }
}

TEST(VersionResourceTexts, TheFixedPart) {
    EXPECT_EQ((std::vector<uint16_t>{1, 6, 0, 10}),
              std::vector<uint16_t>(kFileVersionParts, kFileVersionParts + 4));
    EXPECT_EQ((std::vector<uint16_t>{5, 0, 0, 1}),
              std::vector<uint16_t>(kProductVersionParts, kProductVersionParts + 4));
    EXPECT_STREQ("080904b0", kVersionStringTableName);
    EXPECT_EQ(0x0809, kVersionLanguage);
    EXPECT_EQ(1200, kVersionCodePage);
    EXPECT_EQ(0x3Fu, kVersionFileFlagsMask);
    EXPECT_EQ(0x40004u, kVersionFileOs);
    EXPECT_EQ(2u, kVersionFileType);
}

// brenwick_version.x86.dll is brenwick.rc compiled by the MinGW-w64 resource
// compiler (scripts/make-brenwick-fixtures): what the DLL carries must be what
// the portable build reports.
TEST(VersionResourceTexts, TheCompiledResourceCarriesTheSameTexts) {
    std::vector<uint8_t> resource;
    uint32_t nLanguage = 0;
    ASSERT_TRUE(ReadPeVersionResource(std::string(BRENWICK_FIXTURE_DIR) + "/brenwick_version.x86.dll",
                                      &resource, &nLanguage));
    EXPECT_EQ(0x0809u, nLanguage);
    FixedFileInfo info{};
    ASSERT_TRUE(ReadVersionRootBlock(resource, &info));
    EXPECT_EQ(0x00010006u, info.dwFileVersionMS);
    EXPECT_EQ(0x0000000Au, info.dwFileVersionLS);
    EXPECT_EQ(0x00050000u, info.dwProductVersionMS);
    EXPECT_EQ(0x00000001u, info.dwProductVersionLS);
    EXPECT_EQ(0x3Fu, info.dwFileFlagsMask);
    EXPECT_EQ(0u, info.dwFileFlags);
    EXPECT_EQ(0x40004u, info.dwFileOS);
    EXPECT_EQ(2u, info.dwFileType);
    EXPECT_EQ(0u, info.dwFileSubtype);
    EXPECT_EQ(0u, info.dwFileDateMS);
    EXPECT_EQ(0u, info.dwFileDateLS);

    VersionStringTable table;
    ASSERT_TRUE(ReadVersionStrings(resource, &table));
    EXPECT_EQ("080904b0", table.name);
    EXPECT_EQ((std::vector<uint16_t>{0x0809, 1200}), table.translation);
    EXPECT_EQ(kExpectedStrings, table.strings);
}

}  // namespace
