#pragma once

#include <cstdint>
#include <memory>

#include "image/address_space.h"
#include "image/block_table.h"
#include "image/data_block.h"
#include "image/image_heap.h"

// The contents of a target's 32-bit address space. Unstored addresses read as
// the erased value 0xFF; the stored stretches are blocks of the data table.
// Every write is recorded for undo and redo.
//
// The object is only ever created on the heap, through Create; each of its six
// block tables holds up to 131,072 pointers.
class CMemoryImage {
public:
    // A positive size gives the fixed range [0, size - 1]; zero or a negative
    // size gives an empty range that grows with the writes.
    static std::unique_ptr<CMemoryImage> Create(int32_t nSize);

    CMemoryImage(const CMemoryImage&) = delete;
    CMemoryImage& operator=(const CMemoryImage&) = delete;

    // The virtual operations, in the order of the image's virtual table.
    virtual int SaveToFile(const char* pszPath, uint32_t nFirst, uint32_t nLast);
    virtual int LoadFromFile(const char* pszPath);
    virtual ~CMemoryImage();
    virtual uint32_t GetMemoryUsed();
    virtual void ReadTable(uint32_t nFirst, uint32_t nLast, uint8_t* pBuffer, CBlockTable& table);
    virtual int ReadBytes(uint32_t nAddress, uint8_t* pBuffer, uint32_t nLength);
    virtual void StoreBytes(uint32_t nAddress, int32_t nLength, const uint8_t* pData, CBlockTable& table);
    virtual int WriteBytes(uint32_t nAddress, const uint8_t* pData, int32_t nLength);
    virtual uint8_t GetByte(uint32_t nAddress);
    virtual int SetByte(uint32_t nAddress, uint8_t byte);
    virtual void ClearAll();
    virtual int HasData();
    virtual uint32_t FindPattern(uint32_t nFirst, uint32_t nLast, const uint8_t* pPattern, uint32_t nLength);
    virtual uint32_t CountBytes(uint32_t nFirst, uint32_t nLast);
    virtual int NextArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast);
    virtual uint32_t GetHighestAddress();
    virtual void ShowDataAreas();
    virtual void OnDataChanged();
    virtual void SetAlignment(uint32_t n);
    virtual uint32_t GetAlignment();
    virtual void SetBase(uint32_t nAddress);
    virtual void SetSize(uint32_t n);
    virtual int IsAutoGrow();
    virtual uint32_t GetBase();
    // 64 bits wide: a range that reaches 0xFFFFFFFF from base 0 is 2^32 long.
    virtual uint64_t GetSize();
    virtual int WriteMarkedBytes(uint32_t nAddress, int32_t nLength, const uint8_t* pData);
    virtual void RevertChanges();
    virtual void ClearMarks();
    virtual void UnmarkRange(uint32_t nAddress, uint32_t nLength);
    virtual int HasMarks();
    virtual int NextMarkedArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast);
    virtual void UndoByte(uint32_t nAddress);
    virtual void UndoLastStep();
    virtual void UndoRange(uint32_t nAddress, uint32_t nLength);
    virtual void UndoAll();
    virtual void UndoRangeFully(uint32_t nAddress, uint32_t nLength);
    virtual void DropUndoLayer(uint32_t nAddress, uint32_t nLength);
    virtual void DiscardUndoRange(uint32_t nAddress, uint32_t nLength);
    virtual int NextUndoArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast);
    virtual void ClearHistory();
    virtual int HasHistory();
    virtual void RedoByte(uint32_t nAddress);
    virtual void RedoLastStep();
    virtual void RedoRange(uint32_t nAddress, uint32_t nLength);
    virtual void RedoAll();
    virtual void RedoRangeFully(uint32_t nAddress, uint32_t nLength);
    virtual void DropRedoLayer(uint32_t nAddress, uint32_t nLength);
    virtual void DiscardRedoRange(uint32_t nAddress, uint32_t nLength);
    virtual int NextRedoArea(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast);
    virtual void RestoreRange(uint32_t nFirst, uint32_t nLast, CBlockTable& store);
    virtual void RemoveRange(uint32_t nFirst, uint32_t nLast, CBlockTable& table);
    virtual int RemoveVisibleRange(uint32_t nFirst, uint32_t nLast, CBlockTable& store);
    virtual void TrimBlock(uint32_t nFirst, uint32_t nLast, CDataBlock* pBlock, CBlockTable& table);
    virtual CDataBlock* CreateBlock(uint32_t nStart, uint32_t nLength, CBlockTable& table,
                                    CDataBlock* pParent);
    virtual void DeleteBlock(CDataBlock* pBlock, CBlockTable& table);
    virtual void ClearTable(CBlockTable& table);
    virtual uint32_t CountTableBytes(uint32_t nFirst, uint32_t nLast, CBlockTable& table);
    virtual CDataBlock* FindNewerOverlap(int nIndex, uint32_t nAddress, CBlockTable& store);
    virtual int FindLastBlockBefore(uint32_t nAddress, CBlockTable& table);
    virtual int FindFirstBlockAfter(uint32_t nAddress, CBlockTable& table);
    virtual int FindBlockIndex(CDataBlock* pBlock, CBlockTable& table);
    virtual int InsertBlockPointer(CDataBlock** apBlocks, CDataBlock* pBlock, int nIndex, int32_t& nCount);
    virtual int RemoveBlockPointer(CDataBlock** apBlocks, int nIndex, int32_t& nCount);
    virtual int NextRun(int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast, CBlockTable& table);
    virtual void RebuildRanges(uint32_t nFirst, uint32_t nLast, CBlockTable& store, CBlockTable& rangeTable);

    // Set when data given to the image is not in it: the full data table
    // refused a block, or a load through LoadFromFile did not take all of its
    // file. Only ClearDataLost resets it.
    int HasDataLost() const { return m_bDataLost; }
    void ClearDataLost() { m_bDataLost = 0; }
    // 0 when the full undo store refused to record a change since it was last
    // emptied: RevertChanges and the undo operations then cannot put back
    // everything that was written.
    int IsUndoComplete() const { return m_bUndoIncomplete ? 0 : 1; }

    int32_t m_nGapThreshold;
    int32_t m_bUseGapThreshold;
    int32_t m_bAutoGrow;
    uint32_t m_nAlignment;
    uint32_t m_nBase;
    uint64_t m_nSize;
    uint32_t m_nMemoryUsed;
    CBlockTable m_dataTable;
    CBlockTable m_markTable;
    CBlockTable m_undoStore;
    CBlockTable m_redoStore;
    CBlockTable m_undoRangeTable;
    CBlockTable m_redoRangeTable;

