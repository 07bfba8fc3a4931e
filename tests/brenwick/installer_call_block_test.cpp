#include "brenwick/installer_call_block.h"

#include <gtest/gtest.h>

#include <string>

#include "brenwick/brenwick_exports.h"
#include "fake_platform.h"
#include "test_call_block.h"

namespace {

std::string Get(const InstallerCallBlock* pBlock, const char* pszName, size_t nSize = 64) {
    std::string buffer(nSize, '#');
    GetInstallerVariable(pBlock, pszName, &buffer[0], nSize);
    return buffer.c_str();
}

TEST(InstallerVariableTable, SettingAVariableThatExistsReplacesItsValueInPlace) {
    CTestCallBlock table;
    table.Variable("A", "1").Variable("WINVER", "old").Variable("B", "2");
    SetInstallerVariable(table.Block(), "WINVER", "NT4");
    EXPECT_EQ(3u, table.Count());
    EXPECT_EQ("%WINVER%", table.NameEntry(1));
    EXPECT_EQ("NT4", table.ValueEntry(1));
    EXPECT_EQ("1", table.ValueEntry(0));
    EXPECT_EQ("2", table.ValueEntry(2));
}

TEST(InstallerVariableTable, TheFirstVariableOfAnEmptyTableTakesEntryZero) {
    CTestCallBlock table;
    SetInstallerVariable(table.Block(), "GD_DATE", "05 December 2026");
    EXPECT_EQ(1u, table.Count());
    EXPECT_EQ("%GD_DATE%", table.NameEntry(0));
    EXPECT_EQ("05 December 2026", table.ValueEntry(0));
}

TEST(InstallerVariableTable, NamesMatchCaseSensitivelyAndWithTheirPercentSigns) {
    CTestCallBlock table;
    table.Entry("%winver%", "lower").Entry("WINVER", "bare");
    EXPECT_EQ("", Get(table.Block(), "WINVER"));
    SetInstallerVariable(table.Block(), "WINVER", "XP");
    EXPECT_EQ(3u, table.Count());
    EXPECT_EQ("%WINVER%", table.NameEntry(2));
    EXPECT_EQ("lower", table.ValueEntry(0));
    EXPECT_EQ("bare", table.ValueEntry(1));
    EXPECT_EQ("XP", Get(table.Block(), "WINVER"));
}

TEST(InstallerVariableTable, AFullTableDropsANewVariableWithoutChange) {
    CTestCallBlock table(2);
    table.Variable("A", "1").Variable("B", "2");
    SetInstallerVariable(table.Block(), "C", "3");
    EXPECT_EQ(2u, table.Count());
    EXPECT_EQ("%B%", table.NameEntry(1));
    EXPECT_EQ("<absent>", table.Value("C"));
    EXPECT_TRUE(table.GuardsIntact());
}

TEST(InstallerVariableTable, AFullTableStillTakesANewValueForAVariableItHolds) {
    CTestCallBlock table(1);
    table.Variable("A", "1");
    SetInstallerVariable(table.Block(), "A", "2");
    EXPECT_EQ("2", table.Value("A"));
}

TEST(InstallerVariableTable, AValueLandsAtTheIndexOfItsNameWhateverTheWidths) {
    CTestCallBlock table(8, 10, 40);
    table.Variable("A", "1").Variable("B", "2").Variable("WINVER", "old");
    SetInstallerVariable(table.Block(), "WINVER", "2000");
    SetInstallerVariable(table.Block(), "GD_DATE", "30 September 2026");
    EXPECT_EQ("2000", table.ValueEntry(2));
    EXPECT_EQ("%GD_DATE%", table.NameEntry(3));
    EXPECT_EQ("30 September 2026", table.ValueEntry(3));
}

TEST(InstallerVariableTable, AValueLongerThanItsEntryIsCutToFitWithItsTerminator) {
    CTestCallBlock table(2, 16, 8);
    table.Variable("A", "x").Variable("B", "neighbour");
    SetInstallerVariable(table.Block(), "A", "123456789");
    EXPECT_EQ("1234567", table.ValueEntry(0));
    EXPECT_EQ("neighbou", table.ValueEntry(1).substr(0, 8));
    SetInstallerVariable(table.Block(), "B", "abcdefghijk");
    EXPECT_EQ("abcdefg", table.ValueEntry(1));
    EXPECT_TRUE(table.GuardsIntact());
}

TEST(InstallerVariableTable, AValueThatExactlyFillsItsEntryIsKeptWhole) {
    CTestCallBlock table(1, 16, 18);
    SetInstallerVariable(table.Block(), "GD_DATE", "30 September 2026");
    EXPECT_EQ("30 September 2026", table.Value("GD_DATE"));
}

TEST(InstallerVariableTable, ANameOfMoreThan29CharactersIsRefused) {
    CTestCallBlock table(4, 40);
    const std::string name29(29, 'N');
    const std::string name30(30, 'N');
    SetInstallerVariable(table.Block(), name29.c_str(), "fits");
    SetInstallerVariable(table.Block(), name30.c_str(), "refused");
    EXPECT_EQ(1u, table.Count());
    EXPECT_EQ("fits", Get(table.Block(), name29.c_str()));
    table.Entry("%" + name30 + "%", "planted");
    EXPECT_EQ("", Get(table.Block(), name30.c_str()));
}

TEST(InstallerVariableTable, AKeyThatDoesNotFitANameEntryIsNotAppended) {
    CTestCallBlock table(4, 9);
    SetInstallerVariable(table.Block(), "GD_DATE", "05 December 2026");
    SetInstallerVariable(table.Block(), "WINVER", "XP");
    EXPECT_EQ(1u, table.Count());
    EXPECT_EQ("%WINVER%", table.NameEntry(0));
    EXPECT_TRUE(table.GuardsIntact());
}

TEST(InstallerVariableTable, ANameEntryWithoutTerminatorIsNeverReadPastItsWidth) {
    CTestCallBlock table(2, 8);
    table.Entry("%WINVER%", "old");  // fills all 8 bytes, no terminator
    SetInstallerVariable(table.Block(), "WINVER", "XP");
    EXPECT_EQ(1u, table.Count());
    EXPECT_EQ("old", table.ValueEntry(0));
    EXPECT_EQ("", Get(table.Block(), "WINVER"));
}

TEST(InstallerVariableTable, ReadingIsCutToTheCallersBufferAndReportsTheCut) {
    CTestCallBlock table;
    table.Variable("MI_SRC", "abcdef");
    char szExact[7];
    EXPECT_TRUE(GetInstallerVariable(table.Block(), "MI_SRC", szExact, sizeof(szExact)));
    EXPECT_STREQ("abcdef", szExact);
    char szShort[8] = "######!";
    EXPECT_FALSE(GetInstallerVariable(table.Block(), "MI_SRC", szShort, 6));
    EXPECT_STREQ("abcde", szShort);
    EXPECT_EQ('!', szShort[6]);
}

TEST(InstallerVariableTable, AnAbsentVariableReadsAsTheEmptyText) {
    CTestCallBlock table;
    table.Variable("MI_SRC", "a.ini");
    EXPECT_EQ("", Get(table.Block(), "MI_DEST"));
    EXPECT_EQ("", Get(table.Block(), "mi_src"));
}

TEST(InstallerVariableTable, ReadingDoesNotConsultTheCapacity) {
    CTestCallBlock table(2);
    table.Variable("A", "1").Variable("B", "2");
    table.Block()->maxVariables = 1;
    EXPECT_EQ("2", Get(table.Block(), "B"));
}

TEST(InstallerVariableTable, ATableOfMoreThan65535EntriesIsSearchedInFull) {
    const uint32_t nCount = 70000;
    CTestCallBlock table(nCount + 1, 16, 8);
    for (uint32_t i = 0; i < nCount; ++i) table.Variable("V" + std::to_string(i), "v");
    EXPECT_EQ("v", Get(table.Block(), "V69999"));
    SetInstallerVariable(table.Block(), "V65536", "set");
    EXPECT_EQ(nCount, table.Count());
    EXPECT_EQ("set", table.ValueEntry(65536));
    EXPECT_EQ("v", table.ValueEntry(0));
}

TEST(InstallerVariableTable, AnUnusableBlockIsLeftAloneAndReadsEmpty) {
    CTestCallBlock table;
    table.Variable("A", "1");
    InstallerCallBlock zeroWidth = *table;
    zeroWidth.nameWidth = 0;
    InstallerCallBlock noValues = *table;
    noValues.variableValues = nullptr;
    for (InstallerCallBlock* pBlock : {static_cast<InstallerCallBlock*>(nullptr), &zeroWidth, &noValues}) {
        SetInstallerVariable(pBlock, "B", "2");
        EXPECT_EQ("", Get(pBlock, "A"));
    }
    EXPECT_EQ(1u, table.Count());
}

TEST(InstallerVariableTable, AVariableThatAnExportSetIsReplacedByItsNextCall) {
    CFakePlatform platform;
    CTestCallBlock table(4, 10, 18);
    table.Parameter("W");
    ASSERT_EQ(1, GetDate(table.Block()));
    ASSERT_EQ(1, GetDate(table.Block()));
    EXPECT_EQ(1u, table.Count());
    EXPECT_EQ("05+December+2026", table.Value("GD_DATE"));
}

}  // namespace
