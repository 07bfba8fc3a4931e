#include "brenwick/check_file_ver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "brenwick/brenwick_exports.h"
#include "fake_platform.h"
#include "test_call_block.h"

namespace {

const std::string kFixtures = BRENWICK_FIXTURE_DIR;
const std::string kVersion1900 = kFixtures + "/version_1_9_0_0.x64.dll";
const std::string kVersion2000 = kFixtures + "/version_2_0_0_0.x86.dll";
const std::string kVersion2001 = kFixtures + "/version_2_0_0_1.x64.dll";
const std::string kVersionHigh = kFixtures + "/version_65535_1_0_65535.x86.dll";
const std::string kBrenwickVersion = kFixtures + "/brenwick_version.x86.dll";
const char kUnknownConditionBox[] = "brenwick.dll|CheckFileVer()\nUnknown condition requested.";

// The parameter in a heap block of exactly its size, so that reading past its
// terminator is caught by the address sanitizer.
std::unique_ptr<char[]> ExactText(const std::string& text) {
    std::unique_ptr<char[]> p(new char[text.size() + 1]);
    std::memcpy(p.get(), text.c_str(), text.size() + 1);
    return p;
}

bool Parse(const std::string& text, CheckFileVerRequest* pRequest) {
    return ParseCheckFileVerParameter(ExactText(text).get(), pRequest);
}

int Check(const std::string& parameter) {
    CTestCallBlock block;
    std::unique_ptr<char[]> text = ExactText(parameter);
    block.Parameter(text.get());
    return CheckFileVer(block.Block());
}

// Parameter parsing

TEST(CheckFileVerParameter, SplitsTheFileNameTheConditionAndTheVersion) {
    CheckFileVerRequest request;
    ASSERT_TRUE(Parse("c:\\myfolder\\myfile.exe?LT:2,0,0,0", &request));
    EXPECT_STREQ("c:\\myfolder\\myfile.exe", request.szFileName);
    EXPECT_STREQ("LT", request.szCondition);
    EXPECT_EQ(0x00020000u, request.dwVersionMS);
    EXPECT_EQ(0u, request.dwVersionLS);
}

TEST(CheckFileVerParameter, ComposesTheTwoWordsFromTheFourParts) {
    CheckFileVerRequest request;
    ASSERT_TRUE(Parse("f?EQ:1,2,3,4", &request));
    EXPECT_EQ(0x00010002u, request.dwVersionMS);
    EXPECT_EQ(0x00030004u, request.dwVersionLS);
}

TEST(CheckFileVerParameter, APartAbove65535CarriesIntoTheNextMoreSignificantPart) {
    CheckFileVerRequest carried;
    CheckFileVerRequest plain;
    ASSERT_TRUE(Parse("f?EQ:1,65536,0,0", &carried));
    ASSERT_TRUE(Parse("f?EQ:2,0,0,0", &plain));
    EXPECT_EQ(plain.dwVersionMS, carried.dwVersionMS);
}

TEST(CheckFileVerParameter, AFileNameOf260CharactersParsesNormally) {
    const std::string name(260, 'n');
    CheckFileVerRequest request;
    ASSERT_TRUE(Parse(name + "?GE:1", &request));
    EXPECT_EQ(name, request.szFileName);
    EXPECT_STREQ("GE", request.szCondition);
    EXPECT_EQ(0x00010000u, request.dwVersionMS);
}

TEST(CheckFileVerParameter, ALongerFileNameIsCutAndOneCharacterSteppedOver) {
    CheckFileVerRequest request;
    ASSERT_TRUE(Parse(std::string(261, 'n') + "?EQ:1", &request));
    EXPECT_EQ(std::string(260, 'n'), request.szFileName);
    EXPECT_STREQ("?EQ", request.szCondition);
}

TEST(CheckFileVerParameter, AConditionIsCutAtThreeCharacters) {
    CheckFileVerRequest request;
    ASSERT_TRUE(Parse("f?EQUAL:1,0,0,0", &request));
    EXPECT_STREQ("EQU", request.szCondition);
}

TEST(CheckFileVerParameter, ATextThatEndsBeforeItsSeparatorsFailsWithoutReadingPastItsEnd) {
    CheckFileVerRequest request;
    for (const char* pszText : {"", "file.dll", "file.dll?", "file.dll?EQ", "file.dll?EQU"})
        EXPECT_FALSE(Parse(pszText, &request)) << pszText;
    EXPECT_TRUE(Parse("file.dll?EQ:", &request));
}

// Version scanning, as "%u,%u,%u,%u"

struct ScanCase {
    const char* pszText;
    uint32_t parts[4];
};

TEST(CheckFileVerParameter, ScansTheVersionWithTheConventionsOfTheCLibrary) {
    const ScanCase cases[] = {
        {"2", {2, 0, 0, 0}},
        {"1,2", {1, 2, 0, 0}},
        {" 1, 2,\t3,4", {1, 2, 3, 4}},
        {"1 ,2", {1, 0, 0, 0}},
        {"1,,3,4", {1, 0, 0, 0}},
        {"x,2", {0, 0, 0, 0}},
        {"", {0, 0, 0, 0}},
        {"+5,-1", {5, 0xFFFFFFFFu, 0, 0}},
        {"4294967296,4294967295", {0, 0xFFFFFFFFu, 0, 0}},
        {"1.2.3.4", {1, 0, 0, 0}},
        {"1,2,3,4,5", {1, 2, 3, 4}},
    };
    for (const ScanCase& scanCase : cases) {
        uint32_t parts[4];
        ScanVersionParts(scanCase.pszText, parts);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(scanCase.parts[i], parts[i]) << scanCase.pszText << " part " << i;
    }
}

// The six conditions

TEST(CheckFileVerCondition, MatchesTheSixNamesExactly) {
    EXPECT_EQ(kConditionEQ, ParseVersionCondition("EQ"));
    EXPECT_EQ(kConditionNE, ParseVersionCondition("NE"));
    EXPECT_EQ(kConditionLT, ParseVersionCondition("LT"));
    EXPECT_EQ(kConditionLE, ParseVersionCondition("LE"));
    EXPECT_EQ(kConditionGT, ParseVersionCondition("GT"));
    EXPECT_EQ(kConditionGE, ParseVersionCondition("GE"));
    for (const char* pszName : {"lt", "Eq", "EQU", "E", "", " EQ"})
        EXPECT_EQ(kConditionUnknown, ParseVersionCondition(pszName)) << pszName;
}

struct ConditionCase {
    uint32_t dwFileMS, dwFileLS, dwMS, dwLS;
    const char* pszTrueConditions;  // the conditions that hold, in EQ NE LT LE GT GE order
};

TEST(CheckFileVerCondition, OrdersVersionsByTheMostSignificantWordFirstUnsigned) {
    const ConditionCase cases[] = {
        {0x00020000, 0x00000001, 0x00020000, 0x00000000, "NE GT GE"},
        {0x00020000, 0x00000000, 0x00020000, 0x00000000, "EQ LE GE"},
        {0x00010009, 0x00000000, 0x00020000, 0x00000000, "NE LT LE"},
        {0x00010000, 0xFFFFFFFF, 0x00020000, 0x00000000, "NE LT LE"},
        {0xFFFF0001, 0x00000000, 0x00020000, 0x00000000, "NE GT GE"},
        {0x00020000, 0x80000000, 0x00020000, 0x00000001, "NE GT GE"},
    };
    const char* const kNames[] = {"EQ", "NE", "LT", "LE", "GT", "GE"};
    for (const ConditionCase& c : cases) {
        std::string holding;
        for (int i = 0; i < 6; ++i)
            if (VersionMeetsCondition(static_cast<EVersionCondition>(i), c.dwFileMS, c.dwFileLS, c.dwMS,
                                      c.dwLS))
                holding += (holding.empty() ? "" : " ") + std::string(kNames[i]);
        EXPECT_EQ(c.pszTrueConditions, holding) << std::hex << c.dwFileMS << "." << c.dwFileLS;
    }
    EXPECT_FALSE(VersionMeetsCondition(kConditionUnknown, 1, 1, 1, 1));
}

// The export, against PE files of known versions

TEST(CheckFileVerExport, TheDocumentedExampleHoldsForAnOlderFileOnly) {
    CFakePlatform platform;
    EXPECT_EQ(1, Check(kVersion1900 + "?LT:2,0,0,0"));
    EXPECT_EQ(0, Check(kVersion2000 + "?LT:2,0,0,0"));
    EXPECT_EQ(1, Check(kVersion2000 + "?LE:2,0,0,0"));
}

TEST(CheckFileVerExport, EveryConditionAgainstANewerFile) {
    CFakePlatform platform;
    EXPECT_EQ(0, Check(kVersion2001 + "?EQ:2,0,0,0"));
    EXPECT_EQ(1, Check(kVersion2001 + "?NE:2,0,0,0"));
    EXPECT_EQ(0, Check(kVersion2001 + "?LT:2,0,0,0"));
    EXPECT_EQ(0, Check(kVersion2001 + "?LE:2,0,0,0"));
    EXPECT_EQ(1, Check(kVersion2001 + "?GT:2,0,0,0"));
    EXPECT_EQ(1, Check(kVersion2001 + "?GE:2,0,0,0"));
    EXPECT_TRUE(platform.m_messages.empty());
}

TEST(CheckFileVerExport, AShortVersionTextComparesWithZerosForTheMissingParts) {
    CFakePlatform platform;
    EXPECT_EQ(1, Check(kVersion1900 + "?EQ:1,9"));
    EXPECT_EQ(1, Check(kVersion2000 + "?EQ:2"));
}

TEST(CheckFileVerExport, PartsOfTheFileVersionAbove32767CompareUnsigned) {
    CFakePlatform platform;
    EXPECT_EQ(1, Check(kVersionHigh + "?EQ:65535,1,0,65535"));
    EXPECT_EQ(1, Check(kVersionHigh + "?GT:2,0,0,0"));
    EXPECT_EQ(1, Check(kVersionHigh + "?LT:65535,1,1,0"));
}

TEST(CheckFileVerExport, ReadsTheFileVersionNotTheProductVersion) {
    CFakePlatform platform;
    EXPECT_EQ(1, Check(kBrenwickVersion + "?EQ:1,6,0,10"));
    EXPECT_EQ(0, Check(kBrenwickVersion + "?EQ:5,0,0,1"));
    EXPECT_EQ(0, Check(kVersion2000 + "?EQ:9,9,9,9"));
}

TEST(CheckFileVerExport, AnUnknownConditionShowsTheMessageAndGivesFalse) {
    CFakePlatform platform;
    EXPECT_EQ(0, Check(kVersion2000 + "?lt:3,0,0,0"));
    EXPECT_EQ(0, Check(kVersion2000 + "?EQUAL:2,0,0,0"));
    ASSERT_EQ(2u, platform.m_messages.size());
    EXPECT_EQ(kUnknownConditionBox, platform.m_messages[0]);
    EXPECT_EQ(kUnknownConditionBox, platform.m_messages[1]);
}

TEST(CheckFileVerExport, AFileWithoutAUsableVersionGivesFalseSilentlyWhateverTheCondition) {
    CFakePlatform platform;
    for (const std::string& file : {kFixtures + "/missing.dll", kFixtures + "/no_version.x64.dll",
                                    kFixtures + "/no_root_block.x64.dll", kFixtures + "/src/no_version.rc"}) {
        EXPECT_EQ(0, Check(file + "?GE:0,0,0,0")) << file;
        EXPECT_EQ(0, Check(file + "?xx:0")) << file;
    }
    EXPECT_TRUE(platform.m_messages.empty());
}

TEST(CheckFileVerExport, AParameterThatEndsEarlyGivesFalseWithoutLookingAtTheFile) {
    CFakePlatform platform;
    EXPECT_EQ(0, Check(kVersion2000));
    EXPECT_EQ(0, Check(kVersion2000 + "?EQ"));
    EXPECT_TRUE(platform.m_messages.empty());
}

TEST(CheckFileVerExport, ANullBlockOrParameterGivesFalse) {
    CFakePlatform platform;
    EXPECT_EQ(0, CheckFileVer(nullptr));
    CTestCallBlock block;
    block.Parameter(nullptr);
    EXPECT_EQ(0, CheckFileVer(block.Block()));
}

}  // namespace
