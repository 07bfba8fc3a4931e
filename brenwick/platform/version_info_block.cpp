#include "brenwick/platform/version_info_block.h"

namespace {

constexpr size_t kFixedFileInfoSize = 13 * 4;
constexpr uint16_t kTextValue = 1;

struct Block {
    size_t nEnd = 0;
    std::string key;
    uint16_t nValueLength = 0;
    uint16_t nType = 0;
    size_t nValue = 0;
    size_t nChildren = 0;
};

size_t AlignTo4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

uint16_t U16(const std::vector<uint8_t>& data, size_t n) {
    return static_cast<uint16_t>(data[n] | data[n + 1] << 8);
}

uint32_t U32(const std::vector<uint8_t>& data, size_t n) {
    return U16(data, n) | static_cast<uint32_t>(U16(data, n + 2)) << 16;
}

// A NUL-terminated UTF-16 text that starts at nBegin and ends before nEnd;
// false when no terminator comes first, with the characters up to nEnd in
// *pText. *pnAfter is the offset past the terminator.
bool ReadText(const std::vector<uint8_t>& data, size_t nBegin, size_t nEnd, std::string* pText,
              size_t* pnAfter) {
    pText->clear();
    for (size_t n = nBegin; n + 2 <= nEnd; n += 2) {
        const uint16_t c = U16(data, n);
        if (c == 0) {
            *pnAfter = n + 2;
            return true;
        }
        pText->push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    }
    return false;
}

bool ParseBlock(const std::vector<uint8_t>& data, size_t nBegin, size_t nLimit, Block* pBlock) {
    if (nBegin > nLimit || nLimit - nBegin < 6) return false;
    const uint16_t nLength = U16(data, nBegin);
    if (nLength < 6 || nLength > nLimit - nBegin) return false;
    pBlock->nEnd = nBegin + nLength;
    pBlock->nValueLength = U16(data, nBegin + 2);
    pBlock->nType = U16(data, nBegin + 4);
    size_t nAfterKey = 0;
    if (!ReadText(data, nBegin + 6, pBlock->nEnd, &pBlock->key, &nAfterKey)) return false;
    // Text values count their length in characters, binary ones in bytes.
    const size_t nValueBytes = pBlock->nType == kTextValue ? 2u * pBlock->nValueLength : pBlock->nValueLength;
    pBlock->nValue = AlignTo4(nAfterKey);
    if (pBlock->nValue > pBlock->nEnd) pBlock->nValue = pBlock->nEnd;
    if (pBlock->nType != kTextValue && nValueBytes > pBlock->nEnd - pBlock->nValue) return false;
    pBlock->nChildren = AlignTo4(pBlock->nValue + nValueBytes);
    return true;
}

// The child blocks of a block; false when one of them is damaged.
bool ReadChildren(const std::vector<uint8_t>& data, const Block& parent, std::vector<Block>* pChildren) {
    pChildren->clear();
    for (size_t n = parent.nChildren; n < parent.nEnd && parent.nEnd - n >= 6;) {
        Block child;
        if (!ParseBlock(data, n, parent.nEnd, &child)) return false;
        pChildren->push_back(child);
        n = AlignTo4(child.nEnd);
    }
    return true;
}

// A string's value runs to its terminator, or to the end of its block when a
// resource compiler left the terminator out.
std::string ReadValueText(const std::vector<uint8_t>& data, const Block& entry) {
    std::string value;
    size_t nAfter = 0;
    ReadText(data, entry.nValue, entry.nEnd, &value, &nAfter);
    return value;
}

bool ReadStringTable(const std::vector<uint8_t>& data, const Block& table, VersionStringTable* pTable) {
    std::vector<Block> entries;
    if (!ReadChildren(data, table, &entries)) return false;
    pTable->name = table.key;
    for (const Block& entry : entries) pTable->strings.emplace_back(entry.key, ReadValueText(data, entry));
    return true;
}

bool ReadTranslation(const std::vector<uint8_t>& data, const Block& info, VersionStringTable* pTable) {
    std::vector<Block> vars;
    if (!ReadChildren(data, info, &vars)) return false;
    for (const Block& var : vars) {
        if (var.key != "Translation" || var.nType == kTextValue) continue;
        for (size_t n = var.nValue; n + 2 <= var.nValue + var.nValueLength; n += 2)
            pTable->translation.push_back(U16(data, n));
    }
    return true;
}

bool ParseRoot(const std::vector<uint8_t>& resource, Block* pRoot) {
    return ParseBlock(resource, 0, resource.size(), pRoot);
}

}  // namespace

bool ReadVersionRootBlock(const std::vector<uint8_t>& resource, FixedFileInfo* pInfo) {
    Block root;
    if (!ParseRoot(resource, &root) || root.nType == kTextValue || root.nValueLength < kFixedFileInfoSize)
        return false;
    uint32_t* pFields[] = {&pInfo->dwSignature,     &pInfo->dwStrucVersion,     &pInfo->dwFileVersionMS,
                           &pInfo->dwFileVersionLS, &pInfo->dwProductVersionMS, &pInfo->dwProductVersionLS,
                           &pInfo->dwFileFlagsMask, &pInfo->dwFileFlags,        &pInfo->dwFileOS,
                           &pInfo->dwFileType,      &pInfo->dwFileSubtype,      &pInfo->dwFileDateMS,
                           &pInfo->dwFileDateLS};
    for (size_t i = 0; i < sizeof(pFields) / sizeof(pFields[0]); ++i)
        *pFields[i] = U32(resource, root.nValue + 4 * i);
    return true;
}

bool ReadVersionStrings(const std::vector<uint8_t>& resource, VersionStringTable* pTable) {
    Block root;
    std::vector<Block> infos;
    if (!ParseRoot(resource, &root) || !ReadChildren(resource, root, &infos)) return false;
    bool bHaveTable = false;
    for (const Block& info : infos) {
        if (info.key == "StringFileInfo") {
            std::vector<Block> tables;
            if (!ReadChildren(resource, info, &tables)) return false;
            if (!tables.empty() && !bHaveTable) {
                if (!ReadStringTable(resource, tables.front(), pTable)) return false;
                bHaveTable = true;
            }
        } else if (info.key == "VarFileInfo") {
            if (!ReadTranslation(resource, info, pTable)) return false;
        }
    }
    return bHaveTable;
}
