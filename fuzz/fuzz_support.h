#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CMemoryImage;

// A new image zeroes six arrays of 131,072 pointers, which would cost more
// than most inputs; the targets keep two images (slots 0 and 1) instead and
// get one back in the state that CMemoryImage::Create(nSize) gives.
CMemoryImage& FreshImage(int32_t nSize, int nSlot = 0);

// A file of the process's own scratch directory (in memory where the system
// offers it), removed when the process ends.
std::string ScratchPath(const std::string& name);
// Writes the bytes to the scratch file and returns its path.
std::string WriteScratchFile(const std::string& name, const uint8_t* pData, size_t nSize);

// Ends the run: libFuzzer keeps the input and the message tells what broke.
[[noreturn]] void Fail(const std::string& what, const std::string& detail = {});

struct CImageArea {
    uint32_t nFirst;
    uint32_t nLast;
    std::vector<uint8_t> bytes;
    bool operator==(const CImageArea& other) const {
        return nFirst == other.nFirst && nLast == other.nLast && bytes == other.bytes;
    }
    bool operator!=(const CImageArea& other) const { return !(*this == other); }
};

// Every area of the image in address order, with its bytes when asked.
std::vector<CImageArea> ImageAreas(CMemoryImage& image, bool bWithBytes);
// The bytes of nFirst..nLast as the image reads them back.
std::vector<uint8_t> ReadImageRange(CMemoryImage& image, uint32_t nFirst, uint32_t nLast);
