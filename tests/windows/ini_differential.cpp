// ini_differential: random INI files and merge cases through brenwick's two
// platforms side by side: the Win32 one, whose private-profile service is
// Wine's own kernel32 here, and the portable engine. Each case runs on copies
// of the same files; the two must return the same and leave files that hold
// the same: the same bytes or, where Wine wrote a file anew from its parsed
// form, the same answers when Wine's service reads both back. A case that
// differs is cut down to the fewest bytes that still differ and printed as an
// entry of the fixed corpus (ini/generated-cases.txt).
//
//   ini_differential [--corpus FILE] [--seed N] [--count K] [--digests|--print] WORK-DIRECTORY
//
// The corpus runs first, then K generated cases from seed N (default: a seed
// from the clock, printed, so that any run can be repeated). --digests prints
// a line per case with a digest of what the portable engine returned and left,
// so that a build without the Win32 platform (Linux, where only those lines
// are printed) shows that the engine answers there as it does inside Windows;
// --print only prints the generated cases, in the form of the corpus.
// Exit status 0 when no case differed, 1 when one did, 2 on a usage error.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "brenwick/brenwick_exports.h"
#include "brenwick/platform/portable_platform.h"
#include "brenwick/platform/text_encoding.h"
#include "escaped_text.h"
#include "tests/brenwick/test_call_block.h"
#if defined(_WIN32)
#include <windows.h>

#include "brenwick/platform/win32_platform.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr size_t kListSize = 2048;  // the exports' buffers for lists and values

using File = std::optional<std::string>;  // its bytes; none for a missing file

struct IniCase {
    bool bZov = false;  // CleanZOVToolbars on zov.ini (the destination), else MergeINI
    std::string mode;
    File source;
    File destination;
};

