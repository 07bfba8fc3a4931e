#include "version_string_table.h"

#include "brenwick/platform/version_info_block.h"

namespace {

size_t AlignTo4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

// The child blocks of a block; false when one of them is damaged.
bool ReadChildren(const std::vector<uint8_t>& data, const VersionBlock& parent,
                  std::vector<VersionBlock>* pChildren) {
    pChildren->clear();
    for (size_t n = parent.nChildren; n < parent.nEnd && parent.nEnd - n >= 6;) {
        VersionBlock child;
        if (!ParseVersionBlock(data, n, parent.nEnd, &child)) return false;
        pChildren->push_back(child);
        n = AlignTo4(child.nEnd);
    }
    return true;
}

// A string's value runs to its terminator, or to the end of its block when a
// resource compiler left the terminator out.
std::string ReadValueText(const std::vector<uint8_t>& data, const VersionBlock& entry) {
    std::string value;
    size_t nAfter = 0;
    ReadVersionText(data, entry.nValue, entry.nEnd, &value, &nAfter);
    return value;
}

bool ReadStringTable(const std::vector<uint8_t>& data, const VersionBlock& table, VersionStringTable* pTable) {
    std::vector<VersionBlock> entries;
    if (!ReadChildren(data, table, &entries)) return false;
    pTable->name = table.key;
    for (const VersionBlock& entry : entries) pTable->strings.emplace_back(entry.key, ReadValueText(data, entry));
    return true;
}

bool ReadTranslation(const std::vector<uint8_t>& data, const VersionBlock& info, VersionStringTable* pTable) {
    std::vector<VersionBlock> vars;
    if (!ReadChildren(data, info, &vars)) return false;
    for (const VersionBlock& var : vars) {
        if (var.key != "Translation" || var.nType == kVersionTextValue) continue;
        for (size_t n = var.nValue; n + 2 <= var.nValue + var.nValueLength; n += 2)
            pTable->translation.push_back(static_cast<uint16_t>(data[n] | data[n + 1] << 8));
    }
    return true;
}

}  // namespace

bool ReadVersionStrings(const std::vector<uint8_t>& resource, VersionStringTable* pTable) {
    VersionBlock root;
    std::vector<VersionBlock> infos;
    if (!ParseVersionBlock(resource, 0, resource.size(), &root) || !ReadChildren(resource, root, &infos))
        return false;
    bool bHaveTable = false;
    for (const VersionBlock& info : infos) {
        if (info.key == "StringFileInfo") {
            std::vector<VersionBlock> tables;
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
