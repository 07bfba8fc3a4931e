#include "brenwick/platform/pe_version_reader.h"

namespace {

constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kVersionResourceName = 1;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr uint32_t kMaxVersionResourceSize = 0x10000;
constexpr uint16_t kMaxSections = 96;  // the loader's own limit

struct SectionHeader {
    uint32_t nVirtualAddress;
    uint32_t nVirtualSize;
    uint32_t nRawSize;
    uint32_t nRawOffset;
};

class CPeImage {
public:
    explicit CPeImage(const CByteSource& source) : m_source(source) {}

    bool ReadHeaders(uint32_t* pnResourceRva);
    // The file offset of an address of the loaded image that lies within the
    // file data of a section, and how many bytes of that data follow it.
    bool RvaToOffset(uint32_t nRva, uint64_t* pnOffset, uint32_t* pnAvailable) const;

private:
    const CByteSource& m_source;
    std::vector<SectionHeader> m_sections;
};

bool CPeImage::ReadHeaders(uint32_t* pnResourceRva) {
    uint16_t nMagic = 0;
    uint32_t nPeOffset = 0;
    uint32_t nSignature = 0;
    if (!m_source.ReadU16(0, &nMagic) || nMagic != 0x5A4D) return false;  // "MZ"
    if (!m_source.ReadU32(0x3C, &nPeOffset)) return false;
    if (!m_source.ReadU32(nPeOffset, &nSignature) || nSignature != 0x00004550) return false;  // "PE\0\0"

    const uint64_t nFileHeader = static_cast<uint64_t>(nPeOffset) + 4;
    uint16_t nSectionCount = 0;
    uint16_t nOptionalHeaderSize = 0;
    if (!m_source.ReadU16(nFileHeader + 2, &nSectionCount) || nSectionCount > kMaxSections) return false;
    if (!m_source.ReadU16(nFileHeader + 16, &nOptionalHeaderSize)) return false;

    const uint64_t nOptionalHeader = nFileHeader + 20;
    uint16_t nOptionalMagic = 0;
    if (!m_source.ReadU16(nOptionalHeader, &nOptionalMagic)) return false;
    uint32_t nDirectoryCountOffset = 0;
    if (nOptionalMagic == 0x10B)
        nDirectoryCountOffset = 92;  // PE32
    else if (nOptionalMagic == 0x20B)
        nDirectoryCountOffset = 108;  // PE32+
    else
        return false;
    const uint32_t nResourceDirectoryOffset = nDirectoryCountOffset + 4 + 2 * 8;
    uint32_t nDirectoryCount = 0;
    if (!m_source.ReadU32(nOptionalHeader + nDirectoryCountOffset, &nDirectoryCount)) return false;
    if (nDirectoryCount < 3 || nResourceDirectoryOffset + 8 > nOptionalHeaderSize) return false;
    if (!m_source.ReadU32(nOptionalHeader + nResourceDirectoryOffset, pnResourceRva) || *pnResourceRva == 0)
        return false;

    const uint64_t nSectionTable = nOptionalHeader + nOptionalHeaderSize;
    for (uint16_t i = 0; i < nSectionCount; ++i) {
        const uint64_t nHeader = nSectionTable + 40u * i;
        SectionHeader section{};
        if (!m_source.ReadU32(nHeader + 8, &section.nVirtualSize) ||
            !m_source.ReadU32(nHeader + 12, &section.nVirtualAddress) ||
            !m_source.ReadU32(nHeader + 16, &section.nRawSize) ||
            !m_source.ReadU32(nHeader + 20, &section.nRawOffset))
            return false;
        m_sections.push_back(section);
    }
    return true;
}

bool CPeImage::RvaToOffset(uint32_t nRva, uint64_t* pnOffset, uint32_t* pnAvailable) const {
    for (const SectionHeader& section : m_sections) {
        // Bytes past the virtual size are not part of the loaded section.
        uint32_t nExtent = section.nRawSize;
        if (section.nVirtualSize != 0 && section.nVirtualSize < nExtent) nExtent = section.nVirtualSize;
        if (nRva < section.nVirtualAddress) continue;
        const uint32_t nInto = nRva - section.nVirtualAddress;
        if (nInto >= nExtent) continue;
        *pnOffset = static_cast<uint64_t>(section.nRawOffset) + nInto;
        *pnAvailable = nExtent - nInto;
        return true;
    }
    return false;
}

struct ResourceEntry {
    uint32_t nName;
    uint32_t nTarget;  // a subdirectory when kSubdirectoryFlag is set, else a data entry
};

bool IsDirectory(const ResourceEntry& entry) { return (entry.nTarget & kSubdirectoryFlag) != 0; }

enum class Verdict { kNext, kTake, kNone };

// Walks the entries of a resource directory in file order, the named ones
// first unless only numbered ones are asked for, until judge takes one or ends
// the search. Offsets are relative to the resource root.
template <typename Judge>
bool FindResourceEntry(const CByteSource& source, uint64_t nRoot, uint32_t nDirectory, bool bNumbered,
                       Judge judge, ResourceEntry* pEntry) {
    const uint64_t nDirectoryOffset = nRoot + nDirectory;
    uint16_t nNamedCount = 0;
    uint16_t nIdCount = 0;
    if (!source.ReadU16(nDirectoryOffset + 12, &nNamedCount) ||
        !source.ReadU16(nDirectoryOffset + 14, &nIdCount))
        return false;
    const uint32_t nCount = static_cast<uint32_t>(nNamedCount) + nIdCount;
    for (uint32_t i = bNumbered ? nNamedCount : 0; i < nCount; ++i) {
        const uint64_t nEntry = nDirectoryOffset + 16 + 8ull * i;
        if (!source.ReadU32(nEntry, &pEntry->nName) || !source.ReadU32(nEntry + 4, &pEntry->nTarget))
            return false;
        const Verdict verdict = judge(*pEntry);
        if (verdict != Verdict::kNext) return verdict == Verdict::kTake;
    }
    return false;
}

// The entry with a numeric name, when it is of the kind asked for (a
// subdirectory or data): the loader takes an entry of the other kind as no
// entry.
bool FindResourceEntry(const CByteSource& source, uint64_t nRoot, uint32_t nDirectory, uint32_t nId,
                       bool bDirectory, ResourceEntry* pEntry) {
    return FindResourceEntry(
        source, nRoot, nDirectory, true,
        [&](const ResourceEntry& entry) {
            if (entry.nName != nId) return Verdict::kNext;
            return IsDirectory(entry) == bDirectory ? Verdict::kTake : Verdict::kNone;
        },
        pEntry);
}

uint16_t PrimaryLanguage(uint16_t nLanguage) { return nLanguage & 0x3FF; }

// The language that the loader takes for a request in the neutral language,
// as FindResource makes it for the version service: the neutral language,
// the user's language, the user's primary language with the neutral
// sub-language, English (United States); failing all, the directory's first.
bool FindLanguageEntry(const CByteSource& source, uint64_t nRoot, uint32_t nDirectory, uint16_t nUserLanguage,
                       ResourceEntry* pEntry) {
    constexpr uint16_t kNeutral = 0x0000;
    constexpr uint16_t kEnglishUnitedStates = 0x0409;
    const uint16_t order[] = {kNeutral, nUserLanguage, PrimaryLanguage(nUserLanguage), kEnglishUnitedStates};
    for (uint16_t nLanguage : order)
        if (FindResourceEntry(source, nRoot, nDirectory, nLanguage, false, pEntry)) return true;
    return FindResourceEntry(
        source, nRoot, nDirectory, false,
        [](const ResourceEntry& entry) { return IsDirectory(entry) ? Verdict::kNext : Verdict::kTake; }, pEntry);
}

}  // namespace