// splitmix64: the same numbers from a seed on every build and library.
class CRandom {
public:
    explicit CRandom(uint64_t nSeed) : m_nState(nSeed) {}
    uint64_t Next() {
        uint64_t z = (m_nState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    template <typename T, size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    uint64_t m_nState;
};

// Small pools of names, so that the two files of a merge meet far more often
// than random text would, with the case variants that the service folds.
const char16_t* const kSections[] = {u"a", u"A", u"sec", u"Sec", u"SEC", u"x y", u"\u00e9t\u00e9"};
const char16_t* const kZovSections[] = {
    u"ToolBarState-Bar0",           u"ToolBarState-Bar1",    u"ToolBarState-Bar2",    u"toolbarstate-bar1",
    u"ToolBarState-ToolBarManager", u"ToolBarState-Summary", u"toolbarstate-summary", u"Settings"};
const char16_t* const kKeys[] = {u"k", u"K", u"key", u"Key", u"j", u"path", u"\u00c9"};
const char16_t* const kValues[] = {
    u"1",        u"v",      u"value", u"C:\\Program Files\\x", u"\"quoted\"",
    u"'single'", u"\"open", u"a=b",   u"; not a comment",      u"\u00e9\u20ac"};
// What odd names and values are made of: blanks the service trims and
// controls it keeps, the syntax characters, the code page's holes, best fits
// and misses, surrogates whole and alone, a byte-order mark.
const char16_t kOddUnits[] = {u' ',   u'\t',  0x1A,   0,      u'\v',  u'\f',  0x1C,   u';',
                              u'#',   u'[',   u']',   u'=',   u'"',   u'\'',  0xA0,   0xE9,
                              0x81,   0x8D,   0x9D,   0x80,   0xFF,   0x2010, 0x20AC, 0x0100,
                              0x03B1, 0x4E2D, 0xFEFF, 0xD83D, 0xDE00, 0xDC80, 0xFFFD, 0xFF21};
const char* const kModes[] = {"R", "I", "RI", "IR", "R", "I", "RI", "ri", "r", "i", "Ri", "rI", "xRyIz", ""};

std::u16string Blanks(CRandom& random) {
    static const char16_t* const kBlanks[] = {u"", u"", u"", u" ", u"\t", u"  \t "};
    return random.Pick(kBlanks);
}

std::u16string Odd(CRandom& random, size_t nMax) {
    std::u16string text;
    for (size_t n = 1 + random.Below(nMax); n > 0; --n)
        text += random.OneIn(3) ? random.Pick(kOddUnits) : static_cast<char16_t>(u'a' + random.Below(26));
    return text;
}

template <size_t N>
std::u16string Name(CRandom& random, const char16_t* const (&pool)[N]) {
    if (random.OneIn(100)) return std::u16string(1000 + random.Below(69000), u'n');
    return random.OneIn(4) ? Odd(random, 8) : std::u16string(random.Pick(pool));
}

std::u16string Value(CRandom& random) {
    if (random.OneIn(40)) return std::u16string(1000 + random.Below(69000), u'v');
    return random.OneIn(4) ? Odd(random, 12) : std::u16string(random.Pick(kValues));
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == 0x1A;
}

// Two kinds of line are never generated, because there the engine differs
// from Wine on purpose (ini/wine-deviations.txt says why, and the corpus of
// 60-ini-diff holds them): a key whose name reads as empty ("=value"), which
// Wine lists as an empty name that ends the list and loses the keys after it,
// and a section header whose name reads as empty, which Wine drops when it
// rewrites a file, so that its keys join the section before. A name that
// would start with a NUL or "=" is given a letter first.
std::u16string Named(std::u16string line) {
    size_t n = 0;
    while (n < line.size() && IsBlank(line[n])) ++n;
    if (n < line.size() && line[n] == u'[') {
        ++n;
        while (n < line.size() && IsBlank(line[n])) ++n;
    }
    if (n == line.size() || line[n] == u'=' || line[n] == 0 || line[n] == u']') line.insert(n, u"n");
    return line;
}

template <size_t N>
std::u16string Header(CRandom& random, const char16_t* const (&sections)[N]) {
    std::u16string line = Blanks(random) + u"[" + Blanks(random) + Name(random, sections) + Blanks(random);
    if (!random.OneIn(8)) line += u"]";
    if (random.OneIn(10)) line += u"]";
    if (random.OneIn(10)) line += u" ; note";
    return Named(line + Blanks(random));
}

std::u16string Entry(CRandom& random) {
    const std::u16string line = Named(Blanks(random) + Name(random, kKeys) + Blanks(random));
    if (random.OneIn(8)) return line;  // a key without "="
    return line + u"=" + Blanks(random) + Value(random) + Blanks(random);
}

template <size_t N>
std::u16string Line(CRandom& random, const char16_t* const (&sections)[N]) {
    switch (random.Below(13)) {
        case 0:
        case 1:
            return Header(random, sections);
        case 2:
            return (random.OneIn(2) ? u";" : u"#") + (random.OneIn(2) ? Entry(random) : Odd(random, 10));
        case 3:
            return Blanks(random);
        case 4:
            return Named(Odd(random, 20));
        default:
            return Entry(random);
    }
}

// Lines joined by one kind of line end, or by a mix as files edited on two
// systems have them; the last line sometimes without one.
std::u16string Join(CRandom& random, const std::vector<std::u16string>& lines) {
    static const char16_t* const kEnds[] = {u"\r\n", u"\n", u"\r", u"\r\r\n", u"\n\r"};
    const size_t nStyle = random.Below(5);
    std::u16string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 == lines.size() && random.OneIn(4)) break;
        text += nStyle < 3 ? kEnds[nStyle] : random.Pick(kEnds);
    }
    return text;
}

template <size_t N>
std::u16string IniText(CRandom& random, const char16_t* const (&sections)[N]) {
    std::vector<std::u16string> lines;
    if (!random.OneIn(4)) lines.push_back(Header(random, sections));
    // Now and then more keys than a list of 2048 bytes holds.
    const size_t nLines =
        random.OneIn(30) ? 150 + random.Below(300) : random.Below(random.OneIn(8) ? 60 : 12);
    for (size_t n = nLines; n > 0; --n) lines.push_back(Line(random, sections));
    return Join(random, lines);
}

