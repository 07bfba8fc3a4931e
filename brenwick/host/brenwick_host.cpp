// brenwick-host: stands in for the installer's script engine. It loads the
// library at run time, finds an export by its undecorated name, fills a call
// block with the variables and the parameter given on its command line, calls
// the export and prints the result and every variable of the table afterwards.
//
//   brenwick-host [OPTIONS] LIBRARY EXPORT [PARAMETER [NAME=VALUE...]]
//
// The parameter is always the argument after EXPORT (give "" to pass variables
// without one); without it the export gets the empty text. Options:
//   --windir DIR       the directory where the portable library's profile
//                      engine looks for an INI file named without a directory
//   --capacity N       entries of the variable table (default 64, at least as
//                      many as there are variables on the command line)
//   --name-width N     bytes of one name entry (default 32)
//   --value-width N    bytes of one value entry (default 1024)
//
// Standard output: "result=R", R being what the export returned, then one line
// "NAME=VALUE" for each entry of the table in table order, the name without
// its percent signs. Exit status 0 after a call, 1 when the library, the
// export or the host hook cannot be found, 2 for a usage error.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "brenwick/brenwick_exports.h"

namespace {

const char kUsage[] =
    "usage: brenwick-host [--windir DIR] [--capacity N] [--name-width N] [--value-width N]\n"
    "                     LIBRARY EXPORT [PARAMETER [NAME=VALUE...]]\n";
const char kHostHookName[] = "BrenwickHostSetWindowsDirectory";

typedef int (*HostHook)(const char*);

struct Options {
    std::string windowsDirectory;
    bool bWindowsDirectory = false;
    long nCapacity = -1;
    long nNameWidth = 32;
    long nValueWidth = 1024;
    std::string library;
    std::string exportName;
    std::string parameter;
    std::vector<std::pair<std::string, std::string>> variables;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "brenwick-host: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// The host keeps its table in memory of its own: at most 256 MiB of it.
constexpr uint64_t kMaxTableBytes = 256u << 20;

bool ParseCount(const char* pszText, long nMinimum, long* pnValue) {
    char* pEnd = nullptr;
    const long nValue = std::strtol(pszText, &pEnd, 10);
    if (pEnd == pszText || *pEnd != '\0' || nValue < nMinimum || nValue > 0x1000000) return false;
    *pnValue = nValue;
    return true;
}

// Returns 0 when the command line is usable, else the usage error's status.
int ParseCommandLine(int argc, char** argv, Options* pOptions) {
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return UsageError(option + " needs a value");
        const char* pszValue = argv[++i];
        if (option == "--windir") {
            pOptions->windowsDirectory = pszValue;
            pOptions->bWindowsDirectory = true;
        } else if (option == "--capacity") {
            if (!ParseCount(pszValue, 0, &pOptions->nCapacity))
                return UsageError("bad --capacity " + std::string(pszValue));
        } else if (option == "--name-width") {
            if (!ParseCount(pszValue, 1, &pOptions->nNameWidth))
                return UsageError("bad --name-width " + std::string(pszValue));
        } else if (option == "--value-width") {
            if (!ParseCount(pszValue, 1, &pOptions->nValueWidth))
                return UsageError("bad --value-width " + std::string(pszValue));
        } else {
            return UsageError("unknown option " + option);
        }
    }
    if (argc - i < 2) return UsageError("LIBRARY and EXPORT are required");
    pOptions->library = argv[i++];
    pOptions->exportName = argv[i++];
    if (i < argc) pOptions->parameter = argv[i++];
    for (; i < argc; ++i) {
        const char* pszEquals = std::strchr(argv[i], '=');
        if (!pszEquals || pszEquals == argv[i])
            return UsageError(std::string("expected NAME=VALUE: ") + argv[i]);
        std::string name(argv[i], static_cast<size_t>(pszEquals - argv[i]));
        std::string value(pszEquals + 1);
        bool bReplaced = false;
        for (auto& variable : pOptions->variables)
            if (variable.first == name) {
                variable.second = value;
                bReplaced = true;
            }
        if (!bReplaced) pOptions->variables.emplace_back(name, value);
    }
    const long nGiven = static_cast<long>(pOptions->variables.size());
    if (pOptions->nCapacity < 0) pOptions->nCapacity = nGiven > 64 ? nGiven : 64;
    if (pOptions->nCapacity < nGiven)
        return UsageError("--capacity is smaller than the number of variables given");
    const uint64_t nCapacity = static_cast<uint64_t>(pOptions->nCapacity);
    if (nCapacity * static_cast<uint64_t>(pOptions->nNameWidth) > kMaxTableBytes ||
        nCapacity * static_cast<uint64_t>(pOptions->nValueWidth) > kMaxTableBytes)
        return UsageError("the variable table would need more than 256 MiB");
    for (const auto& variable : pOptions->variables) {
        if (static_cast<long>(variable.first.size()) + 3 > pOptions->nNameWidth)
            return UsageError("name does not fit a name entry: " + variable.first);
        if (static_cast<long>(variable.second.size()) + 1 > pOptions->nValueWidth)
            return UsageError("value does not fit a value entry: " + variable.first);
    }
    return 0;
}

class CLibrary {
public:
    explicit CLibrary(const std::string& path) {
#if defined(_WIN32)
        m_hModule = LoadLibraryA(path.c_str());
#else
        m_hModule = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~CLibrary() {
        if (!m_hModule) return;
#if defined(_WIN32)
        FreeLibrary(m_hModule);
#else
        dlclose(m_hModule);
#endif
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    bool IsLoaded() const { return m_hModule != nullptr; }
    std::string LoadError() const {
#if defined(_WIN32)
        return "error " + std::to_string(GetLastError());
#else
        const char* pszError = dlerror();
        return pszError ? pszError : "unknown error";
#endif
    }
    template <typename Function>
    Function Find(const char* pszName) const {
#if defined(_WIN32)
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(m_hModule, pszName)));
#else
        return reinterpret_cast<Function>(dlsym(m_hModule, pszName));
#endif
    }

private:
#if defined(_WIN32)
    HMODULE m_hModule;
#else
    void* m_hModule;
#endif
};

// The table as a script engine keeps it: two arrays of fixed-width entries,
// each name between percent signs.
class CVariableTable {
public:
    explicit CVariableTable(const Options& options)
        : m_names(static_cast<size_t>(options.nCapacity) * static_cast<size_t>(options.nNameWidth) + 1, '\0'),
          m_values(static_cast<size_t>(options.nCapacity) * static_cast<size_t>(options.nValueWidth) + 1,
                   '\0') {
        m_block.maxVariables = static_cast<uint32_t>(options.nCapacity);
        m_block.nameWidth = static_cast<uint32_t>(options.nNameWidth);
        m_block.valueWidth = static_cast<uint32_t>(options.nValueWidth);
        m_block.variableNames = m_names.data();
        m_block.variableValues = m_values.data();
        m_block.parameter = options.parameter.c_str();
        for (const auto& variable : options.variables) {
            const std::string key = "%" + variable.first + "%";
            const size_t nIndex = m_block.variableCount;
            std::memcpy(m_names.data() + nIndex * m_block.nameWidth, key.c_str(), key.size() + 1);
            std::memcpy(m_values.data() + nIndex * m_block.valueWidth, variable.second.c_str(),
                        variable.second.size() + 1);
            ++m_block.variableCount;
        }
    }

