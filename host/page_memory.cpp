#include "host/page_memory.h"

#include <cstdint>

#if defined(_WIN32)

#include <windows.h>

void* MapPageChunk() {
    // The system places memory at 64 KiB boundaries. Reserving twice the size
    // shows where an aligned chunk fits; the reservation goes back and the
    // chunk is taken there, so that it costs the address space of one chunk,
    // which matters to the 32-bit product. Another thread may take the place
    // in between: then look again.
    for (int nTry = 0; nTry < 8; ++nTry) {
        void* const pRange = VirtualAlloc(nullptr, 2 * kPageChunkSize, MEM_RESERVE, PAGE_NOACCESS);
        if (!pRange) return nullptr;
        const uintptr_t nChunk =
            (reinterpret_cast<uintptr_t>(pRange) + kPageChunkSize - 1) & ~uintptr_t(kPageChunkSize - 1);
        VirtualFree(pRange, 0, MEM_RELEASE);
        if (void* const pChunk = VirtualAlloc(reinterpret_cast<void*>(nChunk), kPageChunkSize,
                                              MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
            return pChunk;
    }
    return nullptr;
}

void UnmapPageChunk(void* pChunk) { VirtualFree(pChunk, 0, MEM_RELEASE); }

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