// zov.ini: toolbar sections numbered from 0, with gaps, empty ones and
// spelling variants, among the others.
std::u16string ZovText(CRandom& random) {
    std::vector<std::u16string> lines;
    for (int nBar = 0, nLast = static_cast<int>(random.Below(6)); nBar <= nLast; ++nBar) {
        if (random.OneIn(6)) continue;
        lines.push_back(random.OneIn(10) ? Header(random, kZovSections)
                                         : u"[ToolBarState-Bar" + std::u16string(1, u'0' + nBar) + u"]");
        for (size_t n = random.OneIn(6) ? 0 : 1 + random.Below(3); n > 0; --n) lines.push_back(Entry(random));
        if (random.OneIn(6)) lines.push_back(Line(random, kZovSections));
    }
    for (size_t n = random.Below(4); n > 0; --n) {
        const size_t nAt = random.Below(lines.size() + 1);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(nAt), Header(random, kZovSections));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(nAt) + 1, Entry(random));
    }
    return Join(random, lines);
}

// Unlike the engine's encoder, which writes a lone surrogate as U+FFFD, this
// one writes its three bytes: the service must read bytes of no character.
void AppendUtf8(std::string& bytes, char32_t c) {
    if (c < 0x80) {
        bytes += static_cast<char>(c);
    } else if (c < 0x800) {
        bytes += static_cast<char>(0xC0 | c >> 6);
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes += static_cast<char>(0xE0 | c >> 12);
        bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | c >> 18);
        bytes += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The text in one of the encodings that the service tells by its mark (or in
// ANSI, where a unit beyond a byte becomes some high byte), then sometimes
// damaged: cut short, a mark alone, a DOS end-of-file character.
std::string FileBytes(CRandom& random, const std::u16string& text) {
    std::string bytes;
    const size_t nEncoding = random.Below(10);
    if (nEncoding < 5) {
        for (char16_t c : text) bytes += static_cast<char>(c <= 0xFF ? c : 0x80 + random.Below(0x80));
    } else if (nEncoding < 7) {
        bytes = "\xEF\xBB\xBF";
        for (size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                AppendUtf8(bytes, 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00));
            else if (c == 0xDC80)
                bytes += static_cast<char>(0x80 + random.Below(0x80));  // a byte of no character
            else
                AppendUtf8(bytes, c);
        }
    } else {
        const ETextEncoding encoding = nEncoding == 9 ? ETextEncoding::kUtf16Be : ETextEncoding::kUtf16Le;
        bytes = ByteOrderMark(encoding) + EncodeText(encoding, text);
    }
    // Wine is not stable on an odd-length UTF-16 file: it reads the last
    // byte with a byte of whatever memory lies behind it as one unit, so
    // the same file reads one way in one run and another way in the next.
    // Such files are left out; the engine reads the byte as that unit when
    // the memory is zero (ini_encoding_test.cpp).
    const size_t nUnit = nEncoding < 7 ? 1 : 2;
    if (random.OneIn(20)) bytes.resize(random.Below(bytes.size() / nUnit + 1) * nUnit);
    if (random.OneIn(40)) bytes = bytes.substr(0, nEncoding < 5 ? 0 : nEncoding < 7 ? 3 : 2);
    if (random.OneIn(20)) bytes += std::string(nUnit, '\x1A');
    return bytes;
}

IniCase GenerateCase(uint64_t nSeed) {
    CRandom random(nSeed);
    IniCase generated;
    generated.bZov = random.OneIn(5);
    if (generated.bZov) {
        if (!random.OneIn(10)) generated.destination = FileBytes(random, ZovText(random));
        return generated;
    }
    generated.mode = random.Pick(kModes);
    if (!random.OneIn(12)) generated.source = FileBytes(random, IniText(random, kSections));
    if (!random.OneIn(5)) generated.destination = FileBytes(random, IniText(random, kSections));
    return generated;
}

// The corpus: entries apart by blank lines, "#" lines saying why.
//   merge | zov
//   mode <escaped>
//   source: <escaped bytes>    or    source missing
//   destination: <escaped bytes>    or    destination missing
std::string FormatCase(const IniCase& ini) {
    auto file = [](const char* pszName, const File& bytes) {
        return std::string(pszName) + (bytes ? ": " + EscapeBytes(*bytes) : std::string(" missing")) + "\n";
    };
    std::string text =
        ini.bZov ? "zov\n" : "merge\nmode " + EscapeBytes(ini.mode) + "\n" + file("source", ini.source);
    return text + file("destination", ini.destination);
}

bool ReadCorpus(const std::string& path, std::vector<IniCase>* pCases) {
    std::ifstream corpus(path, std::ios::binary);
    if (!corpus) return false;
    std::optional<IniCase> current;
    std::string line;
    auto take = [&](const std::string& name, File* pFile) {
        if (line == name + " missing") {
            pFile->reset();
            return true;
        }
        if (line.compare(0, name.size() + 2, name + ": ") != 0) return false;
        *pFile = UnescapeBytes(line.substr(name.size() + 2));
        return true;
    };
    while (std::getline(corpus, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line == "merge" || line == "zov") {
            if (current) pCases->push_back(*current);
            current = IniCase();
            current->bZov = line == "zov";
        } else if (!current) {
            return false;
        } else if (line.compare(0, 5, "mode ") == 0) {
            current->mode = UnescapeBytes(line.substr(5));
        } else if (!take("source", &current->source) && !take("destination", &current->destination)) {
            std::fprintf(stderr, "ini_differential: %s: not a case line: %s\n", path.c_str(), line.c_str());
            return false;
        }
    }
    if (current) pCases->push_back(*current);
    return true;
}

File ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const File& bytes) {
    std::error_code error;
    fs::remove(path, error);
    if (bytes) std::ofstream(path, std::ios::binary) << *bytes;
}