bool ReadPeVersionResource(const CByteSource& source, std::vector<uint8_t>* pResource, uint32_t* pnLanguage,
                           uint16_t nUserLanguage) {
    CPeImage image(source);
    uint32_t nResourceRva = 0;
    uint64_t nRoot = 0;
    uint32_t nRootAvailable = 0;
    if (!image.ReadHeaders(&nResourceRva) || !image.RvaToOffset(nResourceRva, &nRoot, &nRootAvailable) ||
        nRootAvailable < 16)
        return false;

    ResourceEntry type{};
    ResourceEntry name{};
    ResourceEntry language{};
    if (!FindResourceEntry(source, nRoot, 0, kResourceTypeVersion, true, &type) ||
        !FindResourceEntry(source, nRoot, type.nTarget & ~kSubdirectoryFlag, kVersionResourceName, true, &name) ||
        !FindLanguageEntry(source, nRoot, name.nTarget & ~kSubdirectoryFlag, nUserLanguage, &language))
        return false;
    const uint32_t nDataEntry = language.nTarget;

    uint32_t nDataRva = 0;
    uint32_t nDataSize = 0;
    if (!source.ReadU32(nRoot + nDataEntry, &nDataRva) || !source.ReadU32(nRoot + nDataEntry + 4, &nDataSize))
        return false;
    if (nDataSize == 0) return false;
    if (nDataSize > kMaxVersionResourceSize) nDataSize = kMaxVersionResourceSize;
    uint64_t nDataOffset = 0;
    uint32_t nAvailable = 0;
    if (!image.RvaToOffset(nDataRva, &nDataOffset, &nAvailable)) return false;
    // The loader maps a section's data with zeros after it, so a size that
    // reaches past the section reads zeros there, as the version service
    // reads them.
    pResource->assign(nDataSize, 0);
    if (!source.Read(nDataOffset, pResource->data(), nDataSize < nAvailable ? nDataSize : nAvailable))
        return false;
    if (pnLanguage) *pnLanguage = language.nName;
    return true;
}

bool ReadPeVersionResource(const std::string& path, std::vector<uint8_t>* pResource, uint32_t* pnLanguage,
                           uint16_t nUserLanguage) {
    CFileByteSource source(path);
    return source.IsOpen() && ReadPeVersionResource(source, pResource, pnLanguage, nUserLanguage);
}
