#pragma once

#include <cstdint>
#include <vector>

#include "table_invariants.h"

// A plain model of an image over a window of the address space: one entry per
// address for the data, the mark and the undo and redo layers. It knows
// nothing of blocks; it says what every operation must do to each address.
class CImageModel {
public:
    static constexpr int kGap = -1;
    struct CLayer {
        uint32_t nSequence;
        int nValue;  // kGap where the address held nothing
    };

    CImageModel(uint32_t nWindowFirst, uint32_t nWindowSize, bool bAutoGrow, uint32_t nBase, uint64_t nSize,
                uint32_t nAlignment);

    void SetGapRule(bool bUseThreshold, int32_t nThreshold);
    int WriteBytes(uint32_t nAddress, const uint8_t* pData, int32_t nLength, bool bMarked);
    void UndoLastStep() { TakeBackLastStep(m_undo, m_redo, m_nRedoSequence); }
    void RedoLastStep() { TakeBackLastStep(m_redo, m_undo, m_nUndoSequence); }
    void UndoRange(uint32_t nAddress, uint32_t nLength) {
        RestoreRange(nAddress, nLength, m_undo, m_redo, m_nRedoSequence);
    }
    void RedoRange(uint32_t nAddress, uint32_t nLength) {
        RestoreRange(nAddress, nLength, m_redo, m_undo, m_nUndoSequence);
    }
    void UndoRangeFully(uint32_t nAddress, uint32_t nLength) {
        RestoreFully(nAddress, nLength, m_undo, m_redo, m_nRedoSequence);
    }
    void RedoRangeFully(uint32_t nAddress, uint32_t nLength) {
        RestoreFully(nAddress, nLength, m_redo, m_undo, m_nUndoSequence);
    }
    void UndoAll() { TakeBackAll(m_undo, m_redo, m_nRedoSequence); }
    void RedoAll() { TakeBackAll(m_redo, m_undo, m_nUndoSequence); }
    void DropUndoLayer(uint32_t nAddress, uint32_t nLength) { DropLayer(nAddress, nLength, m_undo); }
    void DropRedoLayer(uint32_t nAddress, uint32_t nLength) { DropLayer(nAddress, nLength, m_redo); }
    void DiscardUndoRange(uint32_t nAddress, uint32_t nLength) { Discard(nAddress, nLength, m_undo); }
    void DiscardRedoRange(uint32_t nAddress, uint32_t nLength) { Discard(nAddress, nLength, m_redo); }
    void RevertChanges();
    void ClearHistory();
    void UnmarkRange(uint32_t nAddress, uint32_t nLength);
    void ClearMarks();
    // The range moves or changes its size; whatever then lies outside it is
    // cut from the data, the marks and both histories.
    void SetBase(uint32_t nAddress);
    void SetSize(uint32_t n);

    uint32_t WindowFirst() const { return m_nWindowFirst; }
    uint32_t WindowSize() const { return uint32_t(m_data.size()); }
    uint32_t Base() const { return m_nBase; }
    uint64_t Size() const { return m_nSize; }
    // What ReadBytes returns for one address of the window.
    uint8_t ByteAt(uint32_t nAddress) const;
    uint8_t TopUndoByteAt(uint32_t nAddress) const;
    uint32_t CountStored(uint32_t nFirst, uint32_t nLast) const;
    Runs DataRuns() const;
    Runs MarkRuns() const;
    Runs UndoRuns() const { return LayerRuns(m_undo); }
    Runs RedoRuns() const { return LayerRuns(m_redo); }
    bool HasHistory() const;

private:
    using Layers = std::vector<std::vector<CLayer>>;

    size_t Index(uint32_t nAddress) const { return nAddress - m_nWindowFirst; }
    bool IsInsideRange(uint32_t nAddress, uint32_t nLength) const;
    uint64_t RoundUp(uint64_t n) const { return (n + m_nAlignment - 1) / m_nAlignment * m_nAlignment; }
    std::vector<bool> GapFlags(const uint8_t* pData, uint32_t nLength) const;
    static size_t TopIndex(const std::vector<CLayer>& layers);
    void TakeBackLastStep(Layers& from, Layers& to, uint32_t& nToSequence);
    void RestoreRange(uint32_t nAddress, uint32_t nLength, Layers& from, Layers& to, uint32_t& nToSequence);
    void RestoreWindowRange(uint32_t nFirst, uint32_t nLast, Layers& from, Layers& to, uint32_t& nToSequence);
    void RestoreFully(uint32_t nAddress, uint32_t nLength, Layers& from, Layers& to, uint32_t& nToSequence);
    void TakeBackAll(Layers& from, Layers& to, uint32_t& nToSequence);
    void DropLayer(uint32_t nAddress, uint32_t nLength, Layers& layers);
    void Discard(uint32_t nAddress, uint32_t nLength, Layers& layers);
    void CutOutsideRange();
    template <class Covered>
    Runs RunsOf(Covered covered) const;
    Runs LayerRuns(const Layers& layers) const;

    uint32_t m_nWindowFirst;
    bool m_bAutoGrow;
    uint32_t m_nBase;
    uint64_t m_nSize;
    uint32_t m_nAlignment;
    bool m_bUseThreshold = false;
    int32_t m_nThreshold = 1;
    std::vector<int> m_data;
    std::vector<bool> m_marks;
    Layers m_undo;
    Layers m_redo;
    uint32_t m_nUndoSequence = 0;
    uint32_t m_nRedoSequence = 0;
};