// What one platform returned and left.
struct Outcome {
    int nResult = -1;
    File source;
    File destination;
    fs::path destinationPath;
};

uint64_t Digest(const Outcome& outcome) {
    uint64_t nHash = 0xCBF29CE484222325ull;
    auto mix = [&](const std::string& bytes) {
        for (unsigned char c : bytes) nHash = (nHash ^ c) * 0x100000001B3ull;
        nHash = (nHash ^ 0xFF) * 0x100000001B3ull;
    };
    mix(std::to_string(outcome.nResult));
    for (const File* pFile : {&outcome.source, &outcome.destination}) mix(*pFile ? "+" + **pFile : "-");
    return nHash;
}

class CDifferential {
public:
    explicit CDifferential(fs::path work) : m_work(std::move(work)) {}

    // Runs the case through the portable engine (and through Wine's service
    // where there is one) and says how the two differ; empty when they agree.
    std::string Compare(const IniCase& ini, uint64_t* pnDigest = nullptr) {
        CPortablePlatform portable;
        const Outcome mine = Run(portable, &portable, ini, "portable");
        if (pnDigest) *pnDigest = Digest(mine);
        std::string difference;
#if defined(_WIN32)
        const Outcome wine = Run(m_service, nullptr, ini, "win32");
        difference = Differences(ini, wine, mine);
#endif
        std::error_code error;
        fs::remove_all(m_work / std::to_string(m_nTrial), error);
        return difference;
    }

