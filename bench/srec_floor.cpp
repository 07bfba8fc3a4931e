// The floor of an S-record conversion: a bare decoder that does only what
// every converter must. It reads the file in large pieces, parses every line
// (type, count, address, data) and tests its checksum, keeps the bytes, and
// writes them from the lowest to the highest address with 0xFF in the gaps.
// No image, no history, no marks, no report: bench/compare-peers holds
// convert's time against this one's.
//   srec_floor INPUT OUTPUT
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kReadSize = 1 << 20;

struct CHexTable {
    int8_t values[256];
    constexpr CHexTable() : values() {
        for (int8_t& value : values) value = -1;
        for (int c = '0'; c <= '9'; ++c) values[c] = static_cast<int8_t>(c - '0');
        for (int c = 'a'; c <= 'f'; ++c) values[c] = static_cast<int8_t>(c - 'a' + 10);
        for (int c = 'A'; c <= 'F'; ++c) values[c] = static_cast<int8_t>(c - 'A' + 10);
    }
};
constexpr CHexTable kHex{};

// The bytes seen so far, from the lowest address on; unwritten ones 0xFF.
class CSparseImage {
public:
    // A file of S-record text holds at most half as many data bytes as it
    // has characters.
    explicit CSparseImage(size_t nExpected) { m_bytes.reserve(nExpected); }

    void Put(uint64_t nAddress, const uint8_t* pData, size_t nLength) {
        if (m_bytes.empty()) m_nBase = nAddress;
        if (nAddress < m_nBase) {
            m_bytes.insert(m_bytes.begin(), m_nBase - nAddress, 0xFF);
            m_nBase = nAddress;
        }
        const uint64_t nEnd = nAddress - m_nBase + nLength;
        if (nEnd > m_bytes.size()) m_bytes.resize(nEnd, 0xFF);
        std::memcpy(m_bytes.data() + (nAddress - m_nBase), pData, nLength);
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    uint64_t m_nBase = 0;
    std::vector<uint8_t> m_bytes;
};

// One line without its line end; false when it is not a valid record.
// Terminators set bEnd; headers and unknown types are passed over.
bool DecodeLine(const char* p, size_t nLength, CSparseImage& image, bool& bEnd) {
    if (nLength < 4) return false;
    const int nCountHi = kHex.values[static_cast<unsigned char>(p[2])];
    const int nCountLo = kHex.values[static_cast<unsigned char>(p[3])];
    if ((nCountHi | nCountLo) < 0) return false;
    const size_t nCount = static_cast<size_t>(nCountHi * 16 + nCountLo);
    if (nCount == 0 || nLength < 4 + 2 * nCount) return false;
    uint8_t bytes[256];
    unsigned nSum = static_cast<unsigned>(nCount);
    int nBad = 0;
    for (size_t i = 0; i < nCount; ++i) {
        const int hi = kHex.values[static_cast<unsigned char>(p[4 + 2 * i])];
        const int lo = kHex.values[static_cast<unsigned char>(p[5 + 2 * i])];
        nBad |= hi | lo;
        bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
        nSum += bytes[i];
    }
    if (nBad < 0 || (nSum & 0xFF) != 0xFF) return false;
    if (p[1] >= '7' && p[1] <= '9') bEnd = true;
    const size_t nAddressBytes = p[1] == '1' ? 2 : p[1] == '2' ? 3 : p[1] == '3' ? 4 : 0;
    if (nAddressBytes == 0 || nCount <= nAddressBytes + 1) return true;
    uint64_t nAddress = 0;
    for (size_t i = 0; i < nAddressBytes; ++i) nAddress = nAddress << 8 | bytes[i];
    image.Put(nAddress, bytes + nAddressBytes, nCount - 1 - nAddressBytes);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: srec_floor INPUT OUTPUT\n");
        return 2;
    }
    std::FILE* pIn = std::fopen(argv[1], "rb");
    if (!pIn) return 1;
    std::fseek(pIn, 0, SEEK_END);
    const long nFileSize = std::ftell(pIn);
    std::rewind(pIn);
    CSparseImage image(nFileSize > 0 ? static_cast<size_t>(nFileSize) / 2 : 0);
    std::vector<char> buffer(kReadSize + 1024);
    size_t nKept = 0;
    bool bEnd = false;
    while (!bEnd) {
        const size_t nRead = std::fread(buffer.data() + nKept, 1, kReadSize, pIn);
        const size_t nHave = nKept + nRead;
        size_t nStart = 0;
        for (;;) {
            const char* pLineEnd = static_cast<const char*>(std::memchr(buffer.data() + nStart, '\n', nHave - nStart));
            if (!pLineEnd && nRead > 0) break;
            const size_t nEnd = pLineEnd ? static_cast<size_t>(pLineEnd - buffer.data()) : nHave;
            size_t nLength = nEnd - nStart;
            if (nLength > 0 && buffer[nStart + nLength - 1] == '\r') --nLength;
            if (nLength > 0 && !DecodeLine(buffer.data() + nStart, nLength, image, bEnd)) {
                std::fprintf(stderr, "%s: bad line\n", argv[1]);
                return 1;
            }
            nStart = nEnd + 1;
            if (bEnd || !pLineEnd) break;
        }
        if (nRead == 0) break;
        nKept = nStart < nHave ? nHave - nStart : 0;
        std::memmove(buffer.data(), buffer.data() + nStart, nKept);
        if (nKept + kReadSize > buffer.size()) buffer.resize(nKept + kReadSize);
    }
    std::fclose(pIn);
    std::FILE* pOut = std::fopen(argv[2], "wb");
    if (!pOut) return 1;
    const std::vector<uint8_t>& bytes = image.Bytes();
    const bool bWritten = std::fwrite(bytes.data(), 1, bytes.size(), pOut) == bytes.size();
    return std::fclose(pOut) == 0 && bWritten ? 0 : 1;
}
