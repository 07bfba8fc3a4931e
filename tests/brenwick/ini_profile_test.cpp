#include "brenwick/platform/ini_profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// The same text with its line ends as CR LF, as LF and as CR alone.
std::vector<std::pair<std::string, std::string>> LineEndVariants(const std::string& text) {
    std::string crlf;
    std::string cr;
    for (char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    return {{"CR LF", crlf}, {"LF", text}, {"CR", cr}};
}

// A list as it lies in the buffer, terminators shown as '|', up to and
// including the first empty name.
std::string ListText(const std::vector<char>& buffer) {
    std::string text;
    for (size_t i = 0; i < buffer.size(); ++i) {
        text += buffer[i] ? buffer[i] : '|';
        if (buffer[i] == '\0' && (i == 0 || buffer[i - 1] == '\0')) break;
    }
    return text;
}

const char kIni[] =
    "; settings written by hand\n"
    "top=before any section\n"
    "[Section]\n"
    "Key=value\n"
    "  Spaced  =   padded value   \n"
    "Quoted=\"in quotes\"\n"
    "Single='single'\n"
    "Unbalanced=\"open\n"
    "Lone=\"\n"
    "EmptyQuotes=\"\"\n"
    "Inner=a \"b\" c\n"
    "Bare\n"
    "Empty=\n"
    "Equals=a=b\n"
    ";Commented=hidden\n"
    "Key=second\n"
    "\n"
    "[ section two ]\n"
    "k=2\n"
    "[SECTION]\n"
    "Late=in a duplicate section\n"
    "[Tail]\n"
    "End=last\x1A\n";

struct ReadCase {
    const char* pszSection;
    const char* pszKey;
    const char* pszValue;
};

const ReadCase kReadCases[] = {
    {"Section", "Key", "value"},
    {"section", "KEY", "value"},
    {"  Section ", " Key\t", "value"},
    {"Section", "Spaced", "padded value"},
    {"Section", "Quoted", "in quotes"},
    {"Section", "Single", "single"},
    {"Section", "Unbalanced", "\"open"},
    {"Section", "Lone", "\""},
    {"Section", "EmptyQuotes", ""},
    {"Section", "Inner", "a \"b\" c"},
    {"Section", "Bare", ""},
    {"Section", "Empty", ""},
    {"Section", "Equals", "a=b"},
    {"Section", "Commented", ""},
    {"Section", "Late", ""},
    {"section two", "k", "2"},
    {"Tail", "End", "last"},
    {"Missing", "Key", ""},
    {"Section", "Missing", ""},
};

TEST(IniProfileRead, ValuesByTrimmedCaseInsensitiveNamesWithQuotesStripped) {
    for (const auto& variant : LineEndVariants(kIni)) {
        const CIniProfile profile(variant.second);
        for (const ReadCase& c : kReadCases) {
            char szBuffer[64];
            const uint32_t nLength = profile.GetString(c.pszSection, c.pszKey, szBuffer, sizeof(szBuffer));
            EXPECT_STREQ(c.pszValue, szBuffer) << variant.first << " [" << c.pszSection << "] " << c.pszKey;
            EXPECT_EQ(std::string(c.pszValue).size(), nLength) << variant.first << " " << c.pszKey;
        }
    }
}

TEST(IniProfileRead, AValueAtTheEdgeOfTheBufferIsCutToSizeLessOne) {
    for (const auto& variant : LineEndVariants(kIni)) {
        const CIniProfile profile(variant.second);
        for (const ReadCase& c : kReadCases) {
            const std::string value = c.pszValue;
            if (value.empty()) continue;
            std::vector<char> exact(value.size() + 1, '#');
            EXPECT_EQ(value.size(), profile.GetString(c.pszSection, c.pszKey, exact.data(), exact.size()));
            EXPECT_EQ(value, exact.data()) << variant.first;
            std::vector<char> shortBuffer(value.size() + 1, '#');
            EXPECT_EQ(value.size() - 1,
                      profile.GetString(c.pszSection, c.pszKey, shortBuffer.data(), value.size()));
            EXPECT_EQ(value.substr(0, value.size() - 1), shortBuffer.data()) << variant.first;
            EXPECT_EQ('#', shortBuffer.back());
        }
    }
}

TEST(IniProfileRead, BuffersOfOneAndNoByte) {
    const CIniProfile profile("[S]\nk=v\n");
    char sz[2] = {'#', '#'};
    EXPECT_EQ(0u, profile.GetString("S", "k", sz, 1));
    EXPECT_EQ('\0', sz[0]);
    sz[0] = '#';
    EXPECT_EQ(0u, profile.GetString("S", "k", sz, 0));
    EXPECT_EQ('#', sz[0]);
    EXPECT_EQ(0u, profile.GetSectionNames(sz, 0));
    EXPECT_EQ('#', sz[0]);
    EXPECT_EQ(0u, profile.GetSectionNames(sz, 1));
    EXPECT_EQ('\0', sz[0]);
}

TEST(IniProfileList, SectionNamesInFileOrderWithTheirDuplicates) {
    for (const auto& variant : LineEndVariants(kIni)) {
        const CIniProfile profile(variant.second);
        std::vector<char> buffer(256, '#');
        EXPECT_EQ(33u, profile.GetSectionNames(buffer.data(), buffer.size()));
        EXPECT_EQ("Section|section two|SECTION|Tail||", ListText(buffer)) << variant.first;
    }
}

TEST(IniProfileList, KeyNamesOfTheFirstMatchingSectionWithoutBareKeysAndComments) {
    for (const auto& variant : LineEndVariants(kIni)) {
        const CIniProfile profile(variant.second);
        std::vector<char> buffer(256, '#');
        profile.GetKeyNames("SECTION", buffer.data(), buffer.size());
        EXPECT_EQ("Key|Spaced|Quoted|Single|Unbalanced|Lone|EmptyQuotes|Inner|Empty|Equals|Key||",
                  ListText(buffer))
            << variant.first;
        EXPECT_EQ(0u, profile.GetKeyNames("Missing", buffer.data(), buffer.size()));
        EXPECT_EQ("|", ListText(buffer));
    }
}

// An empty name would end the list where it stands and hide every key after it.
TEST(IniProfileList, AKeyWithoutANameDoesNotHideTheKeysAfterIt) {
    const CIniProfile profile("[S]\n=no name\n  = blank name\nafter=1\n");
    std::vector<char> buffer(64, '#');
    EXPECT_EQ(6u, profile.GetKeyNames("S", buffer.data(), buffer.size()));
    EXPECT_EQ("after||", ListText(buffer));
}

TEST(IniProfileList, SectionContentsAsTheyStandWithoutComments) {
    for (const auto& variant : LineEndVariants(kIni)) {
        const CIniProfile profile(variant.second);
        std::vector<char> buffer(256, '#');
        EXPECT_EQ(9u, profile.GetSection("tail", buffer.data(), buffer.size()));
        EXPECT_EQ("End=last||", ListText(buffer)) << variant.first;
        profile.GetSection("section", buffer.data(), buffer.size());
        EXPECT_EQ(
            "Key=value|Spaced=padded value|Quoted=\"in quotes\"|Single='single'|Unbalanced=\"open|Lone=\"|"
            "EmptyQuotes=\"\"|Inner=a \"b\" c|Bare|Empty=|Equals=a=b|Key=second||",
            ListText(buffer))
            << variant.first;
    }
}

TEST(IniProfileList, AnEmptyOrCommentOnlySectionHasNoContents) {
    const CIniProfile profile("[Empty]\n[Comments]\n; nothing here\n[Next]\nk=v\n");
    for (const char* pszSection : {"Empty", "Comments", "Missing"}) {
        std::vector<char> buffer(16, '#');
        EXPECT_EQ(0u, profile.GetSection(pszSection, buffer.data(), buffer.size()));
        EXPECT_EQ(std::string("\0\0#", 3), std::string(buffer.data(), 3)) << pszSection;
    }
    char sz[1] = {'#'};
    EXPECT_EQ(0u, profile.GetSection("Missing", sz, 1));
    EXPECT_EQ('\0', sz[0]);
}

// Only reading and writing a value trim the names asked for; listing and
// deleting look for the name as it is given.
TEST(IniProfileList, ListingAndDeletingTakeTheSectionNameAsGiven) {
    CIniProfile profile("[S]\nk=1\n");
    char szBuffer[16];
    EXPECT_EQ(0u, profile.GetKeyNames(" S ", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(0u, profile.GetSection("S\t", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(1u, profile.GetString(" s ", " K ", szBuffer, sizeof(szBuffer)));
    EXPECT_FALSE(profile.DeleteSection(" S "));
    EXPECT_FALSE(profile.DeleteKey(" S ", "k"));
    EXPECT_FALSE(profile.DeleteKey("S", " k "));
    EXPECT_EQ(2u, profile.GetKeyNames("s", szBuffer, sizeof(szBuffer)));
    EXPECT_TRUE(profile.SetString(" S ", " k ", "2"));
    EXPECT_EQ("[S]\r\nk=2\r\n", profile.Render());
    EXPECT_TRUE(profile.DeleteKey("s", "K"));
}

struct ListEdgeCase {
    uint32_t nSize;
    uint32_t nResult;
    const char* pszList;
};

// "ab" and "cd" need 7 bytes, "ab|cd||", and count 6 characters. Like the
// service, a list that exactly fills its buffer reports size - 2 as if cut.
const ListEdgeCase kListEdges[] = {
    {8, 6, "ab|cd||"}, {7, 5, "ab|cd||"}, {6, 4, "ab|c||"}, {5, 3, "ab||"},
    {4, 2, "ab||"},    {3, 1, "a||"},     {2, 0, "|"},      {1, 0, "|"},
};

TEST(IniProfileList, AListCutToFitEndsWithTwoTerminatorsAndReturnsSizeLessTwo) {
    for (const ListEdgeCase& edge : kListEdges) {
        std::vector<char> buffer(edge.nSize + 4, '#');
        EXPECT_EQ(edge.nResult, FillProfileList({"ab", "cd"}, buffer.data(), edge.nSize)) << edge.nSize;
        EXPECT_EQ("####", std::string(buffer.end() - 4, buffer.end())) << "past the buffer, " << edge.nSize;
        buffer.resize(edge.nSize);
        EXPECT_EQ(edge.pszList, ListText(buffer)) << edge.nSize;
    }
}

TEST(IniProfileList, EveryListAtTheEdgesOfItsBuffer) {
    for (const auto& variant : LineEndVariants("[ab]\nx=1\n[cd]\nab=1\ncd=2\nzz\n")) {
        const CIniProfile profile(variant.second);
        for (const ListEdgeCase& edge : kListEdges) {
            std::vector<char> sections(edge.nSize, '#');
            std::vector<char> keys(edge.nSize, '#');
            EXPECT_EQ(edge.nResult, profile.GetSectionNames(sections.data(), edge.nSize)) << variant.first;
            EXPECT_EQ(edge.pszList, ListText(sections)) << variant.first << " " << edge.nSize;
            EXPECT_EQ(edge.nResult, profile.GetKeyNames("cd", keys.data(), edge.nSize)) << variant.first;
            EXPECT_EQ(edge.pszList, ListText(keys)) << variant.first << " " << edge.nSize;
        }
    }
}

TEST(IniProfileRead, AByteOrderMarkDoesNotBecomePartOfTheFirstSection) {
    const CIniProfile profile("\xEF\xBB\xBF[First]\r\nk=v\r\n");
    char szBuffer[32];
    EXPECT_EQ(1u, profile.GetString("First", "k", szBuffer, sizeof(szBuffer)));
    EXPECT_STREQ("v", szBuffer);
    EXPECT_EQ(6u, profile.GetSectionNames(szBuffer, sizeof(szBuffer)));
    EXPECT_STREQ("First", szBuffer);
}

TEST(IniProfileRead, ACarriageReturnAloneEndsALineAnywhereInTheFile) {
    const CIniProfile profile("[S]\r\na=1\r\nb=2\rc=3\r[T]\nk=v\r[U]\nj=1\n");
    char szBuffer[32];
    EXPECT_EQ(6u, profile.GetKeyNames("S", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(0, std::memcmp("a\0b\0c\0", szBuffer, 7));
    EXPECT_EQ(1u, profile.GetString("T", "k", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(1u, profile.GetString("U", "j", szBuffer, sizeof(szBuffer)));
}

// The service keeps names and values as terminated strings.
TEST(IniProfileRead, ANulEndsTheNameOrValueInWhichItStands) {
    CIniProfile profile(std::string("[K]\r\nB=\0\r\nC=x\0y\r\nj\0=1\r\n[s\0t]\r\nq=1\r\n", 34));
    char szBuffer[32];
    EXPECT_EQ(0u, profile.GetString("K", "B", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(1u, profile.GetString("K", "C", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(1u, profile.GetString("K", "j", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(1u, profile.GetString("s", "q", szBuffer, sizeof(szBuffer)));
    // Nothing changes where the value is the one read, and once written,
    // every line that held a NUL is written as it reads.
    EXPECT_FALSE(profile.SetString("K", "C", "x"));
    EXPECT_TRUE(profile.SetString("K", "n", "1"));
    EXPECT_EQ("[K]\r\nB=\r\nC=x\r\nj=1\r\nn=1\r\n[s]\r\nq=1\r\n", profile.Render());
}

TEST(IniProfileRead, ALargeFileWithCarriageReturnsAloneIsReadInOnePass) {
    std::string text = "[S]\r";
    for (int i = 0; i < 100000; ++i) text += "key" + std::to_string(i) + "=value\r";
    const CIniProfile profile(text);
    char szBuffer[16];
    EXPECT_EQ(5u, profile.GetString("S", "key99999", szBuffer, sizeof(szBuffer)));
}

TEST(IniProfileRead, AnUnclosedHeaderIsAnOrdinaryLine) {
    const CIniProfile profile("[Open\nk=v\n[Closed] trailing\nj=w\n");
    char szBuffer[32];
    EXPECT_EQ(7u, profile.GetSectionNames(szBuffer, sizeof(szBuffer)));
    EXPECT_STREQ("Closed", szBuffer);
    EXPECT_EQ(1u, profile.GetString("Closed", "j", szBuffer, sizeof(szBuffer)));
}

// Writing

std::string Written(const std::string& text, const char* pszSection, const char* pszKey,
                    const char* pszValue) {
    CIniProfile profile(text);
    profile.SetString(pszSection, pszKey, pszValue);
    return profile.Render();
}

TEST(IniProfileWrite, AnUnchangedProfileRendersItsLinesAsTheyStoodWithCrLf) {
    for (const auto& variant : LineEndVariants("; comment\n\n  [ S ]  \n a = 1 \nbare\n")) {
        EXPECT_EQ("; comment\r\n\r\n  [ S ]  \r\n a = 1 \r\nbare\r\n", CIniProfile(variant.second).Render())
            << variant.first;
    }
}

TEST(IniProfileWrite, ReplacingAValueRewritesOnlyItsLine) {
    for (const auto& variant : LineEndVariants("; comment\n[S]\n a = 1 \nB=2\n\n[T]\nb=3\n")) {
        EXPECT_EQ("; comment\r\n[S]\r\n a = 1 \r\nB=new\r\n\r\n[T]\r\nb=3\r\n",
                  Written(variant.second, "s", "b", "new"))
            << variant.first;
    }
    for (const auto& variant : LineEndVariants("[S]\na=1\n\n"))
        EXPECT_EQ("[S]\r\na=2\r\n\r\n", Written(variant.second, "S", "a", "2"))
            << "a blank last line, " << variant.first;
}

TEST(IniProfileWrite, ANewKeyJoinsItsSectionAheadOfTheBlankLinesThatCloseIt) {
    EXPECT_EQ("[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nx=1\r\n", Written("[S]\na=1\n\n[T]\nx=1\n", "S", "b", "2"));
}

TEST(IniProfileWrite, ANewSectionIsAddedAtTheEnd) {
    EXPECT_EQ("[S]\r\na=1\r\n[New]\r\nk=v\r\n", Written("[S]\na=1\n", " New ", " k ", "v"));
    EXPECT_EQ("[New]\r\nk=v\r\n", Written("", "New", "k", "v"));
}

TEST(IniProfileWrite, TheBlanksBeforeAValueAreDropped) {
    EXPECT_EQ("[S]\r\nk=v \r\n", Written("", "S", "k", " \tv "));
}

TEST(IniProfileWrite, WritingTheSameValueChangesNothing) {
    CIniProfile profile("[S]\nk = v\n");
    EXPECT_FALSE(profile.SetString("S", "K", "v"));
    EXPECT_EQ("[S]\r\nk = v\r\n", profile.Render());
    EXPECT_TRUE(profile.SetString("S", "K", "w"));
}

TEST(IniProfileWrite, ANullKeyDeletesTheFirstMatchingSectionWithItsLines) {
    CIniProfile profile("[A]\na=1\n; about B\n[B]\nb=1\n\n[C]\nc=1\n[b]\nb=2\n");
    EXPECT_TRUE(profile.SetString("B", nullptr, nullptr));
    EXPECT_EQ("[A]\r\na=1\r\n; about B\r\n[C]\r\nc=1\r\n[b]\r\nb=2\r\n", profile.Render());
    EXPECT_FALSE(profile.DeleteSection("Missing"));
}

TEST(IniProfileWrite, DeletingTheLeadingSectionLeavesNoneOfItsKeys) {
    CIniProfile profile("top=1\nnext=2\n[S]\nk=v\n");
    EXPECT_TRUE(profile.DeleteSection(""));
    char szBuffer[32];
    EXPECT_EQ(0u, profile.GetString("", "top", szBuffer, sizeof(szBuffer)));
    EXPECT_EQ(0u, profile.GetKeyNames("", szBuffer, sizeof(szBuffer)));
    EXPECT_TRUE(profile.SetString("", "top", "3"));
    EXPECT_EQ("top=3\r\n[S]\r\nk=v\r\n", profile.Render());
}

TEST(IniProfileWrite, ANullValueDeletesTheKey) {
    CIniProfile profile("[A]\na=1\nb=2\n");
    EXPECT_TRUE(profile.SetString("A", "A", nullptr));
    EXPECT_EQ("[A]\r\nb=2\r\n", profile.Render());
    EXPECT_FALSE(profile.DeleteKey("A", "missing"));
}

TEST(IniProfileWrite, AByteOrderMarkIsWrittenBack) {
    EXPECT_EQ("\xEF\xBB\xBF[First]\r\nk=w\r\n", Written("\xEF\xBB\xBF[First]\nk=v\n", "First", "k", "w"));
}

}  // namespace
