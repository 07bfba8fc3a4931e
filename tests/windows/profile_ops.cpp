// profile_ops: runs a script of private-profile calls through one platform of
// brenwick and prints every answer, so that the portable engine can be held
// against the Win32 service (under Wine) call by call.
//
//   profile_ops win32|portable DIRECTORY SCRIPT
//
// Script lines are tab-separated; "#" starts a comment line. A file argument
// is taken relative to DIRECTORY; "(null)" passes a null pointer; the escapes
// of escaped_text.h (\0, \t, \r, \n, \xNN, a doubled backslash) stand for
// those bytes.
//   sections FILE SIZE            list of the section names
//   keys     FILE SECTION SIZE    list of a section's key names
//   get      FILE SECTION KEY SIZE
//   section  FILE SECTION SIZE    the section's "key=value" lines
//   write    FILE SECTION KEY VALUE
//   delete   FILE SECTION
// Each call prints one line: the script line, " => ", the count, and the
// buffer up to and including the terminators that the count implies.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "brenwick/platform/portable_platform.h"
#include "escaped_text.h"
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include "brenwick/platform/win32_platform.h"
#endif

namespace {

const char kNull[] = "(null)";

struct Argument {
    std::string text;
    bool bNull = false;
    const char* Get() const { return bNull ? nullptr : text.c_str(); }
};

Argument Decode(const std::string& field) {
    Argument argument;
    if (field == kNull)
        argument.bNull = true;
    else
        argument.text = UnescapeBytes(field);
    return argument;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    size_t nStart = 0;
    for (;;) {
        const size_t nTab = line.find('\t', nStart);
        fields.push_back(line.substr(nStart, nTab == std::string::npos ? std::string::npos : nTab - nStart));
        if (nTab == std::string::npos) return fields;
        nStart = nTab + 1;
    }
}

class CRunner {
public:
    CRunner(CPlatform& platform, std::string directory)
        : m_platform(platform), m_directory(std::move(directory)) {}

    // False for a line that names no known call or has the wrong fields.
    bool Run(const std::string& line) {
        const std::vector<std::string> fields = Split(line);
        const std::string& op = fields[0];
        std::vector<Argument> args;
        for (size_t i = 1; i < fields.size(); ++i) args.push_back(Decode(fields[i]));
        if (!args.empty() && !args[0].bNull) args[0].text = m_directory + kSeparator + args[0].text;

        if (op == "sections" && args.size() == 2) {
            return Read(line, Size(args[1]), true, [&](char* p, uint32_t n) {
                return m_platform.ListProfileSections(p, n, args[0].Get());
            });
        }
        if (op == "keys" && args.size() == 3) {
            return Read(line, Size(args[2]), true, [&](char* p, uint32_t n) {
                return m_platform.ListProfileKeys(args[1].Get(), p, n, args[0].Get());
            });
        }
        if (op == "get" && args.size() == 4) {
            return Read(line, Size(args[3]), false, [&](char* p, uint32_t n) {
                return m_platform.ReadProfileString(args[1].Get(), args[2].Get(), p, n, args[0].Get());
            });
        }
        if (op == "section" && args.size() == 3) {
            return Read(line, Size(args[2]), true, [&](char* p, uint32_t n) {
                return m_platform.ReadProfileSection(args[1].Get(), p, n, args[0].Get());
            });
        }
        if (op == "write" && args.size() == 4) {
            const bool bDone =
                m_platform.WriteProfileValue(args[1].Get(), args[2].Get(), args[3].Get(), args[0].Get());
            std::printf("%s => %s\n", line.c_str(), bDone ? "done" : "failed");
            return true;
        }
        if (op == "delete" && args.size() == 2) {
            const bool bDone = m_platform.DeleteProfileSection(args[1].Get(), args[0].Get());
            std::printf("%s => %s\n", line.c_str(), bDone ? "done" : "failed");
            return true;
        }
        return false;
    }

private:
#if defined(_WIN32)
    static constexpr char kSeparator = '\\';
#else
    static constexpr char kSeparator = '/';
#endif

    static uint32_t Size(const Argument& argument) {
        return static_cast<uint32_t>(std::strtoul(argument.text.c_str(), nullptr, 10));
    }

    // The buffer is filled with a pattern first, so that a terminator that
    // the call should have placed and did not shows as the pattern.
    template <typename Call>
    bool Read(const std::string& line, uint32_t nSize, bool bList, Call call) {
        std::vector<char> buffer(nSize + 2, '\x7E');
        const uint32_t nCount = call(buffer.data(), nSize);
        size_t nShown = static_cast<size_t>(nCount) + (bList ? 2 : 1);
        if (nShown > nSize) nShown = nSize;
        std::printf("%s => %u [%s]\n", line.c_str(), nCount,
                    EscapeBytes(std::string(buffer.data(), nShown)).c_str());
        return true;
    }

    CPlatform& m_platform;
    std::string m_directory;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: profile_ops win32|portable DIRECTORY SCRIPT\n");
        return 2;
    }
    const std::string platformName = argv[1];
    std::unique_ptr<CPlatform> pPlatform;
    if (platformName == "portable") pPlatform = std::make_unique<CPortablePlatform>();
#if defined(_WIN32)
    if (platformName == "win32") pPlatform = std::make_unique<CWin32Platform>();
#endif
    if (!pPlatform) {
        std::fprintf(stderr, "profile_ops: no platform %s in this build\n", argv[1]);
        return 2;
    }
    std::ifstream script(argv[3], std::ios::binary);
    if (!script) {
        std::fprintf(stderr, "profile_ops: cannot read %s\n", argv[3]);
        return 2;
    }
#if defined(_WIN32)
    // The answers are compared byte for byte with the other builds' answers.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    CRunner runner(*pPlatform, argv[2]);
    std::string line;
    int nLine = 0;
    while (std::getline(script, line)) {
        ++nLine;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (!runner.Run(line)) {
            std::fprintf(stderr, "profile_ops: %s:%d: not a call: %s\n", argv[3], nLine, line.c_str());
            return 2;
        }
    }
    std::fflush(stdout);
    return 0;
}
