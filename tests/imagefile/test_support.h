#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imagefile/image_file.h"

namespace test_support {

namespace fs = std::filesystem;

// A fresh directory for one test, removed with everything in it afterwards.
class CTempDir {
  public:
    CTempDir() {
        const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("korvelt_imagefile_") + pInfo->test_suite_name() + "_" + pInfo->name();
        for (char& c : name)
            if (c == '/') c = '_';
        m_path = fs::temp_directory_path() / name;
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~CTempDir() { fs::remove_all(m_path); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

  private:
    fs::path m_path;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

using Bytes = std::vector<uint8_t>;

struct Piece {
    uint32_t address;
    Bytes bytes;
    bool operator==(const Piece& other) const { return address == other.address && bytes == other.bytes; }
};

inline std::ostream& operator<<(std::ostream& out, const Piece& piece) {
    return out << "{0x" << std::hex << piece.address << std::dec << ", " << piece.bytes.size() << " bytes}";
}

// ReadRecord until the first piece of length 0, as the load driver reads.
inline std::vector<Piece> ReadAllPieces(CImageFile& file) {
    std::vector<Piece> pieces;
    uint8_t buffer[500];
    for (;;) {
        uint32_t address = 0;
        uint32_t length = 0;
        file.ReadRecord(address, length, buffer);
        if (length == 0) return pieces;
        pieces.push_back({address, Bytes(buffer, buffer + length)});
    }
}

// An S-record line in upper case with a correct count and checksum, built
// here independently of the writer under test.
inline std::string SRecordLine(char type, uint32_t address, const Bytes& data) {
    int addressBytes = (type == '2' || type == '8') ? 3 : (type == '3' || type == '7') ? 4 : 2;
    std::vector<int> fields = {static_cast<int>(data.size()) + addressBytes + 1};
    for (int i = addressBytes - 1; i >= 0; --i) fields.push_back((address >> (8 * i)) & 0xFF);
    for (uint8_t byte : data) fields.push_back(byte);
    int sum = 0;
    std::string line = std::string("S") + type;
    char digits[3];
    for (int field : fields) {
        sum += field;
        std::snprintf(digits, sizeof digits, "%02X", field & 0xFF);
        line += digits;
    }
    std::snprintf(digits, sizeof digits, "%02X", ~sum & 0xFF);
    return line + digits;
}

// An Intel HEX record in upper case with a correct count and checksum, built
// here independently of the writer under test.
inline std::string IntelHexLine(int type, uint32_t offset, const Bytes& data) {
    std::vector<int> fields = {static_cast<int>(data.size()), static_cast<int>(offset >> 8 & 0xFF),
                               static_cast<int>(offset & 0xFF), type};
    fields.insert(fields.end(), data.begin(), data.end());
    int sum = 0;
    std::string line = ":";
    char digits[3];
    for (int field : fields) {
        sum += field;
        std::snprintf(digits, sizeof digits, "%02X", field & 0xFF);
        line += digits;
    }
    std::snprintf(digits, sizeof digits, "%02X", -sum & 0xFF);
    return line + digits;
}

}  // namespace test_support
