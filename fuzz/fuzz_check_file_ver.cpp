// CheckFileVer's parameter text and the installer's variable table, both as
// a script or a host might fill them: the parameter is parsed and compared with
// the C library's scan and a plain comparison; the table, of fuzzed capacity,
// widths and contents (entries need not be terminated), is searched and
// written by the variable operations and by the exports that set variables.
// Every table is allocated at exactly the size its fields describe, so that a
// read or a write past any entry shows.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "brenwick/brenwick_exports.h"
#include "brenwick/check_file_ver.h"
#include "brenwick/platform/portable_platform.h"
#include "fuzz_support.h"

namespace {

// A text as a C string sees it: cut at its first zero byte.
std::string CText(const std::string& text) {
    return std::string(text.c_str());
}

// The version of the file and of the system come from the input.
class CFuzzPlatform : public CPortablePlatform {
public:
    bool ReadFileVersion(const char*, uint32_t* pdwMS, uint32_t* pdwLS) override {
        if (!m_bHasFile) return false;
        *pdwMS = m_dwFileMS;
        *pdwLS = m_dwFileLS;
        return true;
    }
    bool QueryOsVersion(OsVersionRecord* pRecord) override {
        if (!m_bHasVersion) return false;
        *pRecord = m_version;
        return true;
    }
    UtcDate GetUtcDate() override { return m_date; }
    void ShowMessageBox(const char*, const char*) override { ++m_nMessages; }
    // Paths from a fuzzed table must never reach the file system.
    uint32_t ListProfileSections(char* pBuffer, uint32_t nSize, const char*) override {
        if (nSize > 1) pBuffer[0] = pBuffer[1] = '\0';
        return 0;
    }
    bool WriteProfileValue(const char*, const char*, const char*, const char*) override { return false; }

    bool m_bHasFile = false;
    uint32_t m_dwFileMS = 0;
    uint32_t m_dwFileLS = 0;
    bool m_bHasVersion = false;
    OsVersionRecord m_version{};
    UtcDate m_date{2026, 12, 7};
    int m_nMessages = 0;
};

// When every number of the version is short enough that the C library's
// result is defined, the version must scan as sscanf scans it and be composed
// from the four parts.
void CheckVersionScan(const std::string& text, const CheckFileVerRequest& request) {
    size_t nDigits = 0;
    for (char c : text) {
        nDigits = c >= '0' && c <= '9' ? nDigits + 1 : 0;
        if (nDigits > 9) return;
    }
    unsigned expected[4] = {0, 0, 0, 0};
    std::sscanf(text.c_str(), "%u,%u,%u,%u", &expected[0], &expected[1], &expected[2], &expected[3]);
    uint32_t parts[4];
    ScanVersionParts(text.c_str(), parts);
    for (int i = 0; i < 4; ++i)
        if (parts[i] != expected[i]) Fail("version scanned unlike sscanf", text);
    if (request.dwVersionMS != expected[0] * 65536u + expected[1] ||
        request.dwVersionLS != expected[2] * 65536u + expected[3])
        Fail("version words", text);
}

void CheckParameter(CFuzzPlatform& platform, const std::string& parameter) {
    // A heap copy of exactly the text and its terminator.
    std::vector<char> text(parameter.begin(), parameter.end());
    text.push_back('\0');
    CheckFileVerRequest request;
    const bool bParsed = ParseCheckFileVerParameter(text.data(), &request);
    const size_t nQuestion = parameter.find('?');
    const bool bHasBoth = nQuestion != std::string::npos;
    if (bParsed) {
        if (std::strlen(request.szFileName) > kMaxCheckFileNameLength ||
            std::strlen(request.szCondition) > kMaxConditionLength)
            Fail("parsed pieces too long", parameter);
        if (parameter.compare(0, std::strlen(request.szFileName), request.szFileName) != 0)
            Fail("file name is not the start of the parameter", parameter);
    } else if (bHasBoth && nQuestion <= kMaxCheckFileNameLength && parameter.find(':', nQuestion) != std::string::npos &&
               parameter.find(':', nQuestion) - nQuestion <= kMaxConditionLength + 1) {
        Fail("a well-formed parameter was refused", parameter);
    }
    const size_t nColon = bHasBoth ? parameter.find(':', nQuestion) : std::string::npos;
    if (bParsed && nQuestion <= kMaxCheckFileNameLength && nColon != std::string::npos &&
        nColon - nQuestion <= kMaxConditionLength + 1)
        CheckVersionScan(parameter.substr(nColon + 1), request);

    InstallerCallBlock block{};
    block.parameter = text.data();
    const int nMessagesBefore = platform.m_nMessages;
    const int nResult = CheckFileVer(&block);
    if (!bParsed || !platform.m_bHasFile) {
        if (nResult != 0) Fail("TRUE without a version to compare", parameter);
        return;
    }
    const EVersionCondition condition = ParseVersionCondition(request.szCondition);
    const uint64_t nFile = uint64_t(platform.m_dwFileMS) << 32 | platform.m_dwFileLS;
    const uint64_t nWanted = uint64_t(request.dwVersionMS) << 32 | request.dwVersionLS;
    bool bExpected = false;
    switch (condition) {
        case kConditionEQ: bExpected = nFile == nWanted; break;
        case kConditionNE: bExpected = nFile != nWanted; break;
        case kConditionLT: bExpected = nFile < nWanted; break;
        case kConditionLE: bExpected = nFile <= nWanted; break;
        case kConditionGT: bExpected = nFile > nWanted; break;
        case kConditionGE: bExpected = nFile >= nWanted; break;
        case kConditionUnknown:
            if (platform.m_nMessages != nMessagesBefore + 1) Fail("unknown condition without its message", parameter);
            break;
    }
    if (nResult != (bExpected ? 1 : 0)) Fail("wrong comparison result", parameter);
}

// The host's variable table: every entry exactly its width, the tables
// exactly as many entries as the fields allow to be addressed.
class CFuzzTable {
public:
    explicit CFuzzTable(FuzzedDataProvider& input) {
        m_block.maxVariables = input.ConsumeIntegralInRange<uint32_t>(0, 12);
        m_block.nameWidth = input.ConsumeIntegralInRange<uint32_t>(0, 40);
        m_block.valueWidth = input.ConsumeIntegralInRange<uint32_t>(0, 40);
        m_block.variableCount = input.ConsumeIntegralInRange<uint32_t>(0, 12);
        const size_t nEntries = std::max(m_block.maxVariables, m_block.variableCount);
        m_names.resize(nEntries * m_block.nameWidth);
        m_values.resize(nEntries * m_block.valueWidth);
        for (size_t i = 0; i < m_block.variableCount; ++i) {
            FillEntry(input, m_names.data() + i * m_block.nameWidth, m_block.nameWidth, true);
            FillEntry(input, m_values.data() + i * m_block.valueWidth, m_block.valueWidth, false);
        }
        m_block.variableNames = m_names.empty() && !input.ConsumeBool() ? nullptr : m_names.data();
        m_block.variableValues = m_values.empty() && !input.ConsumeBool() ? nullptr : m_values.data();
        m_block.parameter = "";
    }

