#pragma once

#include <cstddef>

// Memory in large aligned chunks straight from the system, for an owner that
// hands it out itself (the memory image for its blocks). Where the system
// offers transparent huge pages on request (Linux), a chunk asks for them: a
// loaded image is tens of thousands of small blocks, and on a virtual machine
// the first touch of every 4 KiB page is a costly fault, where one huge page
// takes 512 of them at once.
constexpr size_t kPageChunkSize = size_t(2) << 20;

// kPageChunkSize bytes aligned to kPageChunkSize, or null when the system has
// none to give.
void* MapPageChunk();
void UnmapPageChunk(void* pChunk);
