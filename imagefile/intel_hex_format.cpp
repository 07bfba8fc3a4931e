#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "host/file_stream.h"
#include "imagefile/hex_digits.h"
#include "imagefile/image_file.h"
#include "imagefile/path_parts.h"

namespace {

// A record is ':', then count, offset (two bytes), type, data and checksum
// as digit pairs; the longest, with 255 data bytes, has 521 characters.
constexpr size_t kRecordOverhead = 1 + 2 * 5;
constexpr size_t kMaxLineLength = kRecordOverhead + 2 * 255;
constexpr size_t kLineBufferSize = kMaxLineLength + 2;
// Data bytes per record written, as objcopy and srec_cat write them.
constexpr uint32_t kBytesPerRecord = 16;

enum {
    kTypeData = 0,
    kTypeEndOfFile = 1,
    kTypeSegmentAddress = 2,
    kTypeStartSegment = 3,
    kTypeLinearAddress = 4,
    kTypeStartLinear = 5,
};

// One record as read from a line; a bad one has the reason why.
struct CHexRecord {
    std::string reason;
    unsigned nType = 0;
    uint32_t nOffset = 0;
    unsigned nCount = 0;
};

// The text of a line without its line end.
size_t TextLength(const char* pLine, size_t nLength) {
    return nLength > 0 && pLine[nLength - 1] == '\n' ? nLength - 1 : nLength;
}

CHexRecord Bad(std::string reason) {
    CHexRecord record;
    record.reason = std::move(reason);
    return record;
}

// The bytes that a type needs: an address record names a 16-bit paragraph
// or upper half, a start record a 32-bit address, the end record nothing.
int RequiredCount(unsigned nType) {
    switch (nType) {
        case kTypeEndOfFile:
            return 0;
        case kTypeSegmentAddress:
        case kTypeLinearAddress:
            return 2;
        case kTypeStartSegment:
        case kTypeStartLinear:
            return 4;
        default:
            return -1;
    }
}

// Tests the whole record and decodes its data into pData (255 bytes). Both
// peers refuse anything after the checksum, blanks included, so it is bad
// here too. A good record is decoded in one pass; only a bad one is looked
// at again, for the reason.
CHexRecord ParseRecord(const char* pLine, size_t nLength, bool bTooLong, uint8_t* pData) {
    if (bTooLong) return Bad("line too long");
    const size_t nText = TextLength(pLine, nLength);
    if (nText == 0 || pLine[0] != ':') return Bad("not a record");
    const auto* p = reinterpret_cast<const uint8_t*>(pLine) + 1;
    const unsigned nCount = nText >= 3 ? HexPairOrFlag(p) : kNotHexPair;
    // Where the count says that the record ends, or the line's end when the
    // count cannot be read.
    const size_t nRecordEnd = (nCount & kNotHexPair) ? nText : kRecordOverhead + 2 * size_t{nCount};
    CHexRecord record;
    unsigned nFlags = kNotHexPair;
    unsigned nSum = 0;
    if (nText == nRecordEnd && nText >= kRecordOverhead) {
        const unsigned nOffsetHigh = HexPairOrFlag(p + 2);
        const unsigned nOffsetLow = HexPairOrFlag(p + 4);
        record.nType = HexPairOrFlag(p + 6);
        record.nCount = nCount;
        record.nOffset = (nOffsetHigh << 8 | nOffsetLow) & 0xFFFF;
        nSum = nCount + nOffsetHigh + nOffsetLow + record.nType;
        nFlags =
            nCount | nOffsetHigh | nOffsetLow | record.nType | DecodeHexPairs(p + 8, nCount, pData, nSum);
        const unsigned nChecksum = HexPairOrFlag(p + 8 + 2 * nCount);
        nFlags |= nChecksum;
        nSum += nChecksum;
    }
    if (nFlags & kNotHexPair) {
        for (size_t nColumn = 1; nColumn < std::min(nText, nRecordEnd); ++nColumn)
            if (!IsHexDigit(pLine[nColumn]))
                return Bad(DescribeNonHexDigit(pLine[nColumn], nColumn));
        return Bad(nText < std::max(nRecordEnd, kRecordOverhead) ? "record cut short"
                                                                 : "characters after the checksum");
    }
    // With the checksum, the bytes of a record add up to 0.
    if ((nSum & 0xFF) != 0) return Bad("checksum mismatch");
    if (record.nType > kTypeStartLinear) {
        char szType[8];
        std::snprintf(szType, sizeof szType, "%02X", record.nType);
        return Bad(std::string("unknown record type ") + szType);
    }
    const int nRequired = RequiredCount(record.nType);
    if (nRequired >= 0 && record.nCount != static_cast<unsigned>(nRequired)) {
        char szReason[64];
        std::snprintf(szReason, sizeof szReason, "type %02X record with a count of %u, not %d", record.nType,
                      record.nCount, nRequired);
        return Bad(szReason);
    }
    return record;
}

bool IsEmptyLine(const char* pLine, size_t nLength) {
    return TextLength(pLine, nLength) == 0;
}

char* PutRecord(char* p, unsigned nType, uint32_t nOffset, const uint8_t* pData, uint32_t nLength) {
    *p++ = ':';
    unsigned nSum = nLength + (nOffset >> 8) + (nOffset & 0xFF) + nType;
    p = PutHexByte(p, static_cast<uint8_t>(nLength), kUpperHexDigits);
    p = PutHexByte(p, static_cast<uint8_t>(nOffset >> 8), kUpperHexDigits);
    p = PutHexByte(p, static_cast<uint8_t>(nOffset), kUpperHexDigits);
    p = PutHexByte(p, static_cast<uint8_t>(nType), kUpperHexDigits);
    for (uint32_t i = 0; i < nLength; ++i) {
        p = PutHexByte(p, pData[i], kUpperHexDigits);
        nSum += pData[i];
    }
    p = PutHexByte(p, static_cast<uint8_t>(0x100 - (nSum & 0xFF)), kUpperHexDigits);
    *p++ = '\n';
    *p = '\0';
    return p;
}

}  // namespace

