#include "host/interrupt_cleanup.h"

#include <csignal>
#include <cstring>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef SIGHUP
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM};
#endif
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// Read by the handler, which may run at any moment: the path is written only
// while the flag says that it is not there.
char g_szTemporary[4096];
volatile std::sig_atomic_t g_bHaveTemporary = 0;

using CHandler = void (*)(int);
CHandler g_apPrevious[kSignalCount];

extern "C" void RemoveTemporaryAndEnd(int nSignal) {
    if (g_bHaveTemporary) {
#ifdef _WIN32
        _unlink(g_szTemporary);
#else
        unlink(g_szTemporary);
#endif
    }
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

}  // namespace

CInterruptCleanup::CInterruptCleanup() {
    for (int i = 0; i < kSignalCount; ++i) g_apPrevious[i] = std::signal(kSignals[i], RemoveTemporaryAndEnd);
}

CInterruptCleanup::~CInterruptCleanup() {
    for (int i = 0; i < kSignalCount; ++i) std::signal(kSignals[i], g_apPrevious[i]);
}

void NoteTemporaryFile(const char* pszPath) {
    g_bHaveTemporary = 0;
    if (!pszPath || std::strlen(pszPath) >= sizeof g_szTemporary) return;
    std::memcpy(g_szTemporary, pszPath, std::strlen(pszPath) + 1);
    g_bHaveTemporary = 1;
}
