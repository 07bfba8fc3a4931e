#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The contents of a version resource (VS_VERSIONINFO): a tree of blocks, each
// with a UTF-16 key, a value and child blocks. The root block's value is the
// fixed file information, the only part that the exports read. Every block is
// checked to lie within its parent.

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

// The root block's fixed part, what VerQueryValue gives for "\\", read as
// the version service reads it even where the block's sizes disagree with
// it; false when the resource has no fixed part to read.
bool ReadVersionRootBlock(const std::vector<uint8_t>& resource, FixedFileInfo* pInfo);

// The value type of a block whose value is text; any other type is binary.
constexpr uint16_t kVersionTextValue = 1;

// One block as offsets into the resource: where it ends, where its value and
// its first child begin.
struct VersionBlock {
    size_t nEnd = 0;
    std::string key;
    uint16_t nValueLength = 0;  // characters of a text value, bytes of a binary one
    uint16_t nType = 0;
    size_t nValue = 0;
    size_t nChildren = 0;
};

// The block that starts at nBegin and must end by nLimit; false when it does
// not fit or its key has no terminator.
bool ParseVersionBlock(const std::vector<uint8_t>& data, size_t nBegin, size_t nLimit, VersionBlock* pBlock);

// A NUL-terminated UTF-16 text that starts at nBegin and ends before nEnd;
// false when no terminator comes first, with the characters up to nEnd in
// *pText. Characters above 0xFF read as '?'. *pnAfter is the offset past the
// terminator.
bool ReadVersionText(const std::vector<uint8_t>& data, size_t nBegin, size_t nEnd, std::string* pText,
                     size_t* pnAfter);
