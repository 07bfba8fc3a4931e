#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
