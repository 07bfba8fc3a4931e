// brenwick-host run as a process against the shared library, the way a
// person or a script uses it.

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#if defined(_WIN32)
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

#include "temp_directory.h"

namespace {

const std::string kFixtures = BRENWICK_FIXTURE_DIR;

struct HostRun {
    int nStatus;
    std::string output;  // standard output, then standard error
};

std::string Quote(const std::string& argument) {
#if defined(_WIN32)
    std::string quoted = "\"";
    for (char c : argument) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return quoted + "\"";
#else
    std::string quoted = "'";
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

int ExitStatus(int nWait) {
#if defined(_WIN32)
    return nWait;
#else
    return WIFEXITED(nWait) ? WEXITSTATUS(nWait) : -1;
#endif
}

HostRun RunHost(const std::vector<std::string>& arguments, bool bWithLibrary = true) {
    std::string command = Quote(BRENWICK_HOST_PATH);
    if (bWithLibrary) command += " " + Quote(BRENWICK_LIBRARY_PATH);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += " 2>&1";
    HostRun run{-1, ""};
    FILE* pPipe = popen(command.c_str(), "r");
    if (!pPipe) return run;
    char buffer[256];
    size_t nRead = 0;
    while ((nRead = std::fread(buffer, 1, sizeof(buffer), pPipe)) > 0) run.output.append(buffer, nRead);
    run.nStatus = ExitStatus(pclose(pPipe));
    return run;
}

std::string TodayInUtc(const char* pszFormat) {
    const std::time_t now = std::time(nullptr);
    char szText[64];
    std::strftime(szText, sizeof(szText), pszFormat, std::gmtime(&now));
    return szText;
}

TEST(BrenwickHost, GetDatePrintsTheResultAndTheVariable) {
    const HostRun run = RunHost({"GetDate", "W"});
    EXPECT_EQ(0, run.nStatus);
    EXPECT_EQ("result=1\nGD_DATE=" + TodayInUtc("%d+%B+%Y") + "\n", run.output);
}

TEST(BrenwickHost, ListsTheGivenVariablesBeforeThoseThatTheExportAdded) {
    const HostRun run = RunHost({"GetDate", "", "A=1", "GD_DATE=old", "B=two words", "A=again"});
    EXPECT_EQ("result=1\nA=again\nGD_DATE=" + TodayInUtc("%d %B %Y") + "\nB=two words\n", run.output);
}

TEST(BrenwickHost, GetWinVerAndCheckWin2000FailHonestlyOffWindows) {
    EXPECT_EQ("result=0\nWINVER=??\n", RunHost({"GetWinVer"}).output);
    EXPECT_EQ("result=0\nWIN2000=0\n", RunHost({"CheckWin2000"}).output);
}

TEST(BrenwickHost, CheckFileVerComparesAPeFilesVersion) {
    EXPECT_EQ("result=1\n",
              RunHost({"CheckFileVer", kFixtures + "/version_1_9_0_0.x64.dll?LT:2,0,0,0"}).output);
    EXPECT_EQ("result=0\n",
              RunHost({"CheckFileVer", kFixtures + "/version_2_0_0_0.x86.dll?LT:2,0,0,0"}).output);
}

TEST(BrenwickHost, CheckFileVerShowsItsMessageOnStandardError) {
    const HostRun run = RunHost({"CheckFileVer", kFixtures + "/version_2_0_0_0.x86.dll?lt:2,0,0,0"});
    EXPECT_EQ(0, run.nStatus);
    EXPECT_EQ("brenwick.dll: CheckFileVer()\nUnknown condition requested.\nresult=0\n", run.output);
}

TEST(BrenwickHost, MergeIniMergesRealFiles) {
    CTempDirectory directory;
    const std::string source = directory.Write("source.ini", "[S]\r\nnew=1\r\nold=2\r\n");
    const std::string destination = directory.Write("destination.ini", "[S]\r\nold=kept\r\n");
    const HostRun run = RunHost({"MergeINI", "", "MI_MODE=I", "MI_SRC=" + source, "MI_DEST=" + destination});
    EXPECT_EQ("result=1\nMI_MODE=I\nMI_SRC=" + source + "\nMI_DEST=" + destination + "\n", run.output);
    EXPECT_EQ("[S]\r\nold=kept\r\nnew=1\r\n", directory.Read("destination.ini"));
}

TEST(BrenwickHost, CleanZovToolbarsWorksInTheGivenWindowsDirectory) {
    CTempDirectory windows;
    windows.Write("zov.ini",
                  "[ToolBarState-Bar0]\r\nX=0\r\n[Main]\r\nY=1\r\n[ToolBarState-Summary]\r\nN=1\r\n");
    EXPECT_EQ(
        "result=1\n",
        RunHost({"--windir", windows.Directory(), BRENWICK_LIBRARY_PATH, "CleanZOVToolbars"}, false).output);
    EXPECT_EQ("[Main]\r\nY=1\r\n", windows.Read("zov.ini"));
}

TEST(BrenwickHost, SettingChangedSucceedsWithNoWindowsToTell) {
    EXPECT_EQ("result=1\n", RunHost({"SettingChanged"}).output);
}

TEST(BrenwickHost, TheTableTakesTheGivenCapacityAndWidths) {
    EXPECT_EQ("result=1\nA=1\n",
              RunHost({"--capacity", "1", BRENWICK_LIBRARY_PATH, "GetDate", "W", "A=1"}, false).output);
    EXPECT_EQ("result=1\nGD_DATE=" + TodayInUtc("%d %B").substr(0, 7) + "\n",
              RunHost({"--value-width", "8", BRENWICK_LIBRARY_PATH, "GetDate", ""}, false).output);
}

TEST(BrenwickHost, UsageErrorsExitWith2) {
    EXPECT_EQ(2, RunHost({}, false).nStatus);
    EXPECT_EQ(2, RunHost({"GetDate", "W", "novalue"}).nStatus);
    EXPECT_EQ(2, RunHost({"--bogus", "1", BRENWICK_LIBRARY_PATH, "GetDate"}, false).nStatus);
    EXPECT_EQ(2, RunHost({"--capacity", "0", BRENWICK_LIBRARY_PATH, "GetDate", "", "A=1"}, false).nStatus);
    EXPECT_EQ(2, RunHost({"--name-width", "4", BRENWICK_LIBRARY_PATH, "GetDate", "", "AB=1"}, false).nStatus);
}

TEST(BrenwickHost, AMissingLibraryOrExportExitsWith1) {
    EXPECT_EQ(1, RunHost({kFixtures + "/missing.so", "GetDate"}, false).nStatus);
    EXPECT_EQ(1, RunHost({"GetTime"}).nStatus);
    const HostRun run = RunHost({"SetPlatform"});
    EXPECT_EQ(1, run.nStatus);
    EXPECT_NE(std::string::npos, run.output.find("has no export SetPlatform"));
}

}  // namespace