    // The case cut down, a byte range of one file at a time, for as long as
    // it still differs in the same way and the budget lasts. UTF-16 files
    // lose whole units.
    IniCase Reduce(IniCase ini, const std::string& difference) {
        int nBudget = 3000;
        const std::string kind = difference.substr(0, difference.find('\n'));
        auto differs = [&](const IniCase& candidate) {
            return --nBudget > 0 && Compare(candidate).compare(0, kind.size() + 1, kind + "\n") == 0;
        };
        for (File* pFile : {&ini.source, &ini.destination}) {
            if (!*pFile) continue;
            const size_t nUnit =
                (*pFile)->compare(0, 2, "\xFF\xFE") == 0 || (*pFile)->compare(0, 2, "\xFE\xFF") == 0 ? 2 : 1;
            for (size_t nChunk = (*pFile)->size() / 2 / nUnit * nUnit; nChunk >= nUnit && nBudget > 0;
                 nChunk = nChunk / 2 / nUnit * nUnit) {
                for (size_t nAt = 0; nAt < (*pFile)->size() && nBudget > 0;) {
                    IniCase candidate = ini;
                    File& bytes = pFile == &ini.source ? candidate.source : candidate.destination;
                    bytes->erase(nAt, nChunk);
                    if (differs(candidate))
                        ini = candidate;
                    else
                        nAt += nChunk;
                }
            }
        }
        return ini;
    }

private:
    Outcome Run(CPlatform& platform, CPortablePlatform* pPortable, const IniCase& ini, const char* pszName) {
        const fs::path directory = m_work / std::to_string(++m_nTrial) / pszName;
        fs::create_directories(directory);
        Outcome outcome;
        outcome.destinationPath = directory / (ini.bZov ? "zov.ini" : "dest.ini");
#if defined(_WIN32)
        // The Win32 service keeps zov.ini in the Windows directory, and keeps
        // the last files it read in a cache of its own.
        char szWindows[MAX_PATH];
        const fs::path zov =
            pPortable
                ? outcome.destinationPath
                : fs::path(std::string(szWindows, GetWindowsDirectoryA(szWindows, MAX_PATH))) / "zov.ini";
#else
        const fs::path zov = outcome.destinationPath;
#endif
        SetPlatform(&platform);
        CTestCallBlock block;
        if (ini.bZov) {
            WriteFile(zov, ini.destination);
            if (pPortable) pPortable->SetWindowsDirectory(directory.string());
            outcome.nResult = CleanZOVToolbars(block.Block());
            outcome.destination = ReadFile(zov);
            WriteFile(outcome.destinationPath, outcome.destination);
            if (zov != outcome.destinationPath) WriteFile(zov, std::nullopt);
        } else {
            const fs::path source = directory / "src.ini";
            WriteFile(source, ini.source);
            WriteFile(outcome.destinationPath, ini.destination);
            block.Variable("MI_MODE", ini.mode)
                .Variable("MI_SRC", source.string())
                .Variable("MI_DEST", outcome.destinationPath.string());
            outcome.nResult = MergeINI(block.Block());
            outcome.source = ReadFile(source);
            outcome.destination = ReadFile(outcome.destinationPath);
        }
        SetPlatform(nullptr);
        return outcome;
    }

#if defined(_WIN32)
    // Every section, key, value and section body as Wine's service reads the
    // file, in buffers that cut nothing. A name too long for the lists that
    // the exports read (2048 bytes) is not asked for: the exports never ask
    // for one, and Wine's service crashes on a name of 32767 characters.
    std::string ServiceReading(const fs::path& path) {
        std::vector<char> buffer(1 << 20);
        const uint32_t nSize = static_cast<uint32_t>(buffer.size());
        const std::string file = path.string();
        auto list = [&](uint32_t nCount) {
            std::vector<std::string> names;
            for (size_t n = 0; n < nCount && buffer[n] != '\0'; n += names.back().size() + 1)
                names.emplace_back(buffer.data() + n);
            return names;
        };
        std::string reading;
        for (const std::string& section :
             list(m_service.ListProfileSections(buffer.data(), nSize, file.c_str()))) {
            reading += "[" + EscapeBytes(section) + "]\n";
            if (section.size() >= kListSize) continue;
            for (const std::string& key :
                 list(m_service.ListProfileKeys(section.c_str(), buffer.data(), nSize, file.c_str()))) {
                const uint32_t nLength = key.size() >= kListSize ? 0
                                         : m_service.ReadProfileString(section.c_str(), key.c_str(),
                                                                       buffer.data(), nSize, file.c_str());
                reading += EscapeBytes(key) + " = " + EscapeBytes(std::string(buffer.data(), nLength)) + "\n";
            }
            const uint32_t nLength =
                m_service.ReadProfileSection(section.c_str(), buffer.data(), nSize, file.c_str());
            reading += "body " + EscapeBytes(std::string(buffer.data(), nLength)) + "\n";
        }
        return reading;
    }