    InstallerCallBlock* Block() { return &m_block; }

    void Print() const {
        for (uint32_t i = 0; i < m_block.variableCount && i < m_block.maxVariables; ++i) {
            std::string name = Entry(m_names, i, m_block.nameWidth);
            if (name.size() >= 2 && name.front() == '%' && name.back() == '%')
                name = name.substr(1, name.size() - 2);
            std::printf("%s=%s\n", name.c_str(), Entry(m_values, i, m_block.valueWidth).c_str());
        }
    }

private:
    static std::string Entry(const std::vector<char>& table, uint32_t nIndex, uint32_t nWidth) {
        const char* pEntry = table.data() + static_cast<size_t>(nIndex) * nWidth;
        const void* pEnd = std::memchr(pEntry, '\0', nWidth);
        return std::string(pEntry, pEnd ? static_cast<const char*>(pEnd) - pEntry : nWidth);
    }

    InstallerCallBlock m_block{};
    std::vector<char> m_names;
    std::vector<char> m_values;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int nStatus = ParseCommandLine(argc, argv, &options)) return nStatus;

    CLibrary library(options.library);
    if (!library.IsLoaded()) {
        std::fprintf(stderr, "brenwick-host: cannot load %s: %s\n", options.library.c_str(),
                     library.LoadError().c_str());
        return 1;
    }
    const BrenwickExport pExport = library.Find<BrenwickExport>(options.exportName.c_str());
    if (!pExport) {
        std::fprintf(stderr, "brenwick-host: %s has no export %s\n", options.library.c_str(),
                     options.exportName.c_str());
        return 1;
    }
    if (options.bWindowsDirectory) {
        const HostHook pHook = library.Find<HostHook>(kHostHookName);
        if (!pHook) {
            std::fprintf(stderr, "brenwick-host: %s takes no --windir: it has no %s\n",
                         options.library.c_str(), kHostHookName);
            return 1;
        }
        pHook(options.windowsDirectory.c_str());
    }

    CVariableTable table(options);
    const int nResult = pExport(table.Block());
    std::printf("result=%d\n", nResult);
    table.Print();
    std::fflush(stdout);
    return 0;
}
