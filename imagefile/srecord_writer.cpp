#include <algorithm>
#include <cstring>

#include "host/file_stream.h"
#include "imagefile/hex_digits.h"
#include "imagefile/image_file.h"
#include "imagefile/path_parts.h"

namespace {

// The largest data line that fits the 256-character line buffer.
constexpr uint32_t kMaxBytesPerLine = 120;
// The header's data: eight characters of the base name and three of the
// extension, blanks where the name is shorter.
constexpr size_t kHeaderNameBytes = 8;
constexpr size_t kHeaderExtensionBytes = 3;

// How one kind of line writes its digits. The lines differ in the letter case
// of the count and of the data and checksum digits (addresses are always
// upper case), and in how many address bytes the checksum covers.
struct CLineStyle {
    const char* pszCountDigits;
    const char* pszDataDigits;
    int nChecksumAddressBytes;
};

// Data lines go out as they always have: count, data and checksum in lower
// case, and all four address bytes in the checksum (they are zero beyond an
// address that fits its width).
constexpr CLineStyle kDataLine{kLowerHexDigits, kLowerHexDigits, 4};
constexpr CLineStyle kHeaderLine{kUpperHexDigits, kUpperHexDigits, 2};
constexpr CLineStyle kFormattedLine{kLowerHexDigits, kUpperHexDigits, -1};

int AddressDigits(int nWidth) {
    return nWidth == 1 ? 4 : nWidth == 2 ? 6 : 8;
}

char TypeDigit(int nWidth) {
    return nWidth == 1 ? '1' : nWidth == 2 ? '2' : '3';
}

// Builds one line with its line end and a zero byte at p: type, count, the
// address in nAddressDigits digits (more if it needs them), the data and the
// checksum. A style without its own number of checksum address bytes (-1)
// takes those that the address digits print.
char* BuildLine(char* p, char type, int nAddressDigits, uint32_t nAddress, const uint8_t* pData, uint32_t nLength,
                const CLineStyle& style) {
    const int nAddressBytes = nAddressDigits / 2;
    const uint8_t count = static_cast<uint8_t>(nLength + nAddressBytes + 1);
    *p++ = 'S';
    *p++ = type;
    p = PutHexByte(p, count, style.pszCountDigits);
    p = PutHexNumber(p, nAddress, nAddressDigits, kUpperHexDigits);
    const int nSummedBytes = style.nChecksumAddressBytes < 0 ? nAddressBytes : style.nChecksumAddressBytes;
    unsigned nSum = count;
    for (int i = 0; i < nSummedBytes; ++i) nSum += (nAddress >> (8 * i)) & 0xFF;
    for (uint32_t i = 0; i < nLength; ++i) {
        p = PutHexByte(p, pData[i], style.pszDataDigits);
        nSum += pData[i];
    }
    p = PutHexByte(p, static_cast<uint8_t>(~nSum), style.pszDataDigits);
    *p++ = '\n';
    *p = '\0';
    return p;
}

}  // namespace

void CImageFile::WriteSRecordHeader(uint32_t nHighestAddress) {
    if (m_nKind != kKindSRecord) return;
    uint8_t name[kHeaderNameBytes + kHeaderExtensionBytes];
    std::memset(name, ' ', sizeof name);
    const CPathParts parts = SplitPath(m_szFileName);
    std::memcpy(name, parts.baseName.data(), std::min(kHeaderNameBytes, parts.baseName.size()));
    // The dot of the extension takes one of the four places looked at, so at
    // most three characters of it are kept.
    size_t nNext = kHeaderNameBytes;
    for (size_t i = 0; i < std::min<size_t>(4, parts.extension.size()); ++i)
        if (parts.extension[i] != '.') name[nNext++] = static_cast<uint8_t>(parts.extension[i]);

    char szLine[64];
    BuildLine(szLine, '0', 4, 0, name, sizeof name, kHeaderLine);
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
    char szLine[256];
    BuildLine(szLine, TypeDigit(m_nAddressWidth), AddressDigits(m_nAddressWidth), nAddress, pData, nLength, kDataLine);
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
    BuildLine(pszText, TypeDigit(m_nAddressWidth), AddressDigits(m_nAddressWidth), nAddress, pData, nLength,
              kFormattedLine);
}
