#include "driver_test_support.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

int CRunRecordingImage::WriteMarkedBytes(uint32_t nAddress, int32_t nLength, const uint8_t* pData) {
    m_runs.emplace_back(nAddress, nLength);
    const int nResult = CMemoryImage::WriteMarkedBytes(nAddress, nLength, pData);
    const uint64_t nLast = uint64_t{nAddress} + static_cast<uint32_t>(nLength) - 1;
    if (nAddress <= m_nLostLast && nLast >= m_nLostFirst) m_bDataLost = 1;
    return nResult;
}

void DriverTest::SetUp() {
    const testing::TestInfo* pInfo = testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps builds that run the same test at once apart.
    m_dir =
        std::filesystem::temp_directory_path() / (std::string("driver_tests_") + std::to_string(getpid()) +
                                                  "_" + pInfo->test_suite_name() + "_" + pInfo->name());
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    SetHost(&m_host);
}

void DriverTest::TearDown() {
    SetHost(nullptr);
    std::filesystem::remove_all(m_dir);
}

std::string DriverTest::PathOf(const std::string& name) const {
    return (m_dir / name).string();
}

std::string DriverTest::WriteFile(const std::string& name, const std::string& content) const {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string DriverTest::WriteFile(const std::string& name, const Bytes& content) const {
    return WriteFile(name, std::string(content.begin(), content.end()));
}

std::string DriverTest::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<CMemoryImage> DriverTest::NewImage() {
    return CMemoryImage::Create(0);
}

Bytes ReadImage(CMemoryImage& image, uint32_t nAddress, uint32_t nLength) {
    Bytes bytes(nLength, 0);
    image.ReadBytes(nAddress, bytes.data(), nLength);
    return bytes;
}

void Fill(CMemoryImage& image, uint32_t nAddress, const Bytes& data) {
    ASSERT_TRUE(image.WriteBytes(nAddress, data.data(), static_cast<int32_t>(data.size())));
}

std::string SRecordLine(int nType, uint32_t nAddress, const Bytes& data) {
    const int nAddressBytes = (nType == 2 || nType == 8) ? 3 : (nType == 3 || nType == 7) ? 4 : 2;
    const unsigned nCount = static_cast<unsigned>(nAddressBytes + data.size() + 1);
    std::ostringstream line;
    line << std::uppercase << std::hex;
    auto pair = [&line](unsigned value) { line << ((value >> 4) & 0xF) << (value & 0xF); };
    unsigned nSum = nCount;
    line << 'S' << nType;
    pair(nCount);
    for (int i = nAddressBytes - 1; i >= 0; --i) {
        const unsigned byte = (nAddress >> (8 * i)) & 0xFF;
        pair(byte);
        nSum += byte;
    }
    for (uint8_t byte : data) {
        pair(byte);
        nSum += byte;
    }
    pair(~nSum & 0xFF);
    line << '\n';
    return line.str();
}

std::string S1Lines(uint32_t nAddress, const Bytes& data, size_t nPerLine) {
    std::string lines;
    for (size_t nOffset = 0; nOffset < data.size(); nOffset += nPerLine) {
        const size_t nEnd = std::min(data.size(), nOffset + nPerLine);
        lines += SRecordLine(1, nAddress + static_cast<uint32_t>(nOffset),
                             Bytes(data.begin() + nOffset, data.begin() + nEnd));
    }
    return lines;
}

Bytes Pattern(size_t nLength, uint8_t nSeed) {
    Bytes bytes(nLength);
    uint8_t value = nSeed;
    for (uint8_t& byte : bytes) {
        if (value == 0xFF) value = 0;
        byte = value++;
    }
    return bytes;
}

std::string WithoutTime(const std::string& report) {
    return std::regex_replace(report, std::regex(R"(in \d+\.\d\d seconds)"), "in T seconds");
}
