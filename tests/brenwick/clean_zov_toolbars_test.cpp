#include <gtest/gtest.h>

#include <string>

#include "brenwick/brenwick_exports.h"
#include "fake_platform.h"
#include "temp_directory.h"
#include "test_call_block.h"

namespace {

class CleanZovToolbarsTest : public ::testing::Test {
protected:
    CleanZovToolbarsTest() { m_platform.SetWindowsDirectory(m_windows.Directory()); }

    std::string Clean(const std::string& zovIni) {
        m_windows.Write("zov.ini", zovIni);
        CTestCallBlock block;
        EXPECT_EQ(1, CleanZOVToolbars(block.Block()));
        return m_windows.Read("zov.ini");
    }

    CFakePlatform m_platform;
    CTempDirectory m_windows;
};

TEST_F(CleanZovToolbarsTest, DeletesTheNumberedBarsUpToTheFirstMissingOneAndTheTwoFixedSections) {
    EXPECT_EQ("[Settings]\r\nA=1\r\n[ToolBarState-Bar5]\r\nX=5\r\n",
              Clean("[Settings]\r\nA=1\r\n"
                    "[ToolBarState-Bar0]\r\nX=0\r\n[ToolBarState-Bar1]\r\nX=1\r\n"
                    "[ToolBarState-ToolBarManager]\r\nBars=4\r\n"
                    "[toolbarstate-bar2]\r\nX=2\r\n[ToolBarState-Bar3]\r\nX=3\r\n"
                    "[ToolBarState-Summary]\r\nN=4\r\n[ToolBarState-Bar5]\r\nX=5\r\n"));
}

TEST_F(CleanZovToolbarsTest, AMissingBar0StopsTheWalkBeforeAnyNumberedBar) {
    EXPECT_EQ("[ToolBarState-Bar1]\r\nX=1\r\n",
              Clean("[ToolBarState-Bar1]\r\nX=1\r\n[ToolBarState-Summary]\r\nN=1\r\n"));
}

TEST_F(CleanZovToolbarsTest, AnEmptyBarStopsTheWalkAndStays) {
    EXPECT_EQ("[ToolBarState-Bar2]\r\n[ToolBarState-Bar3]\r\nX=3\r\n",
              Clean("[ToolBarState-Bar0]\r\nX=0\r\n[ToolBarState-Bar1]\r\nX=1\r\n"
                    "[ToolBarState-Bar2]\r\n[ToolBarState-Bar3]\r\nX=3\r\n"));
}

TEST_F(CleanZovToolbarsTest, WithoutZovIniItSucceedsAndCreatesNothing) {
    CTestCallBlock block;
    EXPECT_EQ(1, CleanZOVToolbars(block.Block()));
    EXPECT_EQ(1, CleanZOVToolbars(nullptr));
    EXPECT_FALSE(m_windows.Exists("zov.ini"));
}

TEST_F(CleanZovToolbarsTest, LooksForZovIniInTheWindowsDirectoryOnly) {
    CTempDirectory other;
    other.Write("zov.ini", "[ToolBarState-Summary]\r\nN=1\r\n");
    EXPECT_EQ("[Kept]\r\nK=1\r\n", Clean("[ToolBarState-Summary]\r\nN=1\r\n[Kept]\r\nK=1\r\n"));
    EXPECT_EQ("[ToolBarState-Summary]\r\nN=1\r\n", other.Read("zov.ini"));
}

}  // namespace
