#include "host/file_stream.h"
#include "imagefile/image_file.h"

namespace {

constexpr uint32_t kCdeBlockSize = 500;

}  // namespace

void CImageFile::WriteCdeBlock(uint32_t nAddress, uint32_t nLength, const uint8_t* pData) {
    if (!m_pFile || (!pData && nLength > 0)) return;
    for (uint32_t nDone = 0; nDone < nLength;) {
        uint32_t n = nLength - nDone < kCdeBlockSize ? nLength - nDone : kCdeBlockSize;
        // The next address stays where it was, so the caller can see that the
        // block did not reach the file.
        if (m_pFile->Write(pData + nDone, n) == 0) return;
        nDone += n;
    }
    m_nRecordAddress = nAddress + nLength;
}

void CImageFile::ReadCdeBlock(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    nLength = 0;
    if (!m_pFile) return;
    size_t nRead = m_pFile->Read(pBuffer, kCdeBlockSize);
    if (nRead == 0) return;
    nAddress = m_nRecordAddress;
    m_nRecordAddress += static_cast<uint32_t>(nRead);
    nLength = static_cast<uint32_t>(nRead);
}
