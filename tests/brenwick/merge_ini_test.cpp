#include "brenwick/merge_ini.h"

#include <gtest/gtest.h>

#include <string>

#include "brenwick/brenwick_exports.h"
#include "fake_platform.h"
#include "temp_directory.h"
#include "test_call_block.h"

namespace {

// Every kind of key: present in both, absent from the destination, present
// there with an empty value, empty in the source, in a section that the
// destination lacks.
const char kSource[] =
    "[Common]\r\n"
    "Present=new\r\n"
    "Absent=inserted\r\n"
    "Blank=filled\r\n"
    "Empty=\r\n"
    "[NewSection]\r\n"
    "Key=value\r\n";
const char kDestination[] =
    "; settings of the application\r\n"
    "[Common]\r\n"
    "Present = old\r\n"
    "Blank=\r\n"
    "Empty=kept\r\n"
    "\r\n"
    "[Other]\r\n"
    "Untouched=yes\r\n";

class MergeIniTest : public ::testing::Test {
protected:
    MergeIniTest() {
        m_source = m_directory.Write("source.ini", kSource);
        m_destination = m_directory.Write("destination.ini", kDestination);
    }

    int Merge(const std::string& mode) { return MergeWith(mode, m_source, m_destination); }
    int MergeWith(const std::string& mode, const std::string& source, const std::string& destination) {
        CTestCallBlock block(8, 16, 1024);
        block.Variable("MI_MODE", mode).Variable("MI_SRC", source).Variable("MI_DEST", destination);
        return MergeINI(block.Block());
    }
    std::string Destination() const { return m_directory.Read("destination.ini"); }

