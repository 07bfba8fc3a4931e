#pragma once

#include <cstdint>
#include <string>

// S-record text for test inputs, with correct counts and checksums.

// The number of address bytes of a record type: 2 for S0, S1, S5 and S9, 3 for
// S2, S6 and S8, 4 for S3 and S7.
inline int AddressBytesOf(char type) {
    switch (type) {
        case '2':
        case '6':
        case '8':
            return 3;
        case '3':
        case '7':
            return 4;
        default:
            return 2;
    }
}

// One line of the given type ('0' to '9'), ended by a line feed.
inline std::string SRecordLine(char type, uint32_t address, const std::string& data) {
    static const char kDigits[] = "0123456789ABCDEF";
    const int nAddressBytes = AddressBytesOf(type);
    std::string bytes;
    bytes += static_cast<char>(nAddressBytes + data.size() + 1);
    for (int nByte = nAddressBytes - 1; nByte >= 0; --nByte)
        bytes += static_cast<char>(address >> (8 * nByte));
    bytes += data;
    unsigned nSum = 0;
    for (unsigned char byte : bytes) nSum += byte;
    bytes += static_cast<char>(~nSum);

    std::string line = std::string("S") + type;
    for (unsigned char byte : bytes) {
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0xF];
    }
    return line + "\n";
}

// Data lines of one type for `data` from `address` on, `perLine` bytes each.
inline std::string SRecordDataLines(char type, uint32_t address, const std::string& data,
                                    size_t perLine = 16) {
    std::string lines;
    for (size_t nOffset = 0; nOffset < data.size(); nOffset += perLine)
        lines += SRecordLine(type, address + static_cast<uint32_t>(nOffset), data.substr(nOffset, perLine));
    return lines;
}

// `length` data bytes that are never 0xFF and differ from their neighbours,
// so that only the 0xFF runs that a test puts in place are erased bytes.
inline std::string PatternBytes(size_t length, unsigned nSeed = 0) {
    std::string bytes;
    for (size_t n = 0; n < length; ++n) bytes += static_cast<char>((n * 7 + nSeed) % 0xFF);
    return bytes;
}

inline std::string ErasedBytes(size_t length) {
    return std::string(length, '\xff');
}