    InstallerCallBlock& Block() { return m_block; }
    const std::vector<char>& Names() const { return m_names; }
    const std::vector<char>& Values() const { return m_values; }

private:
    // Names are often a well-formed "%NAME%", so that searches find them.
    static void FillEntry(FuzzedDataProvider& input, char* pEntry, size_t nWidth, bool bName) {
        if (nWidth == 0) return;
        std::string text = input.ConsumeRandomLengthString(nWidth + 2);
        if (bName && input.ConsumeBool()) text = "%" + text + "%";
        if (input.ConsumeBool()) text.push_back('\0');
        std::memcpy(pEntry, text.data(), std::min(text.size(), nWidth));
    }

    InstallerCallBlock m_block{};
    std::vector<char> m_names;
    std::vector<char> m_values;
};

std::string Entry(const std::vector<char>& table, size_t nIndex, size_t nWidth) {
    const char* p = table.data() + nIndex * nWidth;
    return std::string(p, strnlen(p, nWidth));
}

// The index of the variable as the search must find it, or the count.
size_t FindEntry(CFuzzTable& table, const std::string& key) {
    const InstallerCallBlock& block = table.Block();
    for (size_t i = 0; i < block.variableCount; ++i)
        if (key.size() < block.nameWidth && Entry(table.Names(), i, block.nameWidth) == key) return i;
    return block.variableCount;
}

bool IsUsable(const InstallerCallBlock& block) {
    return block.nameWidth > 0 && block.valueWidth > 0 && block.variableNames && block.variableValues;
}

void CheckSetAndGet(CFuzzTable& table, const std::string& name, const std::string& value, size_t nOutSize) {
    InstallerCallBlock& block = table.Block();
    const uint32_t nCountBefore = block.variableCount;
    const std::vector<char> namesBefore = table.Names();
    const std::vector<char> valuesBefore = table.Values();
    const std::string key = "%" + name + "%";
    const bool bValidName = name.size() <= kMaxVariableNameLength;
    const size_t nFound = bValidName ? FindEntry(table, key) : nCountBefore;

    SetInstallerVariable(&block, name.c_str(), value.c_str());

    const bool bStored = IsUsable(block) && bValidName &&
                         (nFound < nCountBefore || (nCountBefore < block.maxVariables && key.size() < block.nameWidth));
    if (block.variableCount != nCountBefore + (bStored && nFound == nCountBefore ? 1 : 0))
        Fail("variable count", name);
    // Nothing but the entry of the variable may change.
    for (size_t i = 0; i < namesBefore.size(); ++i)
        if (table.Names()[i] != namesBefore[i] && !(bStored && i / block.nameWidth == nFound))
            Fail("a name entry of another variable changed", name);
    for (size_t i = 0; i < valuesBefore.size(); ++i)
        if (table.Values()[i] != valuesBefore[i] && !(bStored && i / block.valueWidth == nFound))
            Fail("a value entry of another variable changed", name);
    if (bStored && Entry(table.Names(), nFound, block.nameWidth) != key) Fail("name entry", name);
    const std::string stored = value.substr(0, bStored ? std::min(value.size(), size_t(block.valueWidth) - 1) : 0);
    if (bStored && Entry(table.Values(), nFound, block.valueWidth) != stored) Fail("value entry", name);

    std::vector<char> out(nOutSize, 'x');
    const bool bWhole = GetInstallerVariable(&block, name.c_str(), out.empty() ? nullptr : out.data(), out.size());
    if (out.empty()) {
        if (bWhole) Fail("a value read into no buffer", name);
        return;
    }
    const std::string read(out.data(), strnlen(out.data(), out.size()));
    if (read.size() == out.size()) Fail("read value without its terminator", name);
    if (bStored && read != stored.substr(0, nOutSize - 1)) Fail("value read back", name);
    if (bStored && bWhole != (stored.size() < nOutSize)) Fail("whether the value was cut", name);
}

const char* const kExportVariables[] = {"WINVER", "WIN2000", "GD_DATE"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CFuzzPlatform platform;
    SetPlatform(&platform);
    FuzzedDataProvider input(pData, nSize);

    platform.m_bHasFile = input.ConsumeBool();
    platform.m_dwFileMS = input.ConsumeIntegral<uint32_t>();
    platform.m_dwFileLS = input.ConsumeIntegral<uint32_t>();
    CheckParameter(platform, CText(input.ConsumeRandomLengthString(400)));

    CFuzzTable table(input);
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange<int>(0, 4)) {
            case 0: {
                const std::string name = CText(input.ConsumeRandomLengthString(34));
                const std::string value = CText(input.ConsumeRandomLengthString(64));
                CheckSetAndGet(table, name, value, input.ConsumeIntegralInRange<size_t>(0, 48));
                break;
            }
            case 1: {
                const std::string name = kExportVariables[input.ConsumeIntegralInRange<int>(0, 2)];
                CheckSetAndGet(table, name, CText(input.ConsumeRandomLengthString(64)),
                               input.ConsumeIntegralInRange<size_t>(0, 48));
                break;
            }
            case 2: {
                platform.m_bHasVersion = input.ConsumeBool();
                platform.m_version.dwPlatformId = input.ConsumeIntegralInRange<uint32_t>(0, 3);
                platform.m_version.dwMajorVersion = input.ConsumeIntegralInRange<uint32_t>(2, 7);
                platform.m_version.dwMinorVersion = input.ConsumeIntegral<uint8_t>();
                platform.m_version.dwBuildNumber = input.ConsumeIntegral<uint32_t>();
                const std::string servicePack = input.ConsumeRandomLengthString(140);
                std::memset(platform.m_version.szCSDVersion, 0, sizeof platform.m_version.szCSDVersion);
                servicePack.copy(platform.m_version.szCSDVersion, sizeof platform.m_version.szCSDVersion - 1);
                if (GetWinVer(&table.Block()) != (platform.m_bHasVersion ? 1 : 0)) Fail("GetWinVer result", "");
                CheckWin2000(&table.Block());
                break;
            }
            case 3: {
                const std::string parameter = input.ConsumeRandomLengthString(8);
                platform.m_date = {input.ConsumeIntegralInRange<int>(-10000, 100000),
                                   input.ConsumeIntegralInRange<int>(-1, 14), input.ConsumeIntegralInRange<int>(-1, 40)};
                table.Block().parameter = parameter.c_str();
                if (GetDate(&table.Block()) != 1) Fail("GetDate result", parameter);
                table.Block().parameter = "";
                break;
            }
            default:
                // Reads its variables from the fuzzed table; the paths name no
                // file, so nothing is written.
                MergeINI(&table.Block());
                break;
        }
    }
    SetPlatform(nullptr);
    return 0;
}
