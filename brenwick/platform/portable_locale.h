#pragma once

#include <cstdint>

// The portable platform answers as a Windows installed for English (United
// States), the set-up that Wine takes on a system without a locale of its
// own: user and system language 0x0409, ANSI code page 1252. The language
// chooses among the languages of a version resource, the code page is where
// the "A" calls' texts meet the text of a Unicode INI file.
constexpr uint16_t kPortableLanguage = 0x0409;
