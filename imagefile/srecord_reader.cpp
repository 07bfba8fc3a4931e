#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "host/file_stream.h"
#include "imagefile/hex_digits.h"
#include "imagefile/image_file.h"

namespace {

enum {
    kClassBad = -1,
    kClassHeader = 0,
    kClassTerminator = 4,
};

// Reads up to nDigits address digits, stopping at the end of the text.
uint32_t DecodeAddress(const char*& p, int nDigits) {
    uint32_t value = 0;
    for (int i = 0; i < nDigits && *p != '\0'; ++i) value = value * 16 + HexValue(*p++);
    return value;
}

// Decodes digit pairs that begin before pEnd, as long as the text and the
// output last, and returns how many bytes it stored.
uint32_t DecodeBytes(const char* p, const char* pEnd, uint8_t* pOut, uint32_t nMax) {
    uint32_t n = 0;
    for (; p < pEnd && n < nMax; p += 2) {
        int byte = HexPairValue(p);
        if (byte < 0) break;
        pOut[n++] = static_cast<uint8_t>(byte);
    }
    return n;
}

std::string UnknownTypeReason(char type) {
    const unsigned char code = static_cast<unsigned char>(type);
    if (code > 0x20 && code < 0x7F) return std::string("unknown record type S") + type;
    return "unknown record type character " + NameCharacter(type);
}

// The rules that a line read from a file breaks, in the order in which its
// reading tests them. ParseSRecord reads any character as a digit, and a line
// end as one too, so a stray letter, or a line cut short by one digit, would
// pass wherever the checksum happened to match: a line of a file is digits
// from its count to its checksum.
enum class ELineFault { kNone, kTooLong, kNotARecord, kNonHexDigit, kChecksum, kUnknownType };

bool IsLineEnd(char c) {
    return c == '\0' || c == '\n';
}

}  // namespace

// What one reading of a line found: ParseSRecord's class, and the first rule
// that the line breaks as a line of a file, with the column of a character
// that is no digit.
struct CImageFile::CLineReading {
    int nClass;
    ELineFault fault;
    int nColumn;
};

int CImageFile::HexDigitValue(const char* pch) {
    return HexValue(*pch);
}

// pszText is at the second digit of the count, so the count's pair begins one
// character before it; pair k of the record is at pszText - 1 + 2k.
int CImageFile::VerifySRecordChecksum(const char* pszText, int nCount) {
    if (nCount < 0) return 0;
    const char* pRecord = pszText - 1;
    unsigned nSum = 0;
    for (int k = 0; k < nCount; ++k) {
        int byte = HexPairValue(pRecord + 2 * k);
        // A count that calls for more digits than the line holds.
        if (byte < 0) return 0;
        nSum += static_cast<unsigned>(byte);
    }
    int checksum = HexPairValue(pRecord + 2 * nCount);
    return checksum >= 0 && static_cast<unsigned>(checksum) == (~nSum & 0xFF) ? 1 : 0;
}

void CImageFile::DecodeS0(const char* pszText, const char* pszEnd) {
    const char* p = pszText;
    DecodeAddress(p, 4);
    // One place is kept for the zero byte that ends the module name.
    uint32_t n = DecodeBytes(p, pszEnd, m_recordData, sizeof m_recordData - 1);
    m_recordData[n] = 0;
}

void CImageFile::DecodeS1(const char* pszText, const char* pszEnd) {
    const char* p = pszText;
    m_nRecordAddress = DecodeAddress(p, 4);
    m_nRecordLength = DecodeBytes(p, pszEnd, m_recordData, sizeof m_recordData);
}

void CImageFile::DecodeS2(const char* pszText, const char* pszEnd) {
    const char* p = pszText;
    m_nRecordAddress = DecodeAddress(p, 6);
    m_nRecordLength = DecodeBytes(p, pszEnd, m_recordData, sizeof m_recordData);
}

void CImageFile::DecodeS3(const char* pszText, const char* pszEnd) {
    const char* p = pszText;
    m_nRecordAddress = DecodeAddress(p, 8);
    m_nRecordLength = DecodeBytes(p, pszEnd, m_recordData, sizeof m_recordData);
}

int CImageFile::ParseSRecord(const char* pszLine) {
    if (!pszLine) return kClassBad;
    return ReadSRecordText(pszLine, std::strlen(pszLine), false, nullptr).nClass;
}

