#include "brenwick/platform/text_encoding.h"

#include <cstdint>
#include <vector>

#include "brenwick/platform/code_page_1252.h"

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16LeMark[] = "\xFF\xFE";
const char kUtf16BeMark[] = "\xFE\xFF";

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

uint8_t Byte(const std::string& bytes, size_t n) { return static_cast<uint8_t>(bytes[n]); }

// The character that starts at *pn, as the service's UTF-8 decoder reads it,
// or kReplacement for bytes that are not one; *pn moves past what was read.
// The decoder takes the length of a sequence from its first byte, and
// replaces a sequence that the file ends inside of with one character, all
// of it, whatever its bytes; otherwise it stops at the first byte that does
// not fit and replaces what it has read so far.
char32_t ReadUtf8(const std::string& bytes, size_t* pn) {
    const uint8_t nLead = Byte(bytes, (*pn)++);
    if (nLead < 0x80) return nLead;
    const size_t nFollowing = nLead >= 0xC2 && nLead <= 0xDF   ? 1
                              : nLead >= 0xE0 && nLead <= 0xEF ? 2
                              : nLead >= 0xF0 && nLead <= 0xF4 ? 3
                                                               : 0;
    if (nFollowing == 0) return kReplacement;
    if (bytes.size() - *pn < nFollowing) {
        *pn = bytes.size();
        return kReplacement;
    }
    static const uint8_t kLeadMask[] = {0x7F, 0x1F, 0x0F, 0x07};
    // A longer form than the character needs, a surrogate and a value past
    // U+10FFFF are refused as soon as the bytes read so far show it.
    char32_t c = nLead & kLeadMask[nFollowing];
    for (size_t i = 0; i < nFollowing; ++i) {
        const uint8_t nNext = Byte(bytes, *pn) ^ 0x80;
        if (nNext >= 0x40) return kReplacement;
        c = c << 6 | nNext;
        const size_t nLeft = nFollowing - 1 - i;
        if (nLeft == 2 && c < 0x10) return ++*pn, kReplacement;
        if (nLeft == 1 && c >= 0x110000 >> 6) return kReplacement;
        ++*pn;
        if (nLeft == 1 && (c < 0x20 || (c >= 0xD800 >> 6 && c <= 0xDFFF >> 6))) return kReplacement;
        if (nLeft == 0 && c < 0x80) return kReplacement;
    }
    return c;
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

std::u16string DecodeUtf8(const std::string& bytes, size_t nBegin, std::vector<size_t>* pOffsets) {
    std::u16string text;
    text.reserve(bytes.size() - nBegin);
    for (size_t n = nBegin; n < bytes.size();) {
        const size_t nStart = n;
        const char32_t c = ReadUtf8(bytes, &n);
        if (c >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            if (pOffsets) pOffsets->push_back(nStart);
        } else {
            text += static_cast<char16_t>(c);
        }
        if (pOffsets) pOffsets->push_back(nStart);
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
        } else {
            AppendUtf8(bytes, IsHighSurrogate(c) || IsLowSurrogate(c) ? kReplacement : c);
        }
    }
    return bytes;
}

// An odd last byte is read as a unit of its own, in either byte order as
// the low byte of a unit whose high byte is zero: the service swaps the
// whole units of a big-endian file and leaves the last byte where it lies.
std::u16string DecodeUtf16(const std::string& bytes, size_t nBegin, bool bBigEndian,
                           std::vector<size_t>* pOffsets) {
    std::u16string text;
    text.reserve((bytes.size() - nBegin + 1) / 2);
    for (size_t n = nBegin; n < bytes.size(); n += 2) {
        const uint8_t nFirst = Byte(bytes, n);
        if (n + 1 == bytes.size()) {
            text += static_cast<char16_t>(nFirst);
        } else {
            const uint8_t nSecond = Byte(bytes, n + 1);
            text += static_cast<char16_t>(bBigEndian ? nFirst << 8 | nSecond : nSecond << 8 | nFirst);
        }
        if (pOffsets) pOffsets->push_back(n);
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

std::u16string DecodeText(ETextEncoding encoding, const std::string& bytes, size_t nBegin,
                          std::vector<size_t>* pOffsets) {
    std::u16string text;
    switch (encoding) {
        case ETextEncoding::kUtf8:
            text = DecodeUtf8(bytes, nBegin, pOffsets);
            break;
        case ETextEncoding::kUtf16Le:
            text = DecodeUtf16(bytes, nBegin, false, pOffsets);
            break;
        case ETextEncoding::kUtf16Be:
            text = DecodeUtf16(bytes, nBegin, true, pOffsets);
            break;
        case ETextEncoding::kAnsi:
            text = AnsiToUnicode(bytes.substr(nBegin));
            for (size_t n = nBegin; pOffsets && n < bytes.size(); ++n) pOffsets->push_back(n);
            break;
    }
    if (pOffsets) pOffsets->push_back(bytes.size());
    return text;
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