int CImageFile::DetectIntelHex() {
    if ((m_nKind != kKindSRecord && m_nKind != kKindIntelHex) || !m_pFile) return 0;
    // A file that begins with a record of another kind is not read twice:
    // it is read as it always was, from a pipe as well.
    const int nFirst = m_pFile->PeekByte();
    if (nFirst != ':' && nFirst != '\n' && nFirst != '\r') return 0;
    char szLine[kLineBufferSize];
    size_t nLength = 0;
    bool bTooLong = false;
    const char* pLine = nullptr;
    do {
        pLine = ReadSRecordLine(szLine, nLength, bTooLong, kMaxLineLength);
    } while (pLine && IsEmptyLine(pLine, nLength));
    bool bIntelHex = pLine && pLine[0] == ':';
    if (bIntelHex && m_nLinesRead == 1 &&
        !ParseRecord(pLine, nLength, bTooLong, m_recordData).reason.empty()) {
        // A first line that is a good S-record (the reader does not look at
        // its first character) keeps the file as it has always been read.
        std::string text(pLine, TextLength(pLine, nLength));
        bIntelHex = ParseSRecord(text.c_str()) < 0;
    }
    m_pFile->Rewind();
    m_nLinesRead = 0;
    if (!bIntelHex) return 0;
    m_nKind = kKindIntelHex;
    CopyName(m_szModuleName, m_szFileName);
    m_nHexBase = 0;
    m_bHexSegmented = false;
    m_nHexPendingLength = 0;
    return 1;
}

