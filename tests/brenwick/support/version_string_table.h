#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The string part of a version resource, which no export reads: the tests and
// the Windows leg hold what a compiled resource carries against the texts it
// should carry.
struct VersionStringTable {
    std::string name;  // language and code page in hexadecimal, such as "080904b0"
    // Keys and values in resource order; UTF-16 characters above 0xFF read as '?'.
    std::vector<std::pair<std::string, std::string>> strings;
    std::vector<uint16_t> translation;  // language, code page, language, ...
};

// The first string table and the translation list; false when the resource
// is damaged or has no string table.
bool ReadVersionStrings(const std::vector<uint8_t>& resource, VersionStringTable* pTable);
