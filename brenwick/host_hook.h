#pragma once

#include "brenwick/export_convention.h"

// For test hosts of the portable library only; the Windows DLL has no such
// export, since its profile service keeps to the system's Windows directory.
// Sets the directory in which the portable profile engine looks for an INI
// file named without a directory ("zov.ini"); null or empty means the current
// directory. Returns 1.
extern "C" BRENWICK_EXPORT int BrenwickHostSetWindowsDirectory(const char* pszDirectory);