void CImageFile::ReadIntelHexRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    nLength = 0;
    if (m_nHexPendingLength != 0) {
        nAddress = m_nRecordAddress = m_nHexPendingAddress;
        nLength = m_nRecordLength = m_nHexPendingLength;
        std::memcpy(pBuffer, m_recordData + m_nHexPendingOffset, nLength);
        m_nHexPendingLength = 0;
        return;
    }
    char szLine[kLineBufferSize];
    for (;;) {
        bool bTooLong = false;
        size_t nLineLength = 0;
        const char* pLine = ReadSRecordLine(szLine, nLineLength, bTooLong, kMaxLineLength);
        if (!pLine) {
            if (!m_pFile || m_pFile->HasError()) FlagBadLine(m_nLinesRead + 1, "read error");
            return;
        }
        // Blank lines between records, as editors leave them, are no records;
        // srec_cat passes over them too.
        if (IsEmptyLine(pLine, nLineLength)) continue;
        const CHexRecord record = ParseRecord(pLine, nLineLength, bTooLong, m_recordData);
        if (!record.reason.empty()) {
            FlagBadLine(m_nLinesRead, record.reason);
            return;
        }
        switch (record.nType) {
            case kTypeEndOfFile:
                return;
            case kTypeSegmentAddress:
                m_nHexBase = (uint32_t{m_recordData[0]} << 8 | m_recordData[1]) << 4;
                m_bHexSegmented = true;
                continue;
            case kTypeLinearAddress:
                m_nHexBase = (uint32_t{m_recordData[0]} << 8 | m_recordData[1]) << 16;
                m_bHexSegmented = false;
                continue;
            case kTypeData:
                break;
            // Where execution starts says nothing about the image.
            default:
                continue;
        }
        if (record.nCount == 0) continue;
        nAddress = m_nRecordAddress = m_nHexBase + record.nOffset;
        nLength = m_nRecordLength = record.nCount;
        // An offset counts modulo 64 KiB within a segment, so data that runs
        // past the segment's end goes on at its start, as srec_cat has it
        // (objcopy goes on above the segment). Under a linear base, or none,
        // both peers go on above the 64 KiB boundary.
        if (m_bHexSegmented && record.nOffset + record.nCount > 0x10000) {
            nLength = m_nRecordLength = 0x10000 - record.nOffset;
            m_nHexPendingAddress = m_nHexBase;
            m_nHexPendingOffset = nLength;
            m_nHexPendingLength = record.nCount - nLength;
        }
        std::memcpy(pBuffer, m_recordData, nLength);
        return;
    }
}

void CImageFile::StartIntelHexWriting() {
    m_nHexUpperAddress = 0;
}

void CImageFile::WriteIntelHexRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData) {
    if (!m_pFile || (!pData && nLength > 0)) return;
    // Counted in 64 bits, so that data ending at 0xFFFFFFFF does not wrap.
    uint64_t nNext = nAddress;
    const uint64_t nEnd = nNext + nLength;
    char szLine[64];
    while (nNext < nEnd) {
        const uint32_t nUpper = static_cast<uint32_t>(nNext >> 16);
        if (nUpper != m_nHexUpperAddress) {
            const uint8_t upper[2] = {static_cast<uint8_t>(nUpper >> 8), static_cast<uint8_t>(nUpper)};
            PutRecord(szLine, kTypeLinearAddress, 0, upper, 2);
            m_pFile->WriteString(szLine);
            m_nHexUpperAddress = nUpper;
        }
        const uint32_t nOffset = static_cast<uint32_t>(nNext & 0xFFFF);
        const uint32_t n =
            static_cast<uint32_t>(std::min<uint64_t>({nEnd - nNext, kBytesPerRecord, 0x10000 - nOffset}));
        PutRecord(szLine, kTypeData, nOffset, pData, n);
        m_pFile->WriteString(szLine);
        pData += n;
        nNext += n;
    }
}

void CImageFile::WriteIntelHexTerminator() {
    if (m_nKind != kKindIntelHex || !m_pFile) return;
    m_pFile->WriteString(":00000001FF\n");
}
