#include "brenwick/platform/text_encoding.h"

#include <cstdint>

#include "brenwick/platform/code_page_1252.h"

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16LeMark[] = "\xFF\xFE";
const char kUtf16BeMark[] = "\xFE\xFF";

constexpr char16_t kEscapeBase = 0xDC00;  // + the byte, for bytes 0x80 to 0xFF
constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

uint8_t Byte(const std::string& bytes, size_t n) { return static_cast<uint8_t>(bytes[n]); }

// The length of the well-formed UTF-8 character at n and its value, or 0.
size_t ReadUtf8(const std::string& bytes, size_t n, char32_t* pc) {
    const uint8_t nLead = Byte(bytes, n);
    size_t nLength = 0;
    char32_t c = 0;
    char32_t nMinimum = 0;
    if (nLead < 0x80) {
        *pc = nLead;
        return 1;
    }
    if (nLead >= 0xC2 && nLead <= 0xDF) {
        nLength = 2, c = nLead & 0x1F, nMinimum = 0x80;
    } else if (nLead >= 0xE0 && nLead <= 0xEF) {
        nLength = 3, c = nLead & 0x0F, nMinimum = 0x800;
    } else if (nLead >= 0xF0 && nLead <= 0xF4) {
        nLength = 4, c = nLead & 0x07, nMinimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - n < nLength) return 0;
    for (size_t i = 1; i < nLength; ++i) {
        const uint8_t nNext = Byte(bytes, n + i);
        if ((nNext & 0xC0) != 0x80) return 0;
        c = c << 6 | (nNext & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (c < nMinimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *pc = c;
    return nLength;
}

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

std::u16string DecodeUtf8(const std::string& bytes, size_t nBegin) {
    std::u16string text;
    text.reserve(bytes.size() - nBegin);
    for (size_t n = nBegin; n < bytes.size();) {
        char32_t c = 0;
        const size_t nLength = ReadUtf8(bytes, n, &c);
        if (nLength == 0) {
            text += static_cast<char16_t>(kEscapeBase + Byte(bytes, n));
            ++n;
            continue;
        }
        if (c >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(c);
        }
        n += nLength;
    }
    return text;
}

std::string EncodeUtf8(const std::u16string& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(bytes, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            bytes += static_cast<char>(c - kEscapeBase);
        } else {
            AppendUtf8(bytes, IsHighSurrogate(c) || IsLowSurrogate(c) ? kReplacement : c);
        }
    }
    return bytes;
}

std::u16string DecodeUtf16(const std::string& bytes, size_t nBegin, bool bBigEndian) {
    std::u16string text;
    text.reserve((bytes.size() - nBegin + 1) / 2);
    for (size_t n = nBegin; n < bytes.size(); n += 2) {
        const uint8_t nFirst = Byte(bytes, n);
        const uint8_t nSecond = n + 1 < bytes.size() ? Byte(bytes, n + 1) : 0;
        text += static_cast<char16_t>(bBigEndian ? nFirst << 8 | nSecond : nSecond << 8 | nFirst);
    }
    return text;
}

std::string EncodeUtf16(const std::u16string& text, bool bBigEndian) {
    std::string bytes;
    bytes.reserve(2 * text.size());
    for (char16_t c : text) {
        const char cHigh = static_cast<char>(c >> 8);
        const char cLow = static_cast<char>(c & 0xFF);
        bytes += bBigEndian ? cHigh : cLow;
        bytes += bBigEndian ? cLow : cHigh;
    }
    return bytes;
}

}  // namespace

ETextEncoding DetectTextEncoding(const std::string& bytes, size_t* pnMarkLength) {
    const ETextEncoding encodings[] = {ETextEncoding::kUtf8, ETextEncoding::kUtf16Le, ETextEncoding::kUtf16Be};
    for (ETextEncoding encoding : encodings) {
        const std::string mark = ByteOrderMark(encoding);
        if (bytes.compare(0, mark.size(), mark) == 0) {
            *pnMarkLength = mark.size();
            return encoding;
        }
    }
    *pnMarkLength = 0;
    return ETextEncoding::kAnsi;
}

std::string ByteOrderMark(ETextEncoding encoding) {
    switch (encoding) {
        case ETextEncoding::kUtf8: return kUtf8Mark;
        case ETextEncoding::kUtf16Le: return kUtf16LeMark;
        case ETextEncoding::kUtf16Be: return kUtf16BeMark;
        case ETextEncoding::kAnsi: break;
    }
    return std::string();
}

std::u16string DecodeText(ETextEncoding encoding, const std::string& bytes, size_t nBegin) {
    switch (encoding) {
        case ETextEncoding::kUtf8: return DecodeUtf8(bytes, nBegin);
        case ETextEncoding::kUtf16Le: return DecodeUtf16(bytes, nBegin, false);
        case ETextEncoding::kUtf16Be: return DecodeUtf16(bytes, nBegin, true);
        case ETextEncoding::kAnsi: break;
    }
    return AnsiToUnicode(bytes.substr(nBegin));
}

std::string EncodeText(ETextEncoding encoding, const std::u16string& text) {
    switch (encoding) {
        case ETextEncoding::kUtf8: return EncodeUtf8(text);
        case ETextEncoding::kUtf16Le: return EncodeUtf16(text, false);
        case ETextEncoding::kUtf16Be: return EncodeUtf16(text, true);
        case ETextEncoding::kAnsi: break;
    }
    return UnicodeToAnsi(text);
}