const char* CImageFile::ReadSRecordLine(char* pszBuffer, size_t& nLength, bool& bTooLong, size_t nMaxLength) {
    nLength = 0;
    bTooLong = false;
    if (!m_pFile) return nullptr;
    // Most lines are read where they lie in the stream's buffer; the others
    // (a CR, an end-of-file byte, more than a record's length, the last line
    // without an LF) are copied.
    if (const char* pLine = m_pFile->PeekLine(nMaxLength + 1, nLength)) {
        ++m_nLinesRead;
        return pLine;
    }
    if (!m_pFile->ReadLine(pszBuffer, static_cast<int>(nMaxLength + 2), &nLength, CFileStream::kAnyLineEnd))
        return nullptr;
    ++m_nLinesRead;
    bTooLong = nLength > nMaxLength && pszBuffer[nLength - 1] != '\n';
    // The rest of an over-long line is part of it, not the next line, so that
    // the lines after it keep their numbers.
    char szRest[256];
    size_t nRest = 0;
    if (bTooLong)
        while (m_pFile->ReadLine(szRest, sizeof szRest, &nRest, CFileStream::kAnyLineEnd) && szRest[nRest - 1] != '\n') {
        }
    return pszBuffer;
}

void CImageFile::FlagBadLine(uint32_t nLineNumber, std::string reason) {
    m_bNotSRecord = 1;
    m_nLineNumber = nLineNumber;
    m_strBadLineReason = std::move(reason);
}

// A reading in two steps. Nearly every line of a file is a good record, which
// DecodeWellFormedLine tests, sums and decodes in one pass. Any other line
// is read again as ParseSRecord reads it, and the rule it breaks is found.
CImageFile::CLineReading CImageFile::ReadSRecordText(const char* pLine, size_t nLength, bool bTooLong,
                                                     char* pszCopy) {
    if (!bTooLong) {
        const int nClass = DecodeWellFormedLine(pLine, nLength);
        if (nClass != kClassBad) return {nClass, ELineFault::kNone, 0};
    }
    // A line of a file becomes a text of its own, ended by a zero byte.
    const char* pszLine = pLine;
    if (pszCopy && pLine != pszCopy) {
        std::memcpy(pszCopy, pLine, nLength);
        pszCopy[nLength] = '\0';
        pszLine = pszCopy;
    }
    CLineReading reading{kClassBad, ELineFault::kNone, 0};
    // Column 0 is not examined, but the type must be on the line.
    if (pszLine[0] == '\0' || pszLine[1] == '\0') {
        reading.fault = bTooLong ? ELineFault::kTooLong : ELineFault::kNotARecord;
        return reading;
    }
    const int nCount = HexPairValue(pszLine + 2);
    // The checksum is tested before the type is looked at.
    const bool bChecksum = nCount >= 0 && VerifySRecordChecksum(pszLine + 3, nCount);
    if (bChecksum) reading.nClass = DecodeByType(pszLine, nCount);

    if (bTooLong) {
        reading.fault = ELineFault::kTooLong;
    } else if (!IsHexDigit(pszLine[2]) || !IsHexDigit(pszLine[3]) || nCount == 0) {
        // A line whose count is not a number is not meant as a record at all.
        reading.fault = ELineFault::kNotARecord;
    } else {
        // The zero byte at the end of the text is no digit either.
        for (int nColumn = 4; nColumn < 4 + 2 * nCount && reading.fault == ELineFault::kNone; ++nColumn) {
            if (IsHexDigit(pszLine[nColumn])) continue;
            // The line ends before the count says it does.
            reading.fault = IsLineEnd(pszLine[nColumn]) ? ELineFault::kNotARecord : ELineFault::kNonHexDigit;
            reading.nColumn = nColumn;
        }
    }
    if (reading.fault == ELineFault::kNone && !bChecksum) reading.fault = ELineFault::kChecksum;
    if (reading.fault == ELineFault::kNone && reading.nClass == kClassBad) reading.fault = ELineFault::kUnknownType;
    return reading;
}

int CImageFile::DecodeByType(const char* pszLine, int nCount) {
    const char* pszAddress = pszLine + 4;
    const char* pszDataEnd = pszLine + 2 * nCount + 1;
    switch (pszLine[1]) {
        case '0':
            DecodeS0(pszAddress, pszDataEnd);
            return kClassHeader;
        case '1':
            DecodeS1(pszAddress, pszDataEnd);
            return 1;
        case '2':
            DecodeS2(pszAddress, pszDataEnd);
            return 2;
        case '3':
            DecodeS3(pszAddress, pszDataEnd);
            return 3;
        // Any termination line ends the data, whatever the width of the data
        // lines; its address is not used.
        case '7':
        case '8':
        case '9':
            return kClassTerminator;
        default:
            return kClassBad;
    }
}

