// export_smoke: loads brenwick.dll the way the installer does and calls every
// export once by its undecorated name, with a call block laid out word by
// word as the installer lays it out (not through brenwick's own header). In
// the 32-bit build it also checks that each export removes its argument from
// the stack, as the WINAPI convention requires.
//
//   export_smoke DLL CHECKFILEVER-PARAMETER
//
// Prints one line per export: its name, "result=R", "stack=ok" (or what was
// wrong) and the variables in the table afterwards. Exit status 0 when every
// export was found and left the stack as it should, else 1.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kExports[] = {"CheckFileVer", "CheckWin2000",   "CleanZOVToolbars", "GetDate",
                                "GetWinVer",    "SettingChanged", "MergeINI"};

constexpr uint32_t kCapacity = 16;
constexpr uint32_t kNameWidth = 32;
constexpr uint32_t kValueWidth = 260;

// The block as the installer fills it. In a 32-bit process it is eleven
// 32-bit words: addresses at bytes 24, 28 and 40.
struct CallBlock {
#if defined(_WIN64)
    uint32_t words[6];
    char* names;
    char* values;
    uint32_t hostWords[2];
    const char* parameter;
#else
    uint32_t words[11];
#endif
};

class CVariableTable {
public:
    explicit CVariableTable(const char* pszParameter)
        : m_names(kCapacity * kNameWidth, '\0'), m_values(kCapacity * kValueWidth, '\0') {
        std::memset(&m_block, 0, sizeof(m_block));
        m_block.words[2] = kCapacity;
        m_block.words[3] = kNameWidth;
        m_block.words[4] = kValueWidth;
#if defined(_WIN64)
        m_block.names = m_names.data();
        m_block.values = m_values.data();
        m_block.parameter = pszParameter;
#else
        static_assert(sizeof(CallBlock) == 44, "the installer's block");
        m_block.words[6] = reinterpret_cast<uint32_t>(m_names.data());
        m_block.words[7] = reinterpret_cast<uint32_t>(m_values.data());
        m_block.words[10] = reinterpret_cast<uint32_t>(pszParameter);
#endif
    }

    void Set(const char* pszName, const char* pszValue) {
        const uint32_t i = m_block.words[5]++;
        std::snprintf(&m_names[i * kNameWidth], kNameWidth, "%%%s%%", pszName);
        std::snprintf(&m_values[i * kValueWidth], kValueWidth, "%s", pszValue);
    }

    void* Block() {
        return &m_block;
    }

    std::string Describe() const {
        std::string text;
        for (uint32_t i = 0; i < m_block.words[5] && i < kCapacity; ++i)
            text += std::string(" ") + &m_names[i * kNameWidth] + "=" + &m_values[i * kValueWidth];
        return text;
    }

private:
    CallBlock m_block;
    std::vector<char> m_names;
    std::vector<char> m_values;
};

// Calls the export with the block's address as its one argument and reports
// how far the stack pointer moved across the call: 0 when the export removed
// its argument, -4 when it left it to the caller.
int CallExport(FARPROC pExport, void* pBlock, long* pnStackMoved) {
#if defined(_WIN64)
    *pnStackMoved = 0;
    return reinterpret_cast<int (*)(void*)>(reinterpret_cast<void*>(pExport))(pBlock);
#else
    int nResult;
    long nMoved;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "pushl %[block]\n\t"
        "call *%[function]\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%esi, %%ecx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=&a"(nResult), "=&c"(nMoved)
        : [block] "r"(pBlock), [function] "r"(pExport)
        : "esi", "edx", "memory", "cc");
    *pnStackMoved = nMoved;
    return nResult;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: export_smoke DLL CHECKFILEVER-PARAMETER\n");
        return 2;
    }
    HMODULE hModule = LoadLibraryA(argv[1]);
    if (!hModule) {
        std::printf("cannot load %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    int nStatus = 0;
    for (const char* pszName : kExports) {
        const FARPROC pExport = GetProcAddress(hModule, pszName);
        if (!pExport) {
            std::printf("%s missing\n", pszName);
            nStatus = 1;
            continue;
        }
        const bool bCheckFileVer = std::strcmp(pszName, "CheckFileVer") == 0;
        CVariableTable table(bCheckFileVer ? argv[2] : "");
        // A merge that finds no mode touches no file.
        if (std::strcmp(pszName, "MergeINI") == 0) table.Set("MI_MODE", "");
        long nMoved = 0;
        const int nResult = CallExport(pExport, table.Block(), &nMoved);
        std::printf("%s result=%d stack=%s%s\n", pszName, nResult, nMoved == 0 ? "ok" : "unbalanced",
                    table.Describe().c_str());
        if (nMoved != 0) nStatus = 1;
    }
    FreeLibrary(hModule);
    std::fflush(stdout);
    return nStatus;
}
