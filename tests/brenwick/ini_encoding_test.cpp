// INI files in UTF-16 and UTF-8 as the private-profile service reads them:
// detected by the byte-order mark, read through the ANSI code page (1252) by
// the "A" calls, and written back in their own encoding.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "brenwick/platform/code_page_1252.h"
#include "brenwick/platform/ini_profile.h"
#include "brenwick/platform/text_encoding.h"

namespace {

std::string Utf16(const std::u16string& text, bool bBigEndian) {
    std::string bytes = bBigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char cHigh = static_cast<char>(c >> 8);
        const char cLow = static_cast<char>(c & 0xFF);
        bytes += bBigEndian ? cHigh : cLow;
        bytes += bBigEndian ? cLow : cHigh;
    }
    return bytes;
}

std::string Get(const CIniProfile& profile, const char* pszSection, const char* pszKey, uint32_t nSize = 64) {
    std::vector<char> buffer(nSize);
    const uint32_t nCount = profile.GetString(pszSection, pszKey, buffer.data(), nSize);
    return std::string(buffer.data(), nCount);
}

std::string Sections(const CIniProfile& profile) {
    std::vector<char> buffer(256);
    const uint32_t nCount = profile.GetSectionNames(buffer.data(), 256);
    return std::string(buffer.data(), nCount);
}

const std::u16string kUnicodeText =
    u"; caf\u00e9 \u4e2d\r\n"
    u"[caf\u00e9]\r\n"
    u"price=10 \u20ac\r\n"
    u"wide=\u0100\u0101 \u4e2d \U0001F600 \uFF21\r\n"
    u"[CAF\u00c9]\r\n"
    u"k=v\r\n";

TEST(IniEncoding, Utf16FilesOfBothByteOrdersReadThroughTheAnsiCodePage) {
    for (bool bBigEndian : {false, true}) {
        const CIniProfile profile(Utf16(kUnicodeText, bBigEndian));
        EXPECT_EQ(bBigEndian ? ETextEncoding::kUtf16Be : ETextEncoding::kUtf16Le, profile.GetEncoding());
        EXPECT_EQ(std::string("caf\xE9\0CAF\xC9\0", 10), Sections(profile)) << bBigEndian;
        EXPECT_EQ("10 \x80", Get(profile, "caf\xE9", "price")) << bBigEndian;
        // Best fit, "?" for what has none, one "?" per half of a surrogate
        // pair, cut by units of the file.
        EXPECT_EQ("Aa ? ?? A", Get(profile, "caf\xE9", "wide")) << bBigEndian;
        EXPECT_EQ("Aa ? ", Get(profile, "caf\xE9", "wide", 6)) << bBigEndian;
        // Only ASCII letters are folded: CAFÉ is a section of its own.
        EXPECT_EQ("v", Get(profile, "CAF\xC9", "K")) << bBigEndian;
        EXPECT_EQ("", Get(profile, "caf\xE9", "k")) << bBigEndian;
    }
}

TEST(IniEncoding, AWrittenUtf16FileKeepsItsEncodingAndEveryUntouchedLine) {
    for (bool bBigEndian : {false, true}) {
        CIniProfile profile(Utf16(kUnicodeText, bBigEndian));
        EXPECT_EQ(Utf16(kUnicodeText, bBigEndian), profile.Render());
        ASSERT_TRUE(profile.SetString("caf\xE9", "price", "12 \x80"));
        ASSERT_TRUE(profile.SetString("new", "n\xFC", "\x93quoted\x94"));
        ASSERT_TRUE(profile.DeleteSection("CAF\xC9"));
        const std::u16string expected =
            u"; caf\u00e9 \u4e2d\r\n"
            u"[caf\u00e9]\r\n"
            u"price=12 \u20ac\r\n"
            u"wide=\u0100\u0101 \u4e2d \U0001F600 \uFF21\r\n"
            u"[new]\r\n"
            u"n\u00fc=\u201cquoted\u201d\r\n";
        EXPECT_EQ(Utf16(expected, bBigEndian), profile.Render()) << bBigEndian;
    }
}

TEST(IniEncoding, AByteOrderMarkAloneIsAnEmptyUtf16File) {
    CIniProfile profile(std::string("\xFF\xFE"));
    EXPECT_EQ("", Sections(profile));
    profile.SetString("s", "k", "v");
    EXPECT_EQ(Utf16(u"[s]\r\nk=v\r\n", false), profile.Render());
}

