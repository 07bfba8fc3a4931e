// Chunks straight from the system: aligned to their size, whole, and given
// back whole. On Windows a chunk must be an allocation of its own, so that it
// costs the 32-bit product no more address space than its size.
#include "host/page_memory.h"

#include <gtest/gtest.h>

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

TEST(PageMemoryTest, AChunkIsAlignedToItsSizeAndGoesBackWhole) {
    uint8_t* const pChunk = static_cast<uint8_t*>(MapPageChunk());
    ASSERT_NE(nullptr, pChunk);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(pChunk) % kPageChunkSize);
    pChunk[0] = 1;
    pChunk[kPageChunkSize - 1] = 2;
#if defined(_WIN32)
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(0u, VirtualQuery(pChunk, &info, sizeof info));
    EXPECT_EQ(pChunk, info.AllocationBase) << "a chunk inside a larger allocation";
    EXPECT_EQ(kPageChunkSize, info.RegionSize);
#endif
    UnmapPageChunk(pChunk);
#if defined(_WIN32)
    ASSERT_NE(0u, VirtualQuery(pChunk, &info, sizeof info));
    EXPECT_EQ(DWORD{MEM_FREE}, info.State);
#endif
}

}  // namespace
