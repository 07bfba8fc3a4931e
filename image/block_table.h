#pragma once

#include <cstdint>

class CDataBlock;

// The most blocks one table holds; the index is a fixed array so that adding
// and removing blocks never allocates.
constexpr int kMaxBlocksPerTable = 0x20000;

// One of the image's six tables: an array sorted by start address, and a list
// through m_pNext that runs from the newest step to the oldest.
struct CBlockTable {
    CDataBlock* m_pHead = nullptr;
    CDataBlock* m_apBlocks[kMaxBlocksPerTable] = {};
    int32_t m_nCount = 0;
    uint32_t m_nNextSequence = 0;
};