// As the low byte of a unit in either byte order, the high byte zero: the
// service swaps the whole units of a big-endian file and leaves the last byte.
TEST(IniEncoding, AnOddLastByteOfAUtf16FileIsAUnitOfItsOwn) {
    for (bool bBigEndian : {false, true}) {
        CIniProfile profile(Utf16(u"[s]\r\nk=v", bBigEndian) + "A");
        EXPECT_EQ("vA", Get(profile, "s", "k")) << bBigEndian;
        profile.SetString("s", "j", "w");
        EXPECT_EQ(Utf16(u"[s]\r\nk=vA\r\nj=w\r\n", bBigEndian), profile.Render()) << bBigEndian;
    }
}

TEST(IniEncoding, Utf8FilesWithAMarkReadThroughTheAnsiCodePageAndKeepTheirBytes) {
    // An invalid byte (\xFF) and a cut character (\xE4\xB8) stay as they
    // were; each reads as one replaced character.
    const std::string bytes =
        "\xEF\xBB\xBF[caf\xC3\xA9]\r\n"
        "price=10 \xE2\x82\xAC\r\n"
        "broken=a\xFF" "b\xE4\xB8\r\n";
    CIniProfile profile(bytes);
    EXPECT_EQ(ETextEncoding::kUtf8, profile.GetEncoding());
    EXPECT_EQ("10 \x80", Get(profile, "caf\xE9", "price"));
    EXPECT_EQ("a?b?", Get(profile, "caf\xE9", "broken"));
    EXPECT_EQ(bytes, profile.Render());
    profile.SetString("caf\xE9", "price", "\xE9t\xE9");
    EXPECT_EQ(
        "\xEF\xBB\xBF[caf\xC3\xA9]\r\n"
        "price=\xC3\xA9t\xC3\xA9\r\n"
        "broken=a\xFF" "b\xE4\xB8\r\n",
        profile.Render());
}

// One replaced character for each sequence that the service's decoder
// cannot read: up to the byte that does not fit, or to the end of the file
// when the file ends inside a sequence.
TEST(IniEncoding, Utf8BytesOfNoCharacterReadAsTheServiceGroupsThem) {
    const CIniProfile profile(
        "\xEF\xBB\xBF[s]\r\na=\xE0\xE0"
        "b\r\nb=\xF0\x90x\r\nc=\xC0\xAF\r\nd=\xE0"
        "A");
    EXPECT_EQ("??b", Get(profile, "s", "a"));
    EXPECT_EQ("?x", Get(profile, "s", "b"));
    EXPECT_EQ("??", Get(profile, "s", "c"));
    EXPECT_EQ("?", Get(profile, "s", "d"));
}

// A file that ends inside a character whose lead byte calls for more bytes
// than are left: that character takes the rest of the file, a line end
// included, and the line end written after it must not join it.
TEST(IniEncoding, AUtf8FileThatEndsInsideACharacterReadsBackAsItWasRead) {
    for (const char* pszTail : {"\xF1", "\xF1\r\n", "\xF1\n", "\xE2\x82"}) {
        const CIniProfile profile(std::string("\xEF\xBB\xBF[s]\r\nk=v") + pszTail);
        const CIniProfile again(profile.Render());
        EXPECT_EQ("v?", Get(again, "s", "k")) << pszTail;
        EXPECT_EQ(profile.Render(), again.Render()) << pszTail;
    }
    // Such a line is written as it reads, characters of four bytes and all.
    const CIniProfile profile("\xEF\xBB\xBF[s]\r\nk=\xF0\x9F\x98\x80\xE4\xB8\xAD\xF1");
    EXPECT_EQ("\xEF\xBB\xBF[s]\r\nk=\xF0\x9F\x98\x80\xE4\xB8\xAD\xEF\xBF\xBD\r\n", profile.Render());
}

#if defined(_WIN32)
// Against the system's own decoder, every sequence of up to three bytes from
// the bytes where the rules change, at the end of a file and before more text.
TEST(IniEncoding, DecodesUtf8AsWindowsDoes) {
    const uint8_t kBytes[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                              0xE0, 0xE1, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xF8, 0xFF};
    for (size_t nCount = 1; nCount <= 3; ++nCount) {
        for (size_t nCase = 0; nCase < std::pow(std::size(kBytes), nCount); ++nCase) {
            std::string bytes;
            for (size_t i = 0, n = nCase; i < nCount; ++i, n /= std::size(kBytes))
                bytes += char(kBytes[n % std::size(kBytes)]);
            for (const std::string& sequence : {bytes, bytes + "z"}) {
                std::wstring windows(8, L'\0');
                windows.resize(
                    MultiByteToWideChar(CP_UTF8, 0, sequence.data(), int(sequence.size()), &windows[0], 8));
                const std::u16string mine = DecodeText(ETextEncoding::kUtf8, sequence, 0);
                ASSERT_EQ(std::u16string(windows.begin(), windows.end()), mine) << nCase << " of " << nCount;
            }
        }
    }
}
#endif