int CImageFile::DecodeWellFormedLine(const char* pszLine, size_t nLength) {
    if (nLength < 4 || pszLine[0] == '\0' || pszLine[1] == '\0') return kClassBad;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(pszLine) + 2;
    const unsigned nCount = HexPairOrFlag(p);
    if (nCount == kNotHexPair || nCount == 0) return kClassBad;
    // Every pair lies inside the line; a zero byte or the line end among them
    // is no digit.
    if (nLength < 4 + 2 * size_t{nCount}) return kClassBad;
    const char type = pszLine[1];
    const bool bTerminator = type == '7' || type == '8' || type == '9';
    const unsigned nAddressBytes = type == '0' || type == '1' ? 2 : type == '2' ? 3 : type == '3' ? 4 : 0;
    // A record too short for its address is decoded as ParseSRecord decodes
    // it, from digits beyond its count.
    if (nCount < nAddressBytes + 1) return kClassBad;
    // The pairs are decoded where they belong: the address, then the data
    // straight into m_recordData, then the checksum. A line of another type
    // is only summed. No copy of the data is made, since a copy of a length
    // known only at run time costs a small record more than its decoding.
    const unsigned nAddressPairs = nAddressBytes == 0 ? nCount - 1 : nAddressBytes;
    unsigned nFlags = 0;
    unsigned nSum = nCount;
    uint32_t nAddress = 0;
    unsigned i = 0;
    for (; i < nAddressPairs; ++i) {
        const unsigned byte = HexPairOrFlag(p + 2 + 2 * i);
        nFlags |= byte;
        nSum += byte;
        nAddress = nAddress << 8 | (byte & 0xFF);
    }
    static_assert(sizeof m_recordData >= 255 - 3 + 1, "the most a record carries and a header's zero byte");
    if (i + 1 < nCount) {
        nFlags |= DecodeHexPairs(p + 2 + 2 * i, nCount - 1 - i, m_recordData, nSum);
        i = nCount - 1;
    }
    const unsigned nChecksum = HexPairOrFlag(p + 2 + 2 * i);
    nFlags |= nChecksum;
    nSum += nChecksum;
    // The checksum is the last byte: with it the sum is 0xFF.
    if ((nFlags & kNotHexPair) || (nSum & 0xFF) != 0xFF) return kClassBad;
    if (bTerminator) return kClassTerminator;
    if (nAddressBytes == 0) return kClassBad;
    const unsigned nData = nCount - 1 - nAddressBytes;
    if (type == '0') {
        // The header text, ended by a zero byte, as DecodeS0 leaves it.
        m_recordData[nData] = 0;
        return kClassHeader;
    }
    m_nRecordAddress = nAddress;
    m_nRecordLength = nData;
    return type - '0';
}

std::string CImageFile::DescribeBadLine(const CLineReading& reading, const char* pszLine) {
    switch (reading.fault) {
        case ELineFault::kTooLong:
            return "line too long";
        case ELineFault::kNonHexDigit:
            return DescribeNonHexDigit(pszLine[reading.nColumn], reading.nColumn);
        case ELineFault::kChecksum:
            return "checksum mismatch";
        case ELineFault::kUnknownType:
            return UnknownTypeReason(pszLine[1]);
        case ELineFault::kNone:
        case ELineFault::kNotARecord:
            break;
    }
    return "not a record";
}

void CImageFile::ReadSRecordHeader() {
    if (m_nKind != kKindSRecord || !m_pFile) return;
    char szLine[kSRecordLineBufferSize];
    bool bTooLong = false;
    size_t nLength = 0;
    const char* pLine = ReadSRecordLine(szLine, nLength, bTooLong);
    if (!pLine) return;
    const CLineReading reading = ReadSRecordText(pLine, nLength, bTooLong, szLine);
    if (reading.fault == ELineFault::kNone && reading.nClass == kClassHeader) {
        const void* pEnd = std::memchr(m_recordData, 0, sizeof m_szModuleName - 1);
        size_t nNameLength = pEnd ? static_cast<size_t>(static_cast<const uint8_t*>(pEnd) - m_recordData)
                                  : sizeof m_szModuleName - 1;
        std::memcpy(m_szModuleName, m_recordData, nNameLength);
        m_szModuleName[nNameLength] = '\0';
        return;
    }
    // Not a header: ReadSRecord takes the first line again, as data or as the
    // bad line that it is.
    m_pFile->Rewind();
    m_nLinesRead = 0;
}

void CImageFile::ReadSRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    nLength = 0;
    char szLine[kSRecordLineBufferSize];
    for (;;) {
        bool bTooLong = false;
        size_t nLineLength = 0;
        const char* pLine = ReadSRecordLine(szLine, nLineLength, bTooLong);
        if (!pLine) {
            if (!m_pFile || m_pFile->HasError()) FlagBadLine(m_nLinesRead + 1, "read error");
            return;
        }
        const CLineReading reading = ReadSRecordText(pLine, nLineLength, bTooLong, szLine);
        if (reading.fault != ELineFault::kNone) {
            FlagBadLine(m_nLinesRead, DescribeBadLine(reading, szLine));
            return;
        }
        const int nClass = reading.nClass;
        if (nClass == kClassTerminator) return;
        // A second header (from files joined together, for instance) and a
        // data record without data bytes, which some tools write at the end
        // of a section, do not end the data.
        if (nClass == kClassHeader || m_nRecordLength == 0) continue;
        nAddress = m_nRecordAddress;
        nLength = m_nRecordLength;
        std::memcpy(pBuffer, m_recordData, nLength);
        return;
    }
}
