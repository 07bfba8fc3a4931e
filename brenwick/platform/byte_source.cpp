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

CFileByteSource::CFileByteSource(const std::string& path) {
    NativeFileInfo info;
    if (m_file.OpenForReading(path) != EFileOpen::kOpen || !m_file.Stat(&info) || !info.bRegular) return;
    m_nSize = info.nSize;
    m_bOpen = true;
}

bool CFileByteSource::Read(uint64_t nOffset, void* pDest, size_t nCount) const {
    if (!m_bOpen || nOffset > m_nSize || nCount > m_nSize - nOffset) return false;
    return nCount == 0 || m_file.ReadAt(nOffset, pDest, nCount);
}