protected:
    explicit CMemoryImage(int32_t nSize);

    int32_t m_bDataLost;

private:
    int32_t m_bUndoIncomplete;
    // Where the blocks of the six tables and their bytes live. Declared after
    // the tables, so destroyed before them: the tables then hold pointers to
    // blocks that are gone, which their destructors never follow.
    CImageHeap m_heap;

    // How a stretch of bytes goes into the data table.
    enum EStoreMode {
        kCutAtGaps,  // the gap rule decides what is stored
        kStoreAll,   // every byte is stored, 0xFF included
        kEraseAll    // nothing is stored: the stretch becomes a gap
    };
    // A write after the range rules: what is left of it, and whether any of it
    // was cut off.
    struct CClippedWrite {
        uint32_t nAddress;
        uint32_t nLength;
        const uint8_t* pData;
        bool bClipped;
    };

    // One past the last address of the range; at most 2^32.
    uint64_t GetRangeEnd() const { return uint64_t(m_nBase) + m_nSize; }
    uint64_t RoundUpToAlignment(uint64_t n) const;
    // Grows the range to [nBase, nEnd - 1] rounded to the alignment, never past
    // the top of the address space.
    void GrowRange(uint32_t nBase, uint64_t nEnd);
    bool ApplyRangeRules(uint32_t nAddress, int32_t nLength, const uint8_t* pData, CClippedWrite& write);
    // The test of the range operations of marks and history: a stretch that is
    // not empty and does not reach past the end of the range.
    bool IsInsideRange(uint32_t nAddress, uint32_t nLength) const;

    // NextRun for a caller that looks at the run only up to nLimit: the walk
    // along the run stops once it reaches nLimit, so that finding the area
    // around one write costs the blocks up to the write's end, not every block
    // of a long area. Below nLimit the results are NextRun's; once the run
    // reaches it, nLast is at least nLimit and the returned index lies inside
    // the run.
    static constexpr uint64_t kNoRunLimit = kAddressSpaceEnd;
    int NextRunUpTo(int nIndex, uint32_t nAddress, uint64_t nLimit, uint32_t& nFirst, uint32_t& nLast,
                    CBlockTable& table);

    // Add or remove one entry of a table's array at nIndex, moving whichever
    // side of it is shorter (InsertBlockPointer and RemoveBlockPointer always
    // move the entries above).
    void InsertIntoTable(CBlockTable& table, CDataBlock* pBlock, int nIndex);
    void RemoveFromTable(CBlockTable& table, int nIndex);
    // RemoveRange in a table without overlaps, where nTop is the last block
    // that starts at or before nLast. The blocks wholly inside the range go
    // in one move of the array: one at a time, each would move the entries
    // on its shorter side, and a range over many blocks would cost their
    // number times the table's length.
    void RemoveOrderedRange(uint32_t nFirst, uint32_t nLast, int nTop, CBlockTable& table);
    void DeleteBlockSpan(CBlockTable& table, int nBottom, int nTop);
    // Takes a block out of its list and out of the memory count and frees it;
    // its entry in the array is the caller's to remove.
    void FreeBlock(CDataBlock* pBlock, CBlockTable& table);
    // The lowest index from which a block of the table may reach nAddress:
    // every block below it ends before the address.
    int FirstIndexReaching(uint32_t nAddress, CBlockTable& table);
    // Moves a table's entries to the middle of its store.
    void CenterTable(CBlockTable& table);

    bool CarriesBytes(const CBlockTable& table) const;
    bool MayOverlap(const CBlockTable& table) const;
    // The other store of a store and the range table of a store; null for a
    // table that is not a store.
    CBlockTable* GetOtherStore(const CBlockTable& store);
    CBlockTable* GetRangeTable(const CBlockTable& store);

    void StoreIntoData(uint32_t nAddress, uint32_t nLength, const uint8_t* pData, EStoreMode mode);
    void AddRange(uint32_t nFirst, uint32_t nLast, CBlockTable& rangeTable);
    // Shrinks a block to a part of itself in place, so that a trim leaving one
    // piece never needs a free place in a full table.
    void NarrowBlock(CDataBlock* pBlock, uint32_t nStart, uint32_t nLength, CBlockTable& table);
    void ReadStoreLayers(uint32_t nFirst, uint32_t nLast, uint8_t* pBuffer, CBlockTable& store);

    // Saves what the data table holds in [nFirst, nLast] as one step of a
    // store: stored stretches with their bytes, gaps as gap blocks. pStep is the
    // first block of the step, or null to begin a new step. What was saved is
    // added to the store's range table.
    void RecordLayer(uint32_t nFirst, uint32_t nLast, CBlockTable& store, CDataBlock*& pStep);
    // Puts the part [nFirst, nLast] of a history block back into the data table.
    void PutBackLayer(CDataBlock* pBlock, uint32_t nFirst, uint32_t nLast);
    // Takes the topmost layer of a store out of [nFirst, nLast]; with bRestore
    // its bytes go back into the data table and what they replace is recorded in
    // the other store as one step.
    void PeelTopLayer(uint32_t nFirst, uint32_t nLast, CBlockTable& store, bool bRestore);
    void TakeBackLastStep(CBlockTable& store);
    void TakeBackAll(CBlockTable& store);
    void RestoreRangeFully(uint32_t nAddress, uint32_t nLength, CBlockTable& store);
};
