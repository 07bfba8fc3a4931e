#pragma once

#include <string>

// The ANSI code page of the portable platform's Windows, 1252 (Western
// European): where the "A" calls' texts meet the text of a Unicode INI file.
// Every byte stands for one character, so a text goes there and back
// unchanged; a character that the code page lacks goes out as Windows sends
// it (WideCharToMultiByte without flags): as a similar one from Windows'
// best-fit table (U+0100 as A, a full-width letter as its ASCII letter), else
// as "?". Each half of a surrogate pair is one such character.
char16_t AnsiToUnicode(char c);
char UnicodeToAnsi(char16_t c);

std::u16string AnsiToUnicode(const std::string& text);
std::string UnicodeToAnsi(const std::u16string& text);