    static std::string Mark(const File& bytes) {
        for (const char* pszMark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"})
            if (bytes && bytes->compare(0, std::strlen(pszMark), pszMark) == 0) return EscapeBytes(pszMark);
        return "none";
    }

    std::string Differences(const IniCase& ini, const Outcome& wine, const Outcome& mine) {
        std::string text;
        if (wine.nResult != mine.nResult)
            text += "returned " + std::to_string(wine.nResult) + " (Wine) and " +
                    std::to_string(mine.nResult) + "\n";
        if (mine.source != ini.source) text += "the portable engine changed the source\n";
        if (wine.destination == mine.destination) return text;
        if (!wine.destination || !mine.destination)
            return text + (wine.destination ? "only Wine left a destination\n"
                                            : "only the engine left a destination\n");
        if (wine.destination == ini.destination)
            return text + "the engine rewrote a file that Wine left alone\n";
        if (mine.destination == ini.destination)
            return text + "Wine rewrote a file that the engine left alone\n";
        if (Mark(wine.destination) != Mark(mine.destination))
            text +=
                "byte-order mark " + Mark(wine.destination) + " (Wine) and " + Mark(mine.destination) + "\n";
        const std::string wineReading = ServiceReading(wine.destinationPath);
        const std::string mineReading = ServiceReading(mine.destinationPath);
        if (wineReading != mineReading)
            text += "Wine's service reads the two files apart:\n--- Wine's file\n" + wineReading +
                    "--- the engine's file\n" + mineReading;
        return text;
    }

    CWin32Platform m_service;
#endif

    fs::path m_work;
    uint64_t m_nTrial = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::string corpus;
    uint64_t nSeed =
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007;
    uint64_t nCount = 0;
    bool bDigests = false;
    bool bPrint = false;
    std::string work;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--corpus" && i + 1 < argc)
            corpus = argv[++i];
        else if (argument == "--seed" && i + 1 < argc)
            nSeed = std::strtoull(argv[++i], nullptr, 10);
        else if (argument == "--count" && i + 1 < argc)
            nCount = std::strtoull(argv[++i], nullptr, 10);
        else if (argument == "--digests")
            bDigests = true;
        else if (argument == "--print")
            bPrint = true;
        else if (work.empty() && argument[0] != '-')
            work = argument;
        else
            work.clear(), i = argc;
    }
    if (work.empty()) {
        std::fprintf(
            stderr,
            "usage: ini_differential [--corpus FILE] [--seed N] [--count K] [--digests|--print] WORK\n");
        return 2;
    }
    std::vector<IniCase> cases;
    if (!corpus.empty() && !ReadCorpus(corpus, &cases)) {
        std::fprintf(stderr, "ini_differential: cannot read the corpus %s\n", corpus.c_str());
        return 2;
    }
    const size_t nCorpus = cases.size();
    for (uint64_t i = 0; i < nCount; ++i) cases.push_back(GenerateCase(nSeed * 1000003 + i));

    if (bPrint) {
        for (size_t i = nCorpus; i < cases.size(); ++i)
            std::printf("# case %zu of seed %llu\n%s\n", i - nCorpus, static_cast<unsigned long long>(nSeed),
                        FormatCase(cases[i]).c_str());
        return 0;
    }
    CDifferential differential(work);
    size_t nDiffering = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        uint64_t nDigest = 0;
        const std::string name =
            i < nCorpus ? "corpus case " + std::to_string(i + 1) : "case " + std::to_string(i - nCorpus);
        const std::string difference = differential.Compare(cases[i], &nDigest);
        if (bDigests)
            std::printf("digest %s %016llx\n", name.c_str(), static_cast<unsigned long long>(nDigest));
        if (difference.empty()) continue;
        ++nDiffering;
        std::printf("DIFFERENCE in %s (seed %llu):\n%s", name.c_str(), static_cast<unsigned long long>(nSeed),
                    difference.c_str());
        const IniCase reduced = differential.Reduce(cases[i], difference);
        const std::string again = differential.Compare(reduced);
        std::printf("reduced, as a corpus entry:\n%s--- which differs thus:\n%s\n",
                    FormatCase(reduced).c_str(),
                    again.empty() ? "(no difference on a second run)\n" : again.c_str());
        std::fflush(stdout);
    }
    std::printf("ini_differential: seed %llu, %zu corpus and %llu generated cases, %zu differ\n",
                static_cast<unsigned long long>(nSeed), nCorpus, static_cast<unsigned long long>(nCount),
                nDiffering);
    return nDiffering == 0 ? 0 : 1;
}
