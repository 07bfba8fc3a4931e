#include "host/huge_page_heap.h"

#if defined(__linux__) && defined(__GLIBC__)

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Huge pages switched off by the system's administrator. The advice would
// then do nothing anyway, but the collapse below would still make one.
bool HugePagesDisabled() {
    std::FILE* pFile = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!pFile) return true;
    char szSetting[64] = {};
    const bool bRead = std::fgets(szSetting, sizeof szSetting, pFile) != nullptr;
    std::fclose(pFile);
    return !bRead || std::strstr(szSetting, "[never]") != nullptr;
}

}  // namespace

void PrepareHugePageHeap(size_t nBytes) {
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    // Small enough to come from the heap rather than from a mapping of its
    // own, so that the heap grows by it and the pad at once.
    constexpr size_t kProbe = 64 * 1024;
    constexpr int kMaxProbes = 8;
#ifdef MADV_COLLAPSE
    constexpr int kCollapse = MADV_COLLAPSE;
#else
    constexpr int kCollapse = 25;
#endif
    if (HugePagesDisabled()) return;
    if (nBytes > size_t(INT32_MAX) / 2) nBytes = size_t(INT32_MAX) / 2;

    // The heap's top is where the randomised start of the heap put it, up to
    // 2 MiB before the first huge page boundary, and everything allocated
    // below that boundary stays on small pages: a small image would fall
    // there whole. Moving the program break on to the boundary makes the
    // allocator continue from it, as it does after any foreign break move.
    void* const pBreak = sbrk(0);
    if (pBreak == reinterpret_cast<void*>(-1)) return;
    const uintptr_t nBreak = reinterpret_cast<uintptr_t>(pBreak);
    const uintptr_t nAligned = (nBreak + kHugePage - 1) & ~(kHugePage - 1);
    if (nAligned != nBreak) sbrk(static_cast<intptr_t>(nAligned - nBreak));

    mallopt(M_TOP_PAD, int(nBytes));
    // Memory given back and taken again would be faulted in again.
    mallopt(M_TRIM_THRESHOLD, int(2 * nBytes));

    // Probes until the heap has grown: the space left at its top takes a few.
    const uintptr_t nBefore = reinterpret_cast<uintptr_t>(sbrk(0));
    uintptr_t nAfter = nBefore;
    void* apProbes[kMaxProbes] = {};
    for (int i = 0; i < kMaxProbes && nAfter == nBefore; ++i) {
        apProbes[i] = std::malloc(kProbe);
        nAfter = reinterpret_cast<uintptr_t>(sbrk(0));
    }
    const uintptr_t nFirst = (nBefore + kHugePage - 1) & ~(kHugePage - 1);
    if (nAfter > nFirst) {
        madvise(reinterpret_cast<void*>(nFirst), nAfter - nFirst, MADV_HUGEPAGE);
        // Growing the heap wrote the allocator's own headers into the first
        // huge page's range before the advice, on small pages; collapsing it
        // brings it to a huge page as well (a no-op before Linux 6.1).
        madvise(reinterpret_cast<void*>(nFirst), kHugePage, kCollapse);
    }
    for (void* pProbe : apProbes) std::free(pProbe);
}

#else

void PrepareHugePageHeap(size_t) {}

#endif
