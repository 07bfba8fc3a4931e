#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The contents of a version resource (VS_VERSIONINFO): a tree of blocks, each
// with a UTF-16 key, a value and child blocks. The root block's value is the
// fixed file information; its children hold the string table and the
// translation list. Every block is checked to lie within its parent.

struct FixedFileInfo {
    uint32_t dwSignature;
    uint32_t dwStrucVersion;
    uint32_t dwFileVersionMS;
    uint32_t dwFileVersionLS;
    uint32_t dwProductVersionMS;
    uint32_t dwProductVersionLS;
    uint32_t dwFileFlagsMask;
    uint32_t dwFileFlags;
    uint32_t dwFileOS;
    uint32_t dwFileType;
    uint32_t dwFileSubtype;
    uint32_t dwFileDateMS;
    uint32_t dwFileDateLS;
};

// The root block, what VerQueryValue gives for "\\"; false when the resource
// has none or is damaged.
bool ReadVersionRootBlock(const std::vector<uint8_t>& resource, FixedFileInfo* pInfo);

struct VersionStringTable {
    std::string name;  // language and code page in hexadecimal, such as "080904b0"
    // Keys and values in resource order; UTF-16 characters above 0xFF read as '?'.
    std::vector<std::pair<std::string, std::string>> strings;
    std::vector<uint16_t> translation;  // language, code page, language, ...
};

// The first string table and the translation list; false when the resource
// is damaged or has no string table.
bool ReadVersionStrings(const std::vector<uint8_t>& resource, VersionStringTable* pTable);