TEST(IniEncoding, AnAnsiFileKeepsEveryByte) {
    std::string bytes;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n' && c != '[' && c != '=') bytes += static_cast<char>(c);
    bytes = "[s]\r\nk=" + bytes + "\r\n";
    CIniProfile profile(bytes);
    EXPECT_EQ(ETextEncoding::kAnsi, profile.GetEncoding());
    profile.SetString("s", "j", "\x81\x8D\x8F\x90\x9D\xFF");
    EXPECT_EQ(bytes + "j=\x81\x8D\x8F\x90\x9D\xFF\r\n", profile.Render());
}

TEST(CodePage1252, EveryByteGoesThereAndBack) {
    for (int n = 0; n < 256; ++n) {
        const char c = static_cast<char>(n);
        EXPECT_EQ(c, UnicodeToAnsi(AnsiToUnicode(c))) << n;
    }
    EXPECT_EQ(u'\u20AC', AnsiToUnicode('\x80'));
    EXPECT_EQ(u'\u0081', AnsiToUnicode('\x81'));
    EXPECT_EQ(u'\u0178', AnsiToUnicode('\x9F'));
}

TEST(CodePage1252, CharactersOutsideTheCodePageTakeTheirBestFitOrAQuestionMark) {
    EXPECT_EQ('A', UnicodeToAnsi(u'\u0100'));
    EXPECT_EQ('\xD0', UnicodeToAnsi(u'\u0110'));
    EXPECT_EQ('!', UnicodeToAnsi(u'\uFF01'));
    EXPECT_EQ('~', UnicodeToAnsi(u'\uFF5E'));
    EXPECT_EQ('?', UnicodeToAnsi(u'\uFF5F'));
    EXPECT_EQ('?', UnicodeToAnsi(u'\u0080'));
    EXPECT_EQ('?', UnicodeToAnsi(u'\u4E2D'));
    EXPECT_EQ('?', UnicodeToAnsi(u'\xD83D'));
    // Windows' best-fit table, at its ends and between.
    const std::pair<char16_t, char> kFits[] = {{u'\u2010', '-'}, {u'\u2264', '='}, {u'\u03B2', '\xDF'},
                                               {u'\u221E', '8'}, {u'\u0100', 'A'}, {u'\u30FB', '\xB7'}};
    for (const auto& fit : kFits)
        EXPECT_EQ(fit.second, UnicodeToAnsi(fit.first)) << std::hex << int(fit.first);
}

// The conversion of every character, digested: the digest of Windows' own
// (Wine's WideCharToMultiByte), which ConvertsEveryCharacterAsWindowsDoes
// checks entry by entry where the system is there to ask.
TEST(CodePage1252, EveryCharacterConvertsAsWindowsConvertsIt) {
    uint64_t nDigest = 0xCBF29CE484222325ull;
    for (unsigned n = 0; n < 0x10000; ++n)
        nDigest = (nDigest ^ static_cast<unsigned char>(UnicodeToAnsi(static_cast<char16_t>(n)))) * 0x100000001B3ull;
    EXPECT_EQ(0x5bbef6816f8b8f6dull, nDigest);
}

#if defined(_WIN32)
// The table against the system's own conversion, character by character.
TEST(CodePage1252, ConvertsEveryCharacterAsWindowsDoes) {
    for (unsigned n = 0; n < 0x10000; ++n) {
        const wchar_t c = static_cast<wchar_t>(n);
        char cWindows = 0;
        ASSERT_EQ(1, WideCharToMultiByte(1252, 0, &c, 1, &cWindows, 1, nullptr, nullptr)) << n;
        EXPECT_EQ(cWindows, UnicodeToAnsi(static_cast<char16_t>(n))) << std::hex << n;
    }
    for (int n = 0; n < 256; ++n) {
        const char c = static_cast<char>(n);
        wchar_t cWindows = 0;
        ASSERT_EQ(1, MultiByteToWideChar(1252, 0, &c, 1, &cWindows, 1)) << n;
        EXPECT_EQ(static_cast<char16_t>(cWindows), AnsiToUnicode(c)) << n;
    }
}
#endif

}  // namespace
