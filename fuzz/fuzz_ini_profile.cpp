// The portable INI engine on any file, in any of its encodings, and any
// sequence of calls. Every read goes into a buffer of exactly its stated size;
// lists must come back closed by two terminators within it, values read back
// as they were written, and a rendered profile must read back as the same
// profile, in the same encoding.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "brenwick/platform/code_page_1252.h"
#include "brenwick/platform/ini_profile.h"
#include "brenwick/platform/text_encoding.h"
#include "fuzz_support.h"

namespace {

std::string CText(const std::string& text) {
    return std::string(text.c_str());
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

// Names and values that meet the ones already in the file: often taken from
// a small set, so that reads and writes find something.
std::string Name(FuzzedDataProvider& input) {
    static const char* const kNames[] = {"a", "A", " a ", "s", "Section", "key", "", "[x]", ";c", "k=v"};
    if (input.ConsumeBool()) return kNames[input.ConsumeIntegralInRange<size_t>(0, 9)];
    return CText(input.ConsumeRandomLengthString(24));
}

// Checks a list read into nSize bytes: the names, each terminated, then an
// empty one, all inside the buffer; the result as the service counts it.
std::vector<std::string> CheckList(const std::vector<char>& buffer, uint32_t nResult, const char* pszWhat) {
    std::vector<std::string> names;
    if (buffer.empty()) {
        if (nResult != 0) Fail(pszWhat, "a result without a buffer");
        return names;
    }
    if (nResult >= buffer.size()) Fail(pszWhat, "result beyond the buffer");
    size_t nPos = 0;
    while (nPos < buffer.size() && buffer[nPos] != '\0') {
        const char* p = buffer.data() + nPos;
        const size_t nLength = strnlen(p, buffer.size() - nPos);
        if (nPos + nLength >= buffer.size()) Fail(pszWhat, "name without its terminator");
        names.emplace_back(p, nLength);
        nPos += nLength + 1;
    }
    if (nPos >= buffer.size()) Fail(pszWhat, "list without its closing terminator");
    if (buffer.size() >= 2 && nResult != nPos && nResult != buffer.size() - 2)
        Fail(pszWhat, "list length " + std::to_string(nResult) + " for " + std::to_string(nPos));
    return names;
}

std::string StripQuotes(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

std::string TrimLeft(const std::string& text) {
    size_t n = 0;
    while (n < text.size() && IsSpace(text[n])) ++n;
    return text.substr(n);
}

// The file: ANSI text, or text behind a byte-order mark, in UTF-8 or UTF-16
// of either byte order; UTF-16 either as the same text in units or as the
// bytes themselves taken as units. A zero byte (a zero unit) inside a name
// would split it in a list, where zero is the separator; files hold text.
std::string FileBytes(FuzzedDataProvider& input) {
    const int nForm = input.ConsumeIntegralInRange<int>(0, 5);
    std::string text = input.ConsumeRandomLengthString(input.remaining_bytes());
    if (nForm >= 4) {
        const ETextEncoding encoding = nForm == 4 ? ETextEncoding::kUtf16Le : ETextEncoding::kUtf16Be;
        std::u16string units;
        for (size_t n = 0; n < text.size(); n += 2) {
            const char16_t c = static_cast<char16_t>(static_cast<uint8_t>(text[n]) << 8 |
                                                     (n + 1 < text.size() ? static_cast<uint8_t>(text[n + 1]) : 0));
            if (c != 0) units += c;
        }
        return ByteOrderMark(encoding) + EncodeText(encoding, units);
    }
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    if (nForm == 0) return text;
    if (nForm == 1) return ByteOrderMark(ETextEncoding::kUtf8) + text;
    const ETextEncoding encoding = nForm == 2 ? ETextEncoding::kUtf16Le : ETextEncoding::kUtf16Be;
    return ByteOrderMark(encoding) + EncodeText(encoding, AnsiToUnicode(text));
}

class CIniSession {
public:
    CIniSession(FuzzedDataProvider& input, const std::string& bytes) : m_input(input), m_profile(bytes) {
        CheckReadsBack(bytes, "a rendered file reads back differently");
    }

    void Run() {
        while (m_input.remaining_bytes() > 0) Step();
        if (!m_bLineBreakWritten) CheckReadsBack(m_profile.Render(), "an edited file reads back differently");
    }

private:
    std::vector<char> Buffer() {
        // Small sizes meet the cutting rules, 2048 is the size every export uses.
        const uint32_t nSize = m_input.ConsumeBool() ? m_input.ConsumeIntegralInRange<uint32_t>(0, 40) : 2048;
        return std::vector<char>(nSize, '\x55');
    }
    char* Data(std::vector<char>& buffer) { return buffer.empty() ? nullptr : buffer.data(); }

    void Step() {
        switch (m_input.ConsumeIntegralInRange<int>(0, 7)) {
            case 0: {
                std::vector<char> buffer = Buffer();
                CheckList(buffer, m_profile.GetSectionNames(Data(buffer), uint32_t(buffer.size())), "section names");
                break;
            }
            case 1: {
                const std::string section = Name(m_input);
                std::vector<char> buffer = Buffer();
                CheckList(buffer, m_profile.GetKeyNames(section.c_str(), Data(buffer), uint32_t(buffer.size())),
                          "key names");
                break;
            }
            case 2: {
                const std::string section = Name(m_input);
                std::vector<char> buffer = Buffer();
                CheckList(buffer, m_profile.GetSection(section.c_str(), Data(buffer), uint32_t(buffer.size())),
                          "section");
                break;
            }
            case 3: {
                const std::string section = Name(m_input);
                const std::string key = Name(m_input);
                std::vector<char> buffer = Buffer();
                const uint32_t n = m_profile.GetString(section.c_str(), key.c_str(), Data(buffer), uint32_t(buffer.size()));
                if (buffer.empty()) {
                    if (n != 0) Fail("value", "a result without a buffer");
                } else if (n >= buffer.size() || strnlen(buffer.data(), buffer.size()) != n) {
                    Fail("value", "length or terminator");
                }
                break;
            }
            case 4: {
                const std::string section = Name(m_input);
                const std::string key = Name(m_input);
                const std::string value = CText(m_input.ConsumeRandomLengthString(40));
                m_profile.SetString(section.c_str(), key.c_str(), value.c_str());
                m_bLineBreakWritten = m_bLineBreakWritten || HasLineBreak(section + key + value);
                CheckWritten(section, key, value);
                break;
            }
            case 5: {
                const std::string section = Name(m_input);
                const std::string key = Name(m_input);
                m_profile.SetString(section.c_str(), key.c_str(), nullptr);
                break;
            }
            case 6: {
                const std::string section = Name(m_input);
                m_profile.SetString(section.c_str(), nullptr, nullptr);
                break;
            }
            default:
                m_profile.SetString(nullptr, nullptr, nullptr);
                break;
        }
    }

    // A value just written reads back as written, less its leading blanks
    // and one pair of quotes.
    void CheckWritten(const std::string& section, const std::string& key, const std::string& value) {
        std::vector<char> buffer(2048);
        m_profile.GetString(section.c_str(), key.c_str(), buffer.data(), uint32_t(buffer.size()));
        const std::string expected = StripQuotes(TrimLeft(value)).substr(0, buffer.size() - 1);
        if (std::string(buffer.data()) != expected)
            Fail("value read back after writing", "[" + section + "] " + key + "=" + value);
    }

    // An ANSI file whose first line now starts with the bytes of a byte-order
    // mark reads as that encoding, on Windows as here; nothing to compare.
    void CheckReadsBack(const std::string& what, const char* pszFailure) {
        const std::string rendered = m_profile.Render();
        size_t nMark = 0;
        if (DetectTextEncoding(rendered, &nMark) != m_profile.GetEncoding()) return;
        const CIniProfile again(rendered);
        if (again.GetEncoding() != m_profile.GetEncoding() || again.Render() != rendered) Fail(pszFailure, what);
    }

    FuzzedDataProvider& m_input;
    CIniProfile m_profile;
    bool m_bLineBreakWritten = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzedDataProvider input(pData, nSize);
    CIniSession(input, FileBytes(input)).Run();
    return 0;
}
