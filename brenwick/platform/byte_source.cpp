#include "brenwick/platform/byte_source.h"

#include <cstring>

bool CByteSource::ReadU16(uint64_t nOffset, uint16_t* pValue) const {
    uint8_t bytes[2];
    if (!Read(nOffset, bytes, sizeof(bytes))) return false;
    *pValue = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

bool CByteSource::ReadU32(uint64_t nOffset, uint32_t* pValue) const {
    uint8_t bytes[4];
    if (!Read(nOffset, bytes, sizeof(bytes))) return false;
    *pValue = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
              static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

bool CMemoryByteSource::Read(uint64_t nOffset, void* pDest, size_t nCount) const {
    if (nOffset > m_nSize || nCount > m_nSize - nOffset) return false;
    if (nCount > 0) std::memcpy(pDest, m_pData + nOffset, nCount);
    return true;
}

CFileByteSource::CFileByteSource(const std::string& path) : m_file(path, std::ios::binary) {
    if (!m_file) return;
    m_file.seekg(0, std::ios::end);
    const std::streamoff nEnd = m_file.tellg();
    if (nEnd < 0) return;
    m_nSize = static_cast<uint64_t>(nEnd);
    m_bOpen = true;
}

bool CFileByteSource::Read(uint64_t nOffset, void* pDest, size_t nCount) const {
    if (!m_bOpen || nOffset > m_nSize || nCount > m_nSize - nOffset) return false;
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(nOffset));
    m_file.read(static_cast<char*>(pDest), static_cast<std::streamsize>(nCount));
    return static_cast<size_t>(m_file.gcount()) == nCount;
}
