#include <cstdio>
#include <cstring>

#include "host/file_stream.h"
#include "image/address_space.h"
#include "imagefile/image_file.h"

namespace {

constexpr uint32_t kMaxFprData = 200;
constexpr size_t kFprHeaderSize = 16;

}  // namespace

void CImageFile::WriteFprRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData) {
    if (!m_pFile || (!pData && nLength > 0)) return;
    uint8_t record[kFprHeaderSize + kMaxFprData];
    // In 64 bits: a piece that ends at 0xFFFFFFFF ends at 2^32, which 32 bits
    // would wrap to 0 and so write nothing. Bytes beyond the address space
    // have no address to be written with.
    uint64_t nCurrent = nAddress;
    uint64_t nEnd = nCurrent + nLength;
    if (nEnd > kAddressSpaceEnd) nEnd = kAddressSpaceEnd;
    while (nCurrent < nEnd) {
        uint32_t n = nEnd - nCurrent >= kMaxFprData ? kMaxFprData : static_cast<uint32_t>(nEnd - nCurrent);
        char szHeader[32];
        std::snprintf(szHeader, sizeof szHeader, "%08lX%08d", static_cast<unsigned long>(nCurrent),
                      static_cast<int>(n));
        std::memcpy(record, szHeader, kFprHeaderSize);
        std::memcpy(record + kFprHeaderSize, pData + (nCurrent - nAddress), n);
        if (m_pFile->Write(record, kFprHeaderSize + n) == 0) break;
        nCurrent += n;
    }
}

void CImageFile::ReadFprRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    nLength = 0;
    if (!m_pFile) return;
    uint8_t record[kMaxFprData];
    // A record cut short by the end of the file, in its header or its data,
    // gives nothing: its bytes are not known to be what was written.
    if (m_pFile->Read(record, kFprHeaderSize) != kFprHeaderSize) return;
    char szHeader[kFprHeaderSize + 1];
    std::memcpy(szHeader, record, kFprHeaderSize);
    szHeader[kFprHeaderSize] = '\0';
    unsigned long nRecordAddress = 0;
    int nRecordLength = 0;
    if (std::sscanf(szHeader, "%8lX%8d", &nRecordAddress, &nRecordLength) != 2) return;
    if (nRecordLength <= 0 || nRecordLength > static_cast<int>(kMaxFprData)) return;
    if (m_pFile->Read(record, static_cast<size_t>(nRecordLength)) != static_cast<size_t>(nRecordLength))
        return;
    std::memcpy(pBuffer, record, static_cast<size_t>(nRecordLength));
    nAddress = static_cast<uint32_t>(nRecordAddress);
    nLength = static_cast<uint32_t>(nRecordLength);
}

int CImageFile::WriteFprHeader() {
    return 1;
}

int CImageFile::ReadFprHeader() {
    return 1;
}
