#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "brenwick/platform/native_file.h"

// Bytes read by offset from a file or a buffer. Every read is checked against
// the end: a read that would go past it fails and places nothing.
class CByteSource {
public:
    virtual ~CByteSource() = default;
    virtual bool Read(uint64_t nOffset, void* pDest, size_t nCount) const = 0;

    bool ReadU16(uint64_t nOffset, uint16_t* pValue) const;
    bool ReadU32(uint64_t nOffset, uint32_t* pValue) const;
};

class CMemoryByteSource : public CByteSource {
public:
    CMemoryByteSource(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    bool Read(uint64_t nOffset, void* pDest, size_t nCount) const override;

private:
    const uint8_t* m_pData;
    size_t m_nSize;
};

// Only a regular file opens: a FIFO, a device or a directory is refused at
// once, without waiting for a writer or reading endless bytes.
class CFileByteSource : public CByteSource {
public:
    explicit CFileByteSource(const std::string& path);
    bool IsOpen() const { return m_bOpen; }
    bool Read(uint64_t nOffset, void* pDest, size_t nCount) const override;

private:
    CNativeFile m_file;
    uint64_t m_nSize = 0;
    bool m_bOpen = false;
};
