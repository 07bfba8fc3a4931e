// version_dump: prints the version resource of an executable or DLL in one
// text form, read either by the Windows version service or by brenwick's
// portable PE reader, so that both can be compared with the expected texts.
//
//   version_dump portable FILE
//   version_dump api FILE KEY...
//
// The portable reader lists every string of the first table in resource
// order; the version service cannot list, so it is asked for the given keys.
// Values show CR, LF, tab and backslash as \r \n \t \\.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "brenwick/platform/pe_version_reader.h"
#include "brenwick/platform/version_info_block.h"
#include "version_string_table.h"

namespace {

std::string Escape(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\r')
            escaped += "\\r";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '\\')
            escaped += "\\\\";
        else
            escaped += c;
    }
    return escaped;
}

void PrintFixed(const FixedFileInfo& info) {
    std::printf("fixed FileVersion=%u.%u.%u.%u\n", info.dwFileVersionMS >> 16, info.dwFileVersionMS & 0xFFFF,
                info.dwFileVersionLS >> 16, info.dwFileVersionLS & 0xFFFF);
    std::printf("fixed ProductVersion=%u.%u.%u.%u\n", info.dwProductVersionMS >> 16,
                info.dwProductVersionMS & 0xFFFF, info.dwProductVersionLS >> 16,
                info.dwProductVersionLS & 0xFFFF);
    std::printf(
        "fixed FileFlagsMask=0x%X\nfixed FileFlags=0x%X\nfixed FileOS=0x%X\nfixed FileType=0x%X\n"
        "fixed FileSubtype=0x%X\n",
        info.dwFileFlagsMask, info.dwFileFlags, info.dwFileOS, info.dwFileType, info.dwFileSubtype);
    std::printf("fixed FileDate=0x%X.0x%X\n", info.dwFileDateMS, info.dwFileDateLS);
}

int DumpPortable(const char* pszFile) {
    std::vector<uint8_t> resource;
    uint32_t nLanguage = 0;
    FixedFileInfo info{};
    VersionStringTable table;
    if (!ReadPeVersionResource(std::string(pszFile), &resource, &nLanguage) ||
        !ReadVersionRootBlock(resource, &info) || !ReadVersionStrings(resource, &table)) {
        std::fprintf(stderr, "version_dump: no readable version resource in %s\n", pszFile);
        return 1;
    }
    std::printf("resource language=0x%04X\n", nLanguage);
    PrintFixed(info);
    for (size_t i = 0; i + 1 < table.translation.size(); i += 2)
        std::printf("translation=0x%04X,%u\n", table.translation[i], table.translation[i + 1]);
    std::printf("string table=%s\n", table.name.c_str());
    for (const auto& entry : table.strings)
        std::printf("%s=%s\n", entry.first.c_str(), Escape(entry.second).c_str());
    return 0;
}

#if defined(_WIN32)
BOOL CALLBACK ListLanguage(HMODULE, LPCSTR, LPCSTR, WORD wLanguage, LONG_PTR lParam) {
    reinterpret_cast<std::vector<WORD>*>(lParam)->push_back(wLanguage);
    return TRUE;
}

// The service does not say which language it read: the language whose
// resource holds the bytes it gave.
uint32_t LanguageRead(const char* pszFile, const std::vector<char>& data) {
    uint32_t nLanguage = 0;
    HMODULE hModule = LoadLibraryExA(pszFile, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hModule) return nLanguage;
    std::vector<WORD> languages;
    EnumResourceLanguagesA(hModule, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), ListLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    for (WORD wLanguage : languages) {
        HRSRC hResource = FindResourceExA(hModule, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), wLanguage);
        HGLOBAL hData = hResource ? LoadResource(hModule, hResource) : nullptr;
        const DWORD dwSize = hResource ? SizeofResource(hModule, hResource) : 0;
        if (hData && dwSize <= data.size() && std::memcmp(LockResource(hData), data.data(), dwSize) == 0) {
            nLanguage = wLanguage;
            break;
        }
    }
    FreeLibrary(hModule);
    return nLanguage;
}

int DumpWithApi(const char* pszFile, int nKeys, char** ppszKeys) {
    DWORD dwHandle = 0;
    const DWORD dwSize = GetFileVersionInfoSizeA(pszFile, &dwHandle);
    std::vector<char> data(dwSize ? dwSize : 1);
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLength = 0;
    if (!dwSize || !GetFileVersionInfoA(pszFile, dwHandle, dwSize, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLength) || !pFixed) {
        std::fprintf(stderr, "version_dump: the version service finds no version resource in %s\n", pszFile);
        return 1;
    }
    std::printf("resource language=0x%04X\n", LanguageRead(pszFile, data));
    FixedFileInfo info{};
    static_assert(sizeof(info) == sizeof(VS_FIXEDFILEINFO), "the root block");
    std::memcpy(&info, pFixed, sizeof(info));
    PrintFixed(info);

    WORD* pTranslation = nullptr;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation),
                        &nLength))
        nLength = 0;
    for (UINT i = 0; i + 1 < nLength / sizeof(WORD); i += 2)
        std::printf("translation=0x%04X,%u\n", pTranslation[i], pTranslation[i + 1]);
    if (nLength < 2 * sizeof(WORD)) return 1;
    char szTable[16];
    std::snprintf(szTable, sizeof(szTable), "%04x%04x", pTranslation[0], pTranslation[1]);
    std::printf("string table=%s\n", szTable);
    for (int i = 0; i < nKeys; ++i) {
        const std::string path = std::string("\\StringFileInfo\\") + szTable + "\\" + ppszKeys[i];
        char* pszValue = nullptr;
        if (VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&pszValue), &nLength) &&
            pszValue)
            std::printf("%s=%s\n", ppszKeys[i], Escape(pszValue).c_str());
        else
            std::printf("%s (missing)\n", ppszKeys[i]);
    }
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::string mode = argc >= 3 ? argv[1] : "";
    if (mode == "portable" && argc == 3) return DumpPortable(argv[2]);
#if defined(_WIN32)
    if (mode == "api") return DumpWithApi(argv[2], argc - 3, argv + 3);
#endif
    std::fprintf(stderr, "usage: version_dump portable FILE | version_dump api FILE KEY...\n");
    return 2;
}
