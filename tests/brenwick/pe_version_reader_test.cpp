#include "brenwick/platform/pe_version_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brenwick/platform/version_info_block.h"
#include "version_string_table.h"
#if defined(_WIN32)
#include "brenwick/platform/win32_platform.h"
#include "temp_directory.h"
#endif

namespace {

const std::string kFixtures = BRENWICK_FIXTURE_DIR;

std::vector<uint8_t> FixtureBytes(const std::string& name) {
    std::ifstream file(kFixtures + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t n) {
    return bytes[n] | bytes[n + 1] << 8 | bytes[n + 2] << 16 | static_cast<uint32_t>(bytes[n + 3]) << 24;
}

void PutU16(std::vector<uint8_t>& bytes, size_t n, uint16_t value) {
    bytes[n] = static_cast<uint8_t>(value);
    bytes[n + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, size_t n, uint32_t value) {
    PutU16(bytes, n, static_cast<uint16_t>(value));
    PutU16(bytes, n + 2, static_cast<uint16_t>(value >> 16));
}

// Where the parts of a fixture lie, found independently of the reader.
struct PeLayout {
    size_t nFileHeader;
    size_t nOptionalHeader;
    size_t nResourceRoot;  // file offset of the resource directory
};

PeLayout Layout(const std::vector<uint8_t>& bytes) {
    PeLayout layout{};
    layout.nFileHeader = GetU32(bytes, 0x3C) + 4;
    layout.nOptionalHeader = layout.nFileHeader + 20;
    const size_t nOptionalSize = bytes[layout.nFileHeader + 16] | bytes[layout.nFileHeader + 17] << 8;
    const size_t nSections = bytes[layout.nFileHeader + 2];
    for (size_t i = 0; i < nSections; ++i) {
        const size_t nHeader = layout.nOptionalHeader + nOptionalSize + 40 * i;
        if (std::memcmp(&bytes[nHeader], ".rsrc", 6) == 0) layout.nResourceRoot = GetU32(bytes, nHeader + 20);
    }
    return layout;
}

bool ReadWords(const std::vector<uint8_t>& bytes, uint32_t* pdwMS, uint32_t* pdwLS) {
    CMemoryByteSource source(bytes.data(), bytes.size());
    std::vector<uint8_t> resource;
    FixedFileInfo info{};
    if (!ReadPeVersionResource(source, &resource) || !ReadVersionRootBlock(resource, &info)) return false;
    *pdwMS = info.dwFileVersionMS;
    *pdwLS = info.dwFileVersionLS;
    return true;
}

bool Readable(const std::vector<uint8_t>& bytes) {
    uint32_t dwMS = 0;
    uint32_t dwLS = 0;
    return ReadWords(bytes, &dwMS, &dwLS);
}

struct VersionCase {
    const char* pszFile;
    uint32_t dwMS;
    uint32_t dwLS;
};

TEST(PeVersionReader, ReadsTheFileVersionOf32And64BitFiles) {
    const VersionCase cases[] = {
        {"version_1_9_0_0.x64.dll", 0x00010009, 0x00000000},
        {"version_2_0_0_0.x86.dll", 0x00020000, 0x00000000},
        {"version_2_0_0_1.x64.dll", 0x00020000, 0x00000001},
        {"version_65535_1_0_65535.x86.dll", 0xFFFF0001, 0x0000FFFF},
        {"brenwick_version.x86.dll", 0x00010006, 0x0000000A},
    };
    for (const VersionCase& c : cases) {
        std::vector<uint8_t> resource;
        ASSERT_TRUE(ReadPeVersionResource(kFixtures + "/" + c.pszFile, &resource)) << c.pszFile;
        FixedFileInfo info{};
        ASSERT_TRUE(ReadVersionRootBlock(resource, &info)) << c.pszFile;
        EXPECT_EQ(0xFEEF04BDu, info.dwSignature) << c.pszFile;
        EXPECT_EQ(c.dwMS, info.dwFileVersionMS) << c.pszFile;
        EXPECT_EQ(c.dwLS, info.dwFileVersionLS) << c.pszFile;
    }
}

TEST(PeVersionReader, FilesWithoutAVersionResourceOrNotPeAreRefused) {
    std::vector<uint8_t> resource;
    EXPECT_FALSE(ReadPeVersionResource(kFixtures + "/no_version.x64.dll", &resource));
    EXPECT_FALSE(ReadPeVersionResource(kFixtures + "/missing.dll", &resource));
    EXPECT_FALSE(ReadPeVersionResource(kFixtures + "/src/no_version.rc", &resource));
    EXPECT_FALSE(ReadPeVersionResource(kFixtures, &resource));
    const std::vector<uint8_t> empty;
    EXPECT_FALSE(Readable(empty));
}

TEST(PeVersionReader, AVersionResourceWithoutRootBlockHasNoFileVersion) {
    std::vector<uint8_t> resource;
    ASSERT_TRUE(ReadPeVersionResource(kFixtures + "/no_root_block.x64.dll", &resource));
    FixedFileInfo info{};
    EXPECT_FALSE(ReadVersionRootBlock(resource, &info));
}

TEST(PeVersionReader, AFileCutShortAnywhereIsRefusedOrReadInFull) {
    for (const char* pszFile : {"version_2_0_0_1.x64.dll", "version_2_0_0_0.x86.dll"}) {
        const std::vector<uint8_t> whole = FixtureBytes(pszFile);
        ASSERT_FALSE(whole.empty());
        size_t nFirstReadable = whole.size();
        for (size_t nLength = 0; nLength < whole.size(); ++nLength) {
            const std::vector<uint8_t> cut(whole.begin(),
                                           whole.begin() + static_cast<std::ptrdiff_t>(nLength));
            uint32_t dwMS = 0;
            uint32_t dwLS = 0;
            if (!ReadWords(cut, &dwMS, &dwLS)) continue;
            if (nFirstReadable == whole.size()) nFirstReadable = nLength;
            EXPECT_EQ(0x00020000u, dwMS) << pszFile << " cut at " << nLength;
        }
        // The resource section is the last one, so everything before its data
        // must be there.
        EXPECT_GT(nFirstReadable, Layout(whole).nResourceRoot) << pszFile;
    }
}

TEST(PeVersionReader, DamagedHeadersAreRefused) {
    const std::vector<uint8_t> good = FixtureBytes("version_2_0_0_1.x64.dll");
    const PeLayout layout = Layout(good);
    ASSERT_TRUE(Readable(good));

    std::vector<uint8_t> bytes = good;
    bytes[0] = 'X';
    EXPECT_FALSE(Readable(bytes)) << "MZ";
    bytes = good;
    PutU32(bytes, 0x3C, 0xFFFFFFF0);
    EXPECT_FALSE(Readable(bytes)) << "PE header beyond the end";
    bytes = good;
    PutU16(bytes, layout.nFileHeader + 2, 0xFFFF);
    EXPECT_FALSE(Readable(bytes)) << "section count";
    bytes = good;
    PutU16(bytes, layout.nOptionalHeader, 0x0107);
    EXPECT_FALSE(Readable(bytes)) << "optional header magic";
    bytes = good;
    PutU32(bytes, layout.nOptionalHeader + 108, 2);
    EXPECT_FALSE(Readable(bytes)) << "no resource directory entry";
    bytes = good;
    PutU16(bytes, layout.nFileHeader + 16, 112);
    EXPECT_FALSE(Readable(bytes)) << "optional header too short for the resource directory";
    bytes = good;
    PutU32(bytes, layout.nOptionalHeader + 128, 0x7FFFFFF0);
    EXPECT_FALSE(Readable(bytes)) << "resource directory outside every section";
}

// The entries of a fixture's one version resource, found independently of
// the reader.
struct ResourceEntries {
    size_t nRoot, nTypeEntry, nNameDirectory, nNameEntry, nLanguageDirectory, nLanguageEntry, nDataEntry;
};

ResourceEntries Entries(const std::vector<uint8_t>& bytes) {
    ResourceEntries entries{};
    entries.nRoot = Layout(bytes).nResourceRoot;
    entries.nTypeEntry = entries.nRoot + 16;  // the only type: RT_VERSION
    entries.nNameDirectory = GetU32(bytes, entries.nTypeEntry + 4) & 0x7FFFFFFF;
    entries.nNameEntry = entries.nRoot + entries.nNameDirectory + 16;
    entries.nLanguageDirectory = GetU32(bytes, entries.nNameEntry + 4) & 0x7FFFFFFF;
    entries.nLanguageEntry = entries.nRoot + entries.nLanguageDirectory + 16;
    entries.nDataEntry = entries.nRoot + GetU32(bytes, entries.nLanguageEntry + 4);
    return entries;
}

TEST(PeVersionReader, DamagedResourceDirectoriesAreRefused) {
    const std::vector<uint8_t> good = FixtureBytes("version_2_0_0_1.x64.dll");
    const ResourceEntries entries = Entries(good);
    const size_t nRoot = entries.nRoot;
    const size_t nTypeEntry = entries.nTypeEntry;
    const uint32_t nNameDirectory = static_cast<uint32_t>(entries.nNameDirectory);
    const size_t nNameEntry = entries.nNameEntry;
    const uint32_t nLanguageDirectory = static_cast<uint32_t>(entries.nLanguageDirectory);
    const size_t nLanguageEntry = entries.nLanguageEntry;
    const size_t nDataEntry = entries.nDataEntry;
    ASSERT_EQ(16u, GetU32(good, nTypeEntry));
    ASSERT_EQ(1u, GetU32(good, nNameEntry));

    std::vector<uint8_t> bytes = good;
    PutU16(bytes, nRoot + 12, 0xFFFF);
    PutU16(bytes, nRoot + 14, 0xFFFF);
    EXPECT_FALSE(Readable(bytes)) << "entry counts beyond the file";
    bytes = good;
    PutU32(bytes, nTypeEntry, 3);
    EXPECT_FALSE(Readable(bytes)) << "no RT_VERSION";
    bytes = good;
    PutU32(bytes, nNameEntry, 2);
    EXPECT_FALSE(Readable(bytes)) << "version resource not named 1";
    bytes = good;
    PutU32(bytes, nTypeEntry + 4, 0x80000000);
    EXPECT_FALSE(Readable(bytes)) << "type entry leading back to the root";
    bytes = good;
    PutU32(bytes, nTypeEntry + 4, nNameDirectory);
    EXPECT_FALSE(Readable(bytes)) << "data where a directory belongs";
    bytes = good;
    PutU32(bytes, nLanguageEntry + 4, 0x80000000 | nLanguageDirectory);
    EXPECT_FALSE(Readable(bytes)) << "directory where data belongs";
    bytes = good;
    PutU32(bytes, nDataEntry, 0xFFFFFF00);
    EXPECT_FALSE(Readable(bytes)) << "data address outside every section";
}

// Sizes in the root block and the data entry that disagree with the bytes,
// as odd resource tools leave them: the fixed part is read where the version
// service reads it. Under Windows every case is also held against the
// service itself, through the platform that the DLL uses.
TEST(PeVersionReader, SizesThatDisagreeWithTheBytesReadAsTheVersionServiceReadsThem) {
    const std::vector<uint8_t> good = FixtureBytes("version_1_9_0_0.x64.dll");
    const std::string key("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0", 30);
    const size_t nBlock = std::search(good.begin(), good.end(), key.begin(), key.end()) - good.begin() - 6;
    const size_t nDataSize = Entries(good).nDataEntry + 4;
    ASSERT_EQ(GetU32(good, nDataSize), static_cast<uint32_t>(good[nBlock] | good[nBlock + 1] << 8));
    enum Field { kLength, kValueLength, kDataSize };
    struct Case {
        const char* pszCase;
        Field field;
        uint32_t nValue;
        bool bRead;
        uint32_t dwMS;
    };
    const Case cases[] = {
        {"wLength 0", kLength, 0, true, 0x00010009},
        {"wLength 6", kLength, 6, true, 0x00010009},
        {"wLength 40, the key alone", kLength, 40, true, 0x00010009},
        {"wLength 65535", kLength, 65535, true, 0x00010009},
        {"wValueLength 65535", kValueLength, 65535, true, 0x00010009},
        {"wValueLength 51, less than the fixed part", kValueLength, 51, false, 0},
        {"data size below wLength", kDataSize, 100, true, 0x00010009},
        {"data size that ends inside the version", kDataSize, 50, true, 0x00000009},
        {"data size past the section", kDataSize, 4000, true, 0x00010009},
        {"data size of 4 GiB", kDataSize, 0xFFFFFFFF, true, 0x00010009},
        {"data size 0", kDataSize, 0, false, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        if (c.field == kDataSize)
            PutU32(bytes, nDataSize, c.nValue);
        else
            PutU16(bytes, nBlock + (c.field == kLength ? 0 : 2), static_cast<uint16_t>(c.nValue));
        uint32_t dwMS = 0;
        uint32_t dwLS = 0;
        EXPECT_EQ(c.bRead, ReadWords(bytes, &dwMS, &dwLS)) << c.pszCase;
        EXPECT_EQ(c.dwMS, dwMS) << c.pszCase;
#if defined(_WIN32)
        // Wine's service reads past the mapped image for a size far beyond
        // the section; the file itself is never that large.
        if (c.nValue == 0xFFFFFFFF || c.nValue == 0) continue;
        CTempDirectory directory;
        const std::string path = directory.Write("patched.dll", std::string(bytes.begin(), bytes.end()));
        uint32_t dwServiceMS = 0;
        uint32_t dwServiceLS = 0;
        EXPECT_EQ(c.bRead, CWin32Platform().ReadFileVersion(path.c_str(), &dwServiceMS, &dwServiceLS))
            << c.pszCase;
        EXPECT_EQ(c.dwMS, dwServiceMS) << c.pszCase;
#endif
    }
}

// The language entries of the two-language fixture: German (0x0407), then
// English (United States, 0x0409).
struct LanguageCase {
    const char* pszCase;
    uint16_t nUserLanguage;
    uint32_t nGermanId;
    uint32_t nEnglishId;
    bool bEnglishIsDirectory;
    uint32_t nLanguage;  // the language read
    uint32_t dwLS;       // and its file version's low word: 7 German, 9 English
};

TEST(PeVersionReader, PicksTheLanguageInTheLoadersSearchOrder) {
    const std::vector<uint8_t> good = FixtureBytes("two_languages.x86.dll");
    const size_t nRoot = Layout(good).nResourceRoot;
    const uint32_t nNameDirectory = GetU32(good, nRoot + 16 + 4) & 0x7FFFFFFF;
    const uint32_t nLanguageDirectory = GetU32(good, nRoot + nNameDirectory + 16 + 4) & 0x7FFFFFFF;
    const size_t nGerman = nRoot + nLanguageDirectory + 16;
    const size_t nEnglish = nGerman + 8;
    ASSERT_EQ(0x0407u, GetU32(good, nGerman));
    ASSERT_EQ(0x0409u, GetU32(good, nEnglish));

    const LanguageCase cases[] = {
        {"English user", 0x0409, 0x0407, 0x0409, false, 0x0409, 9},
        {"German user", 0x0407, 0x0407, 0x0409, false, 0x0407, 7},
        {"Austrian user: English before the first listed", 0x0C07, 0x0407, 0x0409, false, 0x0409, 9},
        {"French user", 0x040C, 0x0407, 0x0409, false, 0x0409, 9},
        {"neutral before the user's own", 0x0407, 0x0407, 0x0000, false, 0x0000, 9},
        {"primary language, neutral sub-language", 0x0807, 0x0C07, 0x0007, false, 0x0007, 9},
        {"none in the order: the first listed", 0x0409, 0x0407, 0x0809, false, 0x0407, 7},
        {"a directory is no language entry", 0x0409, 0x0407, 0x0409, true, 0x0407, 7},
    };
    for (const LanguageCase& c : cases) {
        std::vector<uint8_t> bytes = good;
        PutU32(bytes, nGerman, c.nGermanId);
        PutU32(bytes, nEnglish, c.nEnglishId);
        if (c.bEnglishIsDirectory) PutU32(bytes, nEnglish + 4, GetU32(bytes, nEnglish + 4) | 0x80000000);
        CMemoryByteSource source(bytes.data(), bytes.size());
        std::vector<uint8_t> resource;
        uint32_t nLanguage = 0;
        FixedFileInfo info{};
        ASSERT_TRUE(ReadPeVersionResource(source, &resource, &nLanguage, c.nUserLanguage)) << c.pszCase;
        ASSERT_TRUE(ReadVersionRootBlock(resource, &info)) << c.pszCase;
        EXPECT_EQ(c.nLanguage, nLanguage) << c.pszCase;
        EXPECT_EQ(c.dwLS, info.dwFileVersionLS) << c.pszCase;
    }
}

// The version block itself, built by hand.

std::vector<uint8_t> Block(uint16_t nLength, uint16_t nValueLength, uint16_t nType, const std::string& key) {
    std::vector<uint8_t> bytes(6);
    PutU16(bytes, 0, nLength);
    PutU16(bytes, 2, nValueLength);
    PutU16(bytes, 4, nType);
    for (char c : key + '\0') {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    while (bytes.size() % 4) bytes.push_back(0);
    return bytes;
}

TEST(VersionInfoBlock, TheFixedPartLiesAfterTheKeyWhateverTheBlockLengthSays) {
    std::vector<uint8_t> resource = Block(40 + 52, 52, 0, "VS_VERSION_INFO");
    resource.resize(40 + 52, 0);
    PutU32(resource, 40 + 8, 0x00030004);
    FixedFileInfo info{};
    for (uint16_t nLength : {0, 6, 40, 40 + 51, 40 + 53, 65535}) {
        std::vector<uint8_t> bytes = resource;
        PutU16(bytes, 0, nLength);
        info.dwFileVersionMS = 0;
        ASSERT_TRUE(ReadVersionRootBlock(bytes, &info)) << nLength;
        EXPECT_EQ(0x00030004u, info.dwFileVersionMS) << nLength;
    }
    // What lies past the resource reads as zero, as far as the service's copy goes.
    std::vector<uint8_t> cut(resource.begin(), resource.begin() + 50);
    ASSERT_TRUE(ReadVersionRootBlock(cut, &info));
    EXPECT_EQ(0x00000004u, info.dwFileVersionMS);

    std::vector<uint8_t> shortValue = resource;
    PutU16(shortValue, 2, 51);
    EXPECT_FALSE(ReadVersionRootBlock(shortValue, &info)) << "value shorter than the fixed information";
    std::vector<uint8_t> text = resource;
    PutU16(text, 4, kVersionTextValue);
    EXPECT_FALSE(ReadVersionRootBlock(text, &info)) << "a text value";
    EXPECT_FALSE(ReadVersionRootBlock(std::vector<uint8_t>(resource.begin(), resource.begin() + 40), &info))
        << "fixed part beyond the service's copy";
    std::vector<uint8_t> openKey(resource.begin(), resource.begin() + 30);
    EXPECT_FALSE(ReadVersionRootBlock(openKey, &info)) << "key without terminator";
    EXPECT_FALSE(ReadVersionRootBlock(std::vector<uint8_t>(5, 0), &info)) << "shorter than a header";
}

TEST(VersionInfoBlock, ReadsTheStringTableAndTranslationInResourceOrder) {
    std::vector<uint8_t> resource;
    ASSERT_TRUE(ReadPeVersionResource(kFixtures + "/version_2_0_0_1.x64.dll", &resource));
    VersionStringTable table;
    ASSERT_TRUE(ReadVersionStrings(resource, &table));
    EXPECT_EQ("080904b0", table.name);
    ASSERT_EQ(1u, table.strings.size());
    EXPECT_EQ("FileVersion", table.strings[0].first);
    EXPECT_EQ("2.0.0.1", table.strings[0].second);
    EXPECT_EQ((std::vector<uint16_t>{0x0809, 1200}), table.translation);
}

TEST(VersionInfoBlock, ADamagedStringTableIsRefused) {
    std::vector<uint8_t> resource;
    ASSERT_TRUE(ReadPeVersionResource(kFixtures + "/version_2_0_0_1.x64.dll", &resource));
    const size_t nStringFileInfo = 40 + 52;
    VersionStringTable table;
    std::vector<uint8_t> bytes = resource;
    PutU16(bytes, nStringFileInfo, 0xFFFF);
    EXPECT_FALSE(ReadVersionStrings(bytes, &table));
    bytes = resource;
    PutU16(bytes, nStringFileInfo, 3);
    EXPECT_FALSE(ReadVersionStrings(bytes, &table));
    EXPECT_FALSE(ReadVersionStrings(std::vector<uint8_t>(), &table));
}

}  // namespace
