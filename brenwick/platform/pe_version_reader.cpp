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
    // The file offset of nSize bytes at an address of the loaded image, when
    // they lie wholly within the file data of one section.
    bool RvaToOffset(uint32_t nRva, uint32_t nSize, uint64_t* pnOffset) const;

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

bool CPeImage::RvaToOffset(uint32_t nRva, uint32_t nSize, uint64_t* pnOffset) const {
    for (const SectionHeader& section : m_sections) {
        // Bytes past the virtual size are not part of the loaded section.
        uint32_t nExtent = section.nRawSize;
        if (section.nVirtualSize != 0 && section.nVirtualSize < nExtent) nExtent = section.nVirtualSize;
        if (nRva < section.nVirtualAddress) continue;
        const uint32_t nInto = nRva - section.nVirtualAddress;
        if (nInto >= nExtent || nSize > nExtent - nInto) continue;
        *pnOffset = static_cast<uint64_t>(section.nRawOffset) + nInto;
        return true;
    }
    return false;
}

struct ResourceEntry {
    uint32_t nName;
    uint32_t nTarget;  // a subdirectory when kSubdirectoryFlag is set, else a data entry
};

// One entry of a resource directory: by its numeric name, or the first entry
// of any name when bFirst is set. Offsets are relative to the resource root.
bool FindResourceEntry(const CByteSource& source, uint64_t nRoot, uint32_t nDirectory, bool bFirst,
                       uint32_t nId, ResourceEntry* pEntry) {
    const uint64_t nDirectoryOffset = nRoot + nDirectory;
    uint16_t nNamedCount = 0;
    uint16_t nIdCount = 0;
    if (!source.ReadU16(nDirectoryOffset + 12, &nNamedCount) ||
        !source.ReadU16(nDirectoryOffset + 14, &nIdCount))
        return false;
    const uint32_t nCount = static_cast<uint32_t>(nNamedCount) + nIdCount;
    // Named entries come first; a numeric name has the high bit clear.
    for (uint32_t i = bFirst ? 0 : nNamedCount; i < nCount; ++i) {
        const uint64_t nEntry = nDirectoryOffset + 16 + 8ull * i;
        if (!source.ReadU32(nEntry, &pEntry->nName) || !source.ReadU32(nEntry + 4, &pEntry->nTarget))
            return false;
        if (bFirst || pEntry->nName == nId) return true;
    }
    return false;
}

}  // namespace

bool ReadPeVersionResource(const CByteSource& source, std::vector<uint8_t>* pResource, uint32_t* pnLanguage) {
    CPeImage image(source);
    uint32_t nResourceRva = 0;
    uint64_t nRoot = 0;
    if (!image.ReadHeaders(&nResourceRva) || !image.RvaToOffset(nResourceRva, 16, &nRoot)) return false;

    ResourceEntry type{};
    ResourceEntry name{};
    ResourceEntry language{};
    if (!FindResourceEntry(source, nRoot, 0, false, kResourceTypeVersion, &type) ||
        !(type.nTarget & kSubdirectoryFlag))
        return false;
    if (!FindResourceEntry(source, nRoot, type.nTarget & ~kSubdirectoryFlag, false, kVersionResourceName,
                           &name) ||
        !(name.nTarget & kSubdirectoryFlag))
        return false;
    if (!FindResourceEntry(source, nRoot, name.nTarget & ~kSubdirectoryFlag, true, 0, &language) ||
        (language.nTarget & kSubdirectoryFlag))
        return false;
    const uint32_t nDataEntry = language.nTarget;

    uint32_t nDataRva = 0;
    uint32_t nDataSize = 0;
    if (!source.ReadU32(nRoot + nDataEntry, &nDataRva) || !source.ReadU32(nRoot + nDataEntry + 4, &nDataSize))
        return false;
    if (nDataSize == 0) return false;
    if (nDataSize > kMaxVersionResourceSize) nDataSize = kMaxVersionResourceSize;
    uint64_t nDataOffset = 0;
    if (!image.RvaToOffset(nDataRva, nDataSize, &nDataOffset)) return false;
    pResource->assign(nDataSize, 0);
    if (!source.Read(nDataOffset, pResource->data(), nDataSize)) return false;
    if (pnLanguage) *pnLanguage = language.nName;
    return true;
}

bool ReadPeVersionResource(const std::string& path, std::vector<uint8_t>* pResource, uint32_t* pnLanguage) {
    CFileByteSource source(path);
    return source.IsOpen() && ReadPeVersionResource(source, pResource, pnLanguage);
}
