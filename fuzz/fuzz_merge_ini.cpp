// MergeINI on a fuzzed pair of files, each in ANSI, UTF-8 or UTF-16, and a
// fuzzed mode. The export reads and writes the files through the portable
// platform's cache, which parses each once and writes the destination at the
// end; the same merge done on one profile in memory must leave exactly the
// same file. The source is never changed.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brenwick/brenwick_exports.h"
#include "brenwick/merge_ini.h"
#include "brenwick/platform/code_page_1252.h"
#include "brenwick/platform/ini_profile.h"
#include "brenwick/platform/portable_platform.h"
#include "brenwick/platform/text_encoding.h"
#include "fuzz_support.h"

namespace {

std::string ReadFile(const std::string& path, bool* pbExists) {
    std::ifstream file(path, std::ios::binary);
    *pbExists = static_cast<bool>(file);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A file of sections and keys built from the input, so that the two files
// share names more often than random text would, in one of the encodings.
std::string IniText(FuzzedDataProvider& input) {
    static const char* const kLines[] = {"[A]", "[a]", "[B]", " [ B ] ", "k=1", "K=2", "k=", "j = ' x '",
                                         "; k=3", "=v", "k", "", "[C", "x=\"y\""};
    std::string text;
    const size_t nLines = input.ConsumeIntegralInRange<size_t>(0, 24);
    for (size_t i = 0; i < nLines; ++i) {
        if (input.ConsumeBool())
            text += kLines[input.ConsumeIntegralInRange<size_t>(0, std::size(kLines) - 1)];
        else
            text += input.ConsumeRandomLengthString(40);
        text += input.ConsumeBool() ? "\r\n" : "\n";
    }
    // A zero byte has no place in a text file, and both files stay well
    // inside the 2048 bytes that any list of them is read into.
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    text = text.substr(0, 1500);
    const ETextEncoding encodings[] = {ETextEncoding::kAnsi, ETextEncoding::kUtf8, ETextEncoding::kUtf16Le,
                                       ETextEncoding::kUtf16Be};
    const ETextEncoding encoding = encodings[input.ConsumeIntegralInRange<size_t>(0, 3)];
    if (encoding == ETextEncoding::kAnsi) return text;
    return ByteOrderMark(encoding) + EncodeText(encoding, AnsiToUnicode(text));
}

template <typename Visit>
void ForEachName(const char* pList, Visit visit) {
    for (const char* p = pList; *p != '\0'; p += std::strlen(p) + 1) visit(p);
}

// The merge as the decision table states it, on one profile in memory.
// Returns whether any key changed.
bool MergeInMemory(const CIniProfile& source, CIniProfile& destination, const MergeMode& mode) {
    bool bChanged = false;
    std::vector<char> sections(kProfileBufferSize);
    source.GetSectionNames(sections.data(), uint32_t(sections.size()));
    ForEachName(sections.data(), [&](const char* pszSection) {
        std::vector<char> keys(kProfileBufferSize);
        source.GetKeyNames(pszSection, keys.data(), uint32_t(keys.size()));
        ForEachName(keys.data(), [&](const char* pszKey) {
            std::vector<char> value(kProfileBufferSize);
            const bool bPresent =
                destination.GetString(pszSection, pszKey, value.data(), uint32_t(value.size())) > 0;
            const bool bCopy = (mode.bReplace && mode.bInsert) || (bPresent ? mode.bReplace : mode.bInsert);
            if (!bCopy || source.GetString(pszSection, pszKey, value.data(), uint32_t(value.size())) == 0) return;
            bChanged = destination.SetString(pszSection, pszKey, value.data()) || bChanged;
        });
    });
    return bChanged;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzedDataProvider input(pData, nSize);
    static const char* const kModes[] = {"R", "I", "RI", "IR", "ri", "", "xRy"};
    const std::string mode = kModes[input.ConsumeIntegralInRange<size_t>(0, std::size(kModes) - 1)];
    const bool bDestinationExists = input.ConsumeIntegralInRange<int>(0, 7) != 0;
    const std::string sourceText = IniText(input);
    const std::string destinationText = IniText(input);

    const std::string source = WriteScratchFile("source.ini", reinterpret_cast<const uint8_t*>(sourceText.data()),
                                                sourceText.size());
    std::string destination = ScratchPath("destination.ini");
    std::remove(destination.c_str());
    if (bDestinationExists)
        destination = WriteScratchFile("destination.ini",
                                       reinterpret_cast<const uint8_t*>(destinationText.data()),
                                       destinationText.size());

    std::vector<char> names(4 * 16);
    std::vector<char> values(4 * 512);
    InstallerCallBlock block{};
    block.maxVariables = 4;
    block.nameWidth = 16;
    block.valueWidth = 512;
    block.variableNames = names.data();
    block.variableValues = values.data();
    block.parameter = "";
    SetInstallerVariable(&block, "MI_MODE", mode.c_str());
    SetInstallerVariable(&block, "MI_SRC", source.c_str());
    SetInstallerVariable(&block, "MI_DEST", destination.c_str());

    const int nResult = MergeINI(&block);

    bool bExists = false;
    if (ReadFile(source, &bExists) != sourceText) Fail("the source changed", sourceText);
    const MergeMode parsed = ParseMergeMode(mode.c_str());
    const CIniProfile sourceProfile(sourceText);
    std::vector<char> sections(kProfileBufferSize);
    const bool bHasSections = sourceProfile.GetSectionNames(sections.data(), uint32_t(sections.size())) > 0;
    const bool bRuns = (parsed.bReplace || parsed.bInsert) && bHasSections;
    if (nResult != (bRuns ? 1 : 0)) Fail("result", "mode " + mode + "\n" + sourceText);

    CIniProfile expected(bDestinationExists ? destinationText : std::string());
    const bool bChanged = bRuns && MergeInMemory(sourceProfile, expected, parsed);
    const std::string after = ReadFile(destination, &bExists);
    if (!bChanged) {
        if (bExists != bDestinationExists || (bExists && after != destinationText))
            Fail("the destination changed without a key to merge", destinationText + "\n---\n" + after);
    } else if (!bExists || after != expected.Render()) {
        Fail("merged file", "mode " + mode + "\nsource:\n" + sourceText + "\ndestination:\n" + destinationText +
                                "\nmerged:\n" + after + "\nexpected:\n" + expected.Render());
    }
    return 0;
}
