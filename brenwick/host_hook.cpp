#include "brenwick/host_hook.h"

#include "brenwick/platform/portable_platform.h"

extern "C" int BrenwickHostSetWindowsDirectory(const char* pszDirectory) {
    GetPortablePlatform().SetWindowsDirectory(pszDirectory ? pszDirectory : "");
    return 1;
}