    CFakePlatform m_platform;
    CTempDirectory m_directory;
    std::string m_source;
    std::string m_destination;
};

TEST(MergeIniDecision, TheModeLettersAreUpperCaseAnywhereInTheText) {
    const MergeMode ri = ParseMergeMode("xIyR");
    EXPECT_TRUE(ri.bReplace);
    EXPECT_TRUE(ri.bInsert);
    const MergeMode lower = ParseMergeMode("ri");
    EXPECT_FALSE(lower.bReplace);
    EXPECT_FALSE(lower.bInsert);
    EXPECT_TRUE(ParseMergeMode("rI").bInsert);
    EXPECT_FALSE(ParseMergeMode("rI").bReplace);
}

TEST(MergeIniDecision, TheTableOfModesAndPresence) {
    const MergeMode r{true, false};
    const MergeMode i{false, true};
    const MergeMode both{true, true};
    EXPECT_TRUE(MergeCopiesKey(r, true));
    EXPECT_FALSE(MergeCopiesKey(r, false));
    EXPECT_FALSE(MergeCopiesKey(i, true));
    EXPECT_TRUE(MergeCopiesKey(i, false));
    EXPECT_TRUE(MergeCopiesKey(both, true));
    EXPECT_TRUE(MergeCopiesKey(both, false));
    EXPECT_TRUE(MergeReadsDestination(r));
    EXPECT_TRUE(MergeReadsDestination(i));
    EXPECT_FALSE(MergeReadsDestination(both));
}

TEST_F(MergeIniTest, ReplaceModeOverwritesPresentValuesOnly) {
    EXPECT_EQ(1, Merge("R"));
    EXPECT_EQ(
        "; settings of the application\r\n"
        "[Common]\r\n"
        "Present=new\r\n"
        "Blank=\r\n"
        "Empty=kept\r\n"
        "\r\n"
        "[Other]\r\n"
        "Untouched=yes\r\n",
        Destination());
}

TEST_F(MergeIniTest, InsertModeAddsAbsentKeysAndSectionsAndKeepsPresentOnes) {
    EXPECT_EQ(1, Merge("I"));
    EXPECT_EQ(
        "; settings of the application\r\n"
        "[Common]\r\n"
        "Present = old\r\n"
        "Blank=filled\r\n"
        "Empty=kept\r\n"
        "Absent=inserted\r\n"
        "\r\n"
        "[Other]\r\n"
        "Untouched=yes\r\n"
        "[NewSection]\r\n"
        "Key=value\r\n",
        Destination());
}

TEST_F(MergeIniTest, BothLettersInAnyOrderCopyEveryNonEmptyValue) {
    const std::string expected =
        "; settings of the application\r\n"
        "[Common]\r\n"
        "Present=new\r\n"
        "Blank=filled\r\n"
        "Empty=kept\r\n"
        "Absent=inserted\r\n"
        "\r\n"
        "[Other]\r\n"
        "Untouched=yes\r\n"
        "[NewSection]\r\n"
        "Key=value\r\n";
    for (const char* pszMode : {"RI", "IR", "xRyI"}) {
        m_directory.Write("destination.ini", kDestination);
        EXPECT_EQ(1, Merge(pszMode)) << pszMode;
        EXPECT_EQ(expected, Destination()) << pszMode;
    }
}

TEST_F(MergeIniTest, LowerCaseLettersGiveFalseAndTouchNothing) {
    EXPECT_EQ(0, Merge("ri"));
    EXPECT_EQ(0, Merge(""));
    EXPECT_EQ(kDestination, Destination());
}

TEST_F(MergeIniTest, AMissingDestinationIsCreatedByInserting) {
    const std::string created = m_directory.Path("created.ini");
    EXPECT_EQ(1, MergeWith("I", m_source, created));
    EXPECT_EQ(
        "[Common]\r\n"
        "Present=new\r\n"
        "Absent=inserted\r\n"
        "Blank=filled\r\n"
        "[NewSection]\r\n"
        "Key=value\r\n",
        m_directory.Read("created.ini"));
}

TEST_F(MergeIniTest, WithoutPathsOrASourceWithSectionsItGivesFalseAndTouchesNothing) {
    EXPECT_EQ(0, MergeWith("RI", "", m_destination));
    EXPECT_EQ(0, MergeWith("RI", m_source, ""));
    EXPECT_EQ(0, MergeWith("RI", m_directory.Path("missing.ini"), m_destination));
    EXPECT_EQ(0, MergeWith("RI", m_directory.Write("keys_only.ini", "a=1\r\n"), m_destination));
    EXPECT_EQ(kDestination, Destination());
    CTestCallBlock noVariables;
    EXPECT_EQ(0, MergeINI(noVariables.Block()));
    EXPECT_EQ(0, MergeINI(nullptr));
}

TEST_F(MergeIniTest, APathOf259CharactersIsUsedAndALongerOneRefused) {
    // "./" steps pad the same destination to the exact length.
    const std::string name = "destination.ini";
    std::string padded = m_directory.Directory() + "/";
    while (padded.size() + 2 + name.size() <= 259) padded += "./";
    padded += std::string(259 - padded.size() - name.size(), '/') + name;
    ASSERT_EQ(259u, padded.size());
    EXPECT_EQ(0, MergeWith("RI", m_source, "/" + padded));
    EXPECT_EQ(kDestination, Destination());
    EXPECT_EQ(1, MergeWith("RI", m_source, padded));
    EXPECT_NE(kDestination, Destination());
}

TEST_F(MergeIniTest, ALongSourcePathIsRefusedBeforeAnyFileIsRead) {
    const std::string longSource = "/" + std::string(258, '.') + "/" + m_source;
    EXPECT_EQ(0, MergeWith("RI", longSource, m_destination));
    EXPECT_EQ(kDestination, Destination());
}

TEST_F(MergeIniTest, AValueLongerThanTheProfileBufferIsCopiedCut) {
    m_directory.Write("long.ini", "[S]\r\nK=" + std::string(3000, 'v') + "\r\n");
    EXPECT_EQ(1, MergeWith("I", m_directory.Path("long.ini"), m_directory.Path("out.ini")));
    EXPECT_EQ("[S]\r\nK=" + std::string(kProfileBufferSize - 1, 'v') + "\r\n", m_directory.Read("out.ini"));
}

}  // namespace
