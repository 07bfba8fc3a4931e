#pragma once

#include <cstdint>
#include <memory>

class CDataBlock;

// The most blocks one table holds; the index is a fixed array so that adding
// and removing blocks never allocates.
constexpr int kMaxBlocksPerTable = 0x20000;

// One of the image's six tables: an array sorted by start address, and a list
// through m_pNext that runs from the newest step to the oldest.
//
// The array's m_nCount entries lie somewhere inside a store of twice the
// capacity, allocated once with the table, and an entry is added or removed
// by moving the shorter side of the array. Blocks that arrive in descending
// address order, as the redo blocks of an undo of everything do, then cost no
// more than ascending ones.
struct CBlockTable {
    // The store is left uninitialized: only the entries in use are ever read,
    // and pages of it that are never used are never touched, so an image costs
    // memory for the blocks it holds, not for the capacity of its six tables.
    CBlockTable()
        : m_pStorage(new CDataBlock*[kStorageSize]), m_apBlocks(m_pStorage.get() + kMaxBlocksPerTable) {}

    static constexpr int kStorageSize = 2 * kMaxBlocksPerTable;
    std::unique_ptr<CDataBlock*[]> m_pStorage;

    CDataBlock* m_pHead = nullptr;
    // The first entry; entries [0, m_nCount) are in use.
    CDataBlock** m_apBlocks;
    int32_t m_nCount = 0;
    uint32_t m_nNextSequence = 0;
    // No block of the table has been longer since it was last emptied, so a
    // block that starts more than this far before an address cannot reach it:
    // searches of the overlapping stores start there instead of at index 0.
    uint32_t m_nLongestBlock = 0;
};
