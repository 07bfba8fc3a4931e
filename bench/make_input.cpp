// Writes a benchmark input of MIB MiB (fractions allowed) of pseudo-random bytes from address 0, the
// same bytes for a given size whatever the format, so that every conversion of
// it must give the same binary file:
//   make_input srec|ihex|fpr|cde MIB [ascending|descending] FILE
// S-record files have one S3 line of 16 bytes per record (about 48 MiB of text
// for 16 MiB of data), Intel HEX files one data record of 16 bytes per line
// and a 04 record before each 64 KiB, FPR files records of 200 bytes;
// "descending" writes the records from the highest address down.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> MakeBytes(uint32_t nBytes) {
    std::vector<uint8_t> bytes(nBytes);
    uint64_t nState = 0x9E3779B97F4A7C15ull;
    for (uint32_t i = 0; i < nBytes; ++i) {
        nState ^= nState << 13;
        nState ^= nState >> 7;
        nState ^= nState << 17;
        bytes[i] = static_cast<uint8_t>(nState >> 32);
    }
    return bytes;
}

void AppendHexByte(std::string& line, unsigned byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0x0F];
}

std::string SRecordLine(uint32_t nAddress, const uint8_t* pData, uint32_t nLength) {
    const unsigned nCount = nLength + 5;
    std::string line = "S3";
    unsigned nSum = nCount;
    AppendHexByte(line, nCount);
    for (int nShift = 24; nShift >= 0; nShift -= 8) {
        AppendHexByte(line, (nAddress >> nShift) & 0xFF);
        nSum += (nAddress >> nShift) & 0xFF;
    }
    for (uint32_t i = 0; i < nLength; ++i) {
        AppendHexByte(line, pData[i]);
        nSum += pData[i];
    }
    AppendHexByte(line, ~nSum & 0xFF);
    line += "\r\n";
    return line;
}

// The 04 record goes before each record that begins a 64 KiB, so that the
// records may come in any order.
std::string IntelHexRecord(uint32_t nAddress, const uint8_t* pData, uint32_t nLength) {
    std::string text;
    if ((nAddress & 0xFFFF) == 0) {
        const unsigned nUpper = nAddress >> 16;
        const unsigned nSum = 2 + 4 + (nUpper >> 8) + (nUpper & 0xFF);
        text = ":02000004";
        AppendHexByte(text, nUpper >> 8);
        AppendHexByte(text, nUpper & 0xFF);
        AppendHexByte(text, -nSum & 0xFF);
        text += "\r\n";
    }
    text += ':';
    unsigned nSum = nLength + ((nAddress >> 8) & 0xFF) + (nAddress & 0xFF);
    AppendHexByte(text, nLength);
    AppendHexByte(text, (nAddress >> 8) & 0xFF);
    AppendHexByte(text, nAddress & 0xFF);
    AppendHexByte(text, 0);
    for (uint32_t i = 0; i < nLength; ++i) {
        AppendHexByte(text, pData[i]);
        nSum += pData[i];
    }
    AppendHexByte(text, -nSum & 0xFF);
    text += "\r\n";
    return text;
}

std::string FprRecord(uint32_t nAddress, const uint8_t* pData, uint32_t nLength) {
    char szHeader[17];
    std::snprintf(szHeader, sizeof szHeader, "%08X%08u", nAddress, nLength);
    return std::string(szHeader) + std::string(reinterpret_cast<const char*>(pData), nLength);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: make_input srec|ihex|fpr|cde MIB [ascending|descending] FILE\n");
        return 2;
    }
    const std::string format = argv[1];
    const uint32_t nBytes = static_cast<uint32_t>(std::stod(argv[2]) * (1 << 20));
    const bool bDescending = argc == 5 && std::strcmp(argv[3], "descending") == 0;
    const char* pszPath = argv[argc - 1];
    const std::vector<uint8_t> bytes = MakeBytes(nBytes);

    std::FILE* pFile = std::fopen(pszPath, "wb");
    if (!pFile) {
        std::perror(pszPath);
        return 1;
    }
    if (format == "cde") {
        std::fwrite(bytes.data(), 1, bytes.size(), pFile);
    } else {
        const uint32_t nRecord = format == "fpr" ? 200 : 16;
        const uint32_t nRecords = (nBytes + nRecord - 1) / nRecord;
        if (format == "srec") std::fputs("S00F000062656E63682D696E7075747320\r\n", pFile);
        for (uint32_t n = 0; n < nRecords; ++n) {
            const uint32_t nIndex = bDescending ? nRecords - 1 - n : n;
            const uint32_t nAddress = nIndex * nRecord;
            const uint32_t nLength = nBytes - nAddress < nRecord ? nBytes - nAddress : nRecord;
            const std::string record = format == "fpr" ? FprRecord(nAddress, &bytes[nAddress], nLength)
                                       : format == "ihex"
                                           ? IntelHexRecord(nAddress, &bytes[nAddress], nLength)
                                           : SRecordLine(nAddress, &bytes[nAddress], nLength);
            std::fwrite(record.data(), 1, record.size(), pFile);
        }
        if (format == "srec") std::fputs("S70500000000FA\r\n", pFile);
        if (format == "ihex") std::fputs(":00000001FF\r\n", pFile);
    }
    return std::fclose(pFile) == 0 ? 0 : 1;
}
