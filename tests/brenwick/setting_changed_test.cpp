#include <gtest/gtest.h>

#include "brenwick/brenwick_exports.h"
#include "fake_platform.h"
#include "test_call_block.h"

namespace {

TEST(SettingChangedExport, ReportsWhetherTheBroadcastSucceeded) {
    CFakePlatform platform;
    CTestCallBlock block;
    EXPECT_EQ(1, SettingChanged(block.Block()));
    platform.m_bBroadcastSucceeds = false;
    EXPECT_EQ(0, SettingChanged(block.Block()));
    EXPECT_EQ(2, platform.m_nBroadcasts);
    EXPECT_EQ(0u, block.Count());
}

TEST(SettingChangedExport, NeedsNothingOfTheBlock) {
    CFakePlatform platform;
    EXPECT_EQ(1, SettingChanged(nullptr));
    EXPECT_EQ(1, platform.m_nBroadcasts);
}

TEST(SettingChangedExport, ThePortablePlatformHasNoWindowsToTellAndSucceeds) {
    CTestCallBlock block;
    EXPECT_EQ(1, SettingChanged(block.Block()));
}

}  // namespace
