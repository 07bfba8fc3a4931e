#include <algorithm>
#include <cstring>

#include "host/file_stream.h"
#include "imagefile/hex_digits.h"
#include "imagefile/image_file.h"
#include "imagefile/path_parts.h"

namespace {

// The largest data line that fits the 256-character line buffer.
constexpr uint32_t kMaxBytesPerLine = 120;

// Count 0x0E, address 0000, eleven spaces as the module name.
constexpr char kHeaderTemplate[] = "S00E0000202020202020202020202091\n";
constexpr int kHeaderNameColumn = 8;
constexpr int kHeaderExtensionColumn = 24;
constexpr int kHeaderChecksumColumn = 30;

int AddressDigits(int nWidth) {
    return nWidth == 1 ? 4 : nWidth == 2 ? 6 : 8;
}

char TypeDigit(int nWidth) {
    return nWidth == 1 ? '1' : nWidth == 2 ? '2' : '3';
}

}  // namespace

void CImageFile::WriteSRecordHeader(uint32_t nHighestAddress) {
    if (m_nKind != kKindSRecord) return;
    char szLine[sizeof kHeaderTemplate];
    std::memcpy(szLine, kHeaderTemplate, sizeof kHeaderTemplate);

    CPathParts parts = SplitPath(m_szFileName);
    size_t nNameLength = std::min<size_t>(8, parts.baseName.size());
    for (size_t i = 0; i < nNameLength; ++i)
        PutHexByte(szLine + kHeaderNameColumn + 2 * i, static_cast<uint8_t>(parts.baseName[i]),
                   kUpperHexDigits);
    // The dot of the extension takes one of the four places looked at, so at
    // most three characters of it are kept.
    char* pNext = szLine + kHeaderExtensionColumn;
    size_t nExtensionLength = std::min<size_t>(4, parts.extension.size());
    for (size_t i = 0; i < nExtensionLength; ++i)
        if (parts.extension[i] != '.')
            pNext = PutHexByte(pNext, static_cast<uint8_t>(parts.extension[i]), kUpperHexDigits);

    unsigned nSum = 0;
    for (int nColumn = 2; nColumn < kHeaderChecksumColumn; nColumn += 2)
        nSum += HexPairValue(szLine + nColumn);
    PutHexByte(szLine + kHeaderChecksumColumn, static_cast<uint8_t>(~nSum), kUpperHexDigits);
    if (m_pFile) m_pFile->WriteString(szLine);

    // The width of every data line and of the terminator follows from the
    // highest address, so that all lines of the file have the same width.
    if (nHighestAddress < 0x10000)
        m_nAddressWidth = 1;
    else if (nHighestAddress < 0x1000000)
        m_nAddressWidth = 2;
    else
        m_nAddressWidth = 3;
}

void CImageFile::WriteSRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData) {
    if (!pData && nLength > 0) return;
    // More bytes than one line holds become several lines instead of running
    // past the line buffer.
    while (nLength > kMaxBytesPerLine) {
        WriteSRecord(nAddress, kMaxBytesPerLine, pData);
        nAddress += kMaxBytesPerLine;
        pData += kMaxBytesPerLine;
        nLength -= kMaxBytesPerLine;
    }
    int nAddressBytes = AddressDigits(m_nAddressWidth) / 2;
    uint8_t count = static_cast<uint8_t>(nLength + nAddressBytes + 1);

    char szLine[256];
    char* p = szLine;
    *p++ = 'S';
    *p++ = TypeDigit(m_nAddressWidth);
    p = PutHexByte(p, count, kLowerHexDigits);
    p = PutHexNumber(p, nAddress, AddressDigits(m_nAddressWidth), kUpperHexDigits);
    // All four address bytes, whatever the width: they are zero for an
    // address that fits it.
    unsigned nSum =
        count + (nAddress & 0xFF) + ((nAddress >> 8) & 0xFF) + ((nAddress >> 16) & 0xFF) + (nAddress >> 24);
    for (uint32_t i = 0; i < nLength; ++i) {
        p = PutHexByte(p, pData[i], kLowerHexDigits);
        nSum += pData[i];
    }
    p = PutHexByte(p, static_cast<uint8_t>(~nSum), kLowerHexDigits);
    *p++ = '\n';
    *p = '\0';
    if (m_pFile) m_pFile->WriteString(szLine);
}

void CImageFile::WriteSRecordTerminator() {
    if (m_nKind != kKindSRecord || !m_pFile) return;
    if (m_nAddressWidth == 1)
        m_pFile->WriteString("S9030000FC\n");
    else if (m_nAddressWidth == 2)
        m_pFile->WriteString("S804000000FB\n");
    else
        m_pFile->WriteString("S70500000000FA\n");
}

void CImageFile::FormatSRecord(uint32_t nAddress, const uint8_t* pData, char* pszText, uint32_t nLength) {
    int nAddressBytes = AddressDigits(m_nAddressWidth) / 2;
    uint8_t count = static_cast<uint8_t>(nLength + nAddressBytes + 1);
    char* p = pszText;
    *p++ = 'S';
    *p++ = TypeDigit(m_nAddressWidth);
    p = PutHexByte(p, count, kLowerHexDigits);
    p = PutHexNumber(p, nAddress, AddressDigits(m_nAddressWidth), kUpperHexDigits);
    // Unlike WriteSRecord, only the address bytes that the width prints.
    unsigned nSum = count;
    for (int i = 0; i < nAddressBytes; ++i) nSum += (nAddress >> (8 * i)) & 0xFF;
    for (uint32_t i = 0; i < nLength; ++i) {
        p = PutHexByte(p, pData[i], kUpperHexDigits);
        nSum += pData[i];
    }
    p = PutHexByte(p, static_cast<uint8_t>(~nSum), kUpperHexDigits);
    *p++ = '\n';
    *p = '\0';
}
