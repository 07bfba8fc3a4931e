#include "interrupt.h"

#include <atomic>
#include <csignal>

#if !defined(_WIN32)
#include <signal.h>
#endif

namespace {

// On Windows the handler runs on a thread of its own, so the flag must be
// an atomic that is lock-free, not merely a sig_atomic_t.
std::atomic<bool> g_bInterrupted{false};
static_assert(ATOMIC_BOOL_LOCK_FREE == 2, "the handler may only touch a lock-free flag");

extern "C" void OnInterrupt(int) { g_bInterrupted.store(true); }

}  // namespace

void InstallInterruptHandler() {
    g_bInterrupted.store(false);
#if defined(_WIN32)
    // The C runtime puts the default action back before it calls the
    // handler, so the second Ctrl-C ends the program.
    std::signal(SIGINT, OnInterrupt);
#else
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the handler, and the second Ctrl-C ends
    // the program as the first would have without this handler.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
#endif
}

bool IsInterrupted() { return g_bInterrupted.load(); }
