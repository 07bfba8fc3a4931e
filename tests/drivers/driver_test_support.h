#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/recording_host.h"
#include "image/memory_image.h"

using Bytes = std::vector<uint8_t>;

// An image that remembers every run a loader stores, and can play a full
// block table for the runs that touch a chosen range.
class CRunRecordingImage : public CMemoryImage {
public:
    CRunRecordingImage() : CMemoryImage(0) {}

    int WriteMarkedBytes(uint32_t nAddress, int32_t nLength, const uint8_t* pData) override;
    void SetDataLost() { m_bDataLost = 1; }

    std::vector<std::pair<uint32_t, int32_t>> m_runs;
    // Runs that reach into [first, last] are stored, then reported as lost.
    uint32_t m_nLostFirst = 1;
    uint32_t m_nLostLast = 0;
};

// Every test gets its own directory for the files it writes and a recording
// host, so that no message box reaches the console.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string PathOf(const std::string& name) const;
    std::string WriteFile(const std::string& name, const std::string& content) const;
    std::string WriteFile(const std::string& name, const Bytes& content) const;
    static std::string ReadFile(const std::string& path);

    static std::unique_ptr<CMemoryImage> NewImage();

    CRecordingHost m_host{true};

private:
    std::filesystem::path m_dir;
};

// The bytes of [nAddress, nAddress + nLength - 1]; gaps read as 0xFF.
Bytes ReadImage(CMemoryImage& image, uint32_t nAddress, uint32_t nLength);
void Fill(CMemoryImage& image, uint32_t nAddress, const Bytes& data);

// One S-record line (LF end) with a correct checksum; nType 1, 2 or 3 gives a
// 2-, 3- or 4-byte address, 0 and 7 to 9 the header and end lines.
std::string SRecordLine(int nType, uint32_t nAddress, const Bytes& data);
// The data lines of `data` from nAddress in S1 records of nPerLine bytes.
std::string S1Lines(uint32_t nAddress, const Bytes& data, size_t nPerLine);

// nLength bytes counting up from nSeed, skipping 0xFF so that no byte is a
// gap in an image with default settings.
Bytes Pattern(size_t nLength, uint8_t nSeed = 0);

// The report with its elapsed time replaced by "T", since that varies.
std::string WithoutTime(const std::string& report);
