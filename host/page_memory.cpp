#include "host/page_memory.h"

#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVELT_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KORVELT_ADDRESS_SANITIZER 1
#endif

#if defined(KORVELT_ADDRESS_SANITIZER)

// The sanitizer watches each allocation of the free store on its own, and
// would see none of the blocks cut from a chunk: there are no chunks, and
// every block and its bytes come from the free store.
void* MapPageChunk() { return nullptr; }
void UnmapPageChunk(void*) {}

#elif defined(_WIN32)

#include <malloc.h>

void* MapPageChunk() { return _aligned_malloc(kPageChunkSize, kPageChunkSize); }
void UnmapPageChunk(void* pChunk) { _aligned_free(pChunk); }

#else

#include <sys/mman.h>

void* MapPageChunk() {
    // Twice the size, so that an aligned chunk lies inside; the rest goes back.
    void* const pMapped = mmap(nullptr, 2 * kPageChunkSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMapped == MAP_FAILED) return nullptr;
    const uintptr_t nMapped = reinterpret_cast<uintptr_t>(pMapped);
    const uintptr_t nChunk = (nMapped + kPageChunkSize - 1) & ~uintptr_t(kPageChunkSize - 1);
    if (nChunk > nMapped) munmap(pMapped, nChunk - nMapped);
    const uintptr_t nTail = nMapped + 2 * kPageChunkSize - (nChunk + kPageChunkSize);
    if (nTail > 0) munmap(reinterpret_cast<void*>(nChunk + kPageChunkSize), nTail);
    void* const pChunk = reinterpret_cast<void*>(nChunk);
#ifdef MADV_HUGEPAGE
    // Advice only: without huge pages the chunk works on small ones.
    madvise(pChunk, kPageChunkSize, MADV_HUGEPAGE);
#endif
    return pChunk;
}

void UnmapPageChunk(void* pChunk) { munmap(pChunk, kPageChunkSize); }

#endif
