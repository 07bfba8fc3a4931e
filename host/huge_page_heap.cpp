#include "host/huge_page_heap.h"

#if defined(__linux__) && defined(__GLIBC__)

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

void PrepareHugePageHeap(size_t nBytes) {
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    // Small enough to come from the heap rather than from a mapping of its
    // own, so that the heap grows by it and the pad at once.
    constexpr size_t kProbe = 64 * 1024;
    constexpr int kMaxProbes = 8;
    if (nBytes > size_t(INT32_MAX) / 2) nBytes = size_t(INT32_MAX) / 2;
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
    if (nAfter > nFirst) madvise(reinterpret_cast<void*>(nFirst), nAfter - nFirst, MADV_HUGEPAGE);
    for (void* pProbe : apProbes) std::free(pProbe);
}

#else

void PrepareHugePageHeap(size_t) {}

#endif
