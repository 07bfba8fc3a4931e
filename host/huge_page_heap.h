#pragma once

#include <cstddef>

// Lets the next nBytes of heap growth use transparent huge pages where the
// system gives them on request (Linux with glibc). A loaded image is built
// from tens of thousands of small blocks, and on a virtual machine the first
// touch of every 4 KiB page is a costly fault; a huge page takes 512 of them
// at once. Elsewhere, and when the heap does not grow as expected (another
// allocator, as under AddressSanitizer), nothing changes.
//
// Memory allocated afterwards in pieces of the heap's top may share huge
// pages, so large buffers that are mostly never touched are best allocated
// before.
void PrepareHugePageHeap(size_t nBytes);
