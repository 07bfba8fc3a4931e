#include "image/memory_image.h"
#include "imagefile/image_file.h"

// A file handler serves one load or save; destroying it closes the file.

int CMemoryImage::LoadFromFile(const char* pszPath) {
    CImageFile file;
    const int nResult = file.Load(pszPath, this, 0);
    // The caller has only the result to go by, and a file that did not load
    // whole (bytes past the top of the address space, a run that a fixed
    // range cut) must not pass for a whole one.
    if (file.HasDataLost()) m_bDataLost = 1;
    return nResult;
}

int CMemoryImage::SaveToFile(const char* pszPath, uint32_t nFirst, uint32_t nLast) {
    CImageFile file;
    return file.Save(pszPath, nFirst, nLast, this, 0);
}
