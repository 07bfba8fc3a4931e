#include "brenwick/platform/platform.h"

#if defined(_WIN32)
#include "brenwick/platform/win32_platform.h"
#else
#include "brenwick/platform/portable_platform.h"
#endif

namespace {

CPlatform* g_pInstalledPlatform = nullptr;

CPlatform& GetOwnPlatform() {
#if defined(_WIN32)
    static CWin32Platform win32Platform;
    return win32Platform;
#else
    return GetPortablePlatform();
#endif
}

}  // namespace

CPlatform& GetPlatform() { return g_pInstalledPlatform ? *g_pInstalledPlatform : GetOwnPlatform(); }

void SetPlatform(CPlatform* pPlatform) { g_pInstalledPlatform = pPlatform; }
