#include "imagefile/image_file.h"

int CImageFile::Save(const char*, uint32_t, uint32_t, CMemoryImage*, int) { return 0; }
