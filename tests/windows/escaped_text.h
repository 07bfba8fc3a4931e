#pragma once

#include <cstdio>
#include <string>

// Bytes written as one line of printable text, for call scripts and case
// files that a developer reads and edits: \0, \t, \r, \n, a doubled
// backslash and \xNN for every other byte that is not printable ASCII. A
// space is itself, but at the end of the text, where an editor would lose
// it, it is \x20.
inline std::string EscapeBytes(const std::string& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        char hex[8];
        if (c == 0)
            text += "\\0";
        else if (c == '\\')
            text += "\\\\";
        else if (c == '\t')
            text += "\\t";
        else if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c < 0x20 || c >= 0x7F || (c == ' ' && i + 1 == bytes.size())) {
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            text += hex;
        } else
            text += static_cast<char>(c);
    }
    return text;
}

inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of an escaped text; a backslash before any other character
// stands for that character.
inline std::string UnescapeBytes(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == '0')
            bytes += '\0';
        else if (c == 't')
            bytes += '\t';
        else if (c == 'r')
            bytes += '\r';
        else if (c == 'n')
            bytes += '\n';
        else if (c == 'x' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
                 HexDigitValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else
            bytes += c;
    }
    return bytes;
}
