#include "image/memory_image.h"
#include "imagefile/image_file.h"

// A file handler serves one load or save; destroying it closes the file.

int CMemoryImage::LoadFromFile(const char* pszPath) {
    CImageFile file;
    return file.Load(pszPath, this, 0);
}

int CMemoryImage::SaveToFile(const char* pszPath, uint32_t nFirst, uint32_t nLast) {
    CImageFile file;
    return file.Save(pszPath, nFirst, nLast, this, 0);
}
