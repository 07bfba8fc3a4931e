#include "brenwick/win_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "brenwick/brenwick_exports.h"
#include "fake_platform.h"
#include "test_call_block.h"

namespace {

struct WinVerCase {
    uint32_t nPlatform, nMajor, nMinor, nBuild;
    const char* pszServicePack;
    const char* pszText;
};

const WinVerCase kWinVerTable[] = {
    {0, 3, 10, 0, "", "3.1"},
    {0, 3, 10, 0, "Service Pack 1", "3.1"},
    {1, 4, 0, 950, "", "95"},
    {1, 4, 0, 1080, "", "95"},
    {1, 4, 0, 1081, "", "95 OSR2"},
    {1, 4, 0, 0x04000438, " B", "95"},     // build 1080 under other high bits
    {1, 4, 0, 0xFFFF0439, "", "95 OSR2"},  // build 1081 under other high bits
    {1, 4, 10, 1998, "A", "98"},
    {1, 4, 90, 3000, " ", "ME"},
    {1, 4, 3, 0, "", "9x"},
    {2, 3, 51, 1057, "Service Pack 5", "NT3 SP5"},
    {2, 4, 0, 1381, "Service Pack 3", "NT4 SP3"},
    {2, 4, 0, 1381, "Service Pack 6a", "NT4 SPa"},
    {2, 4, 0, 1381, "", "NT4"},
    {2, 5, 0, 2195, "", "2000"},
    {2, 5, 0, 2195, "Service Pack 4", "2000 SP4"},
    {2, 5, 1, 2600, "Service Pack 2", "XP SP2"},
    {2, 5, 2, 3790, "Service Pack 1", "NT5 SP1"},
    {2, 6, 0, 6002, "Service Pack 2", "NT SP2"},
    {2, 10, 0, 19045, "", "NT"},
    {3, 10, 0, 0, "Service Pack 1", "??"},
};

TEST(GetWinVerText, EveryRowOfTheTable) {
    for (const WinVerCase& row : kWinVerTable) {
        OsVersionRecord record{};
        record.dwPlatformId = row.nPlatform;
        record.dwMajorVersion = row.nMajor;
        record.dwMinorVersion = row.nMinor;
        record.dwBuildNumber = row.nBuild;
        std::string(row.pszServicePack).copy(record.szCSDVersion, sizeof(record.szCSDVersion) - 1);
        char szText[kWinVerTextSize];
        FormatWinVerText(record, szText);
        EXPECT_STREQ(row.pszText, szText)
            << row.nPlatform << " " << row.nMajor << "." << row.nMinor << " \"" << row.pszServicePack << "\"";
    }
}

TEST(GetWinVerText, AServicePackTextThatFillsTheRecordIsReadWithinIt) {
    OsVersionRecord record{};
    record.dwPlatformId = 2;
    record.dwMajorVersion = 4;
    std::memset(record.szCSDVersion, 'x', sizeof(record.szCSDVersion));
    record.szCSDVersion[sizeof(record.szCSDVersion) - 1] = 'z';
    char szText[kWinVerTextSize];
    FormatWinVerText(record, szText);
    EXPECT_STREQ("NT4 SPz", szText);
}

TEST(GetWinVerExport, SetsWinverAndReturnsTrueForAnyRecord) {
    CFakePlatform platform;
    CTestCallBlock block(4, 10, 18);
    platform.SetVersion(2, 4, 0, 1381, "Service Pack 6");
    EXPECT_EQ(1, GetWinVer(block.Block()));
    EXPECT_EQ("NT4 SP6", block.Value("WINVER"));
    platform.SetVersion(7, 1, 0);
    EXPECT_EQ(1, GetWinVer(block.Block()));
    EXPECT_EQ("??", block.Value("WINVER"));
    EXPECT_EQ(1u, block.Count());
}

TEST(GetWinVerExport, AFailedQuerySetsQuestionMarksAndReturnsFalse) {
    CFakePlatform platform;
    CTestCallBlock block;
    block.Variable("WINVER", "stale");
    EXPECT_EQ(0, GetWinVer(block.Block()));
    EXPECT_EQ("??", block.Value("WINVER"));
}

TEST(GetWinVerExport, AFullTableKeepsTheResult) {
    CFakePlatform platform;
    platform.SetVersion(2, 5, 1);
    CTestCallBlock block(0);
    EXPECT_EQ(1, GetWinVer(block.Block()));
    EXPECT_EQ(0u, block.Count());
}

TEST(GetWinVerExport, ThePortablePlatformHasNoVersionToReport) {
    // Installed by hand: on Windows the build's own platform is Win32's.
    CPortablePlatform portable;
    SetPlatform(&portable);
    CTestCallBlock block;
    EXPECT_EQ(0, GetWinVer(block.Block()));
    EXPECT_EQ("??", block.Value("WINVER"));
    EXPECT_EQ(0, GetWinVer(nullptr));
    SetPlatform(nullptr);
}

struct Win2000Case {
    uint32_t nPlatform, nMajor, nMinor;
    int nResult;
};

TEST(CheckWin2000Export, OnlyTheNtPlatformOfMajorVersion5Counts) {
    CFakePlatform platform;
    const Win2000Case cases[] = {{2, 5, 0, 1}, {2, 5, 1, 1},  {2, 5, 2, 1},  {2, 4, 0, 0}, {2, 6, 0, 0},
                                 {1, 4, 0, 0}, {1, 4, 10, 0}, {1, 4, 90, 0}, {1, 5, 0, 0}, {0, 5, 0, 0}};
    for (const Win2000Case& c : cases) {
        CTestCallBlock block;
        platform.SetVersion(c.nPlatform, c.nMajor, c.nMinor);
        EXPECT_EQ(c.nResult, CheckWin2000(block.Block()))
            << c.nPlatform << " " << c.nMajor << "." << c.nMinor;
        EXPECT_EQ(c.nResult ? "1" : "0", block.Value("WIN2000"));
    }
}

TEST(CheckWin2000Export, AFailedQuerySetsZeroAndReturnsFalse) {
    CFakePlatform platform;
    CTestCallBlock block;
    EXPECT_EQ(0, CheckWin2000(block.Block()));
    EXPECT_EQ("0", block.Value("WIN2000"));
    EXPECT_EQ(0, CheckWin2000(nullptr));
}

}  // namespace
