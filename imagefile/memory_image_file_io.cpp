#include "image/memory_image.h"

int CMemoryImage::LoadFromFile(const char*) { return 0; }

int CMemoryImage::SaveToFile(const char*, uint32_t, uint32_t) { return 0; }
