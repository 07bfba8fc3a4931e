#include "imagefile/image_file.h"

int CImageFile::Load(const char*, CMemoryImage*, int) { return 0; }

int CImageFile::LoadRaw(const char*, CMemoryImage*, int) { return 0; }

void CImageFile::Cancel() {}

int CImageFile::GetProgress() { return 0; }
