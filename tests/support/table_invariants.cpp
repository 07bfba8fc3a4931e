#include "table_invariants.h"

#include <algorithm>
#include <sstream>

namespace {

constexpr uint64_t kBlockOverhead = 28;

// The addresses covered by the blocks of a table, merged where they touch.
Runs Coverage(const CBlockTable& table) {
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (int i = 0; i < table.m_nCount; ++i)
        spans.push_back({table.m_apBlocks[i]->m_nStart, table.m_apBlocks[i]->GetEnd()});
    std::sort(spans.begin(), spans.end());
    Runs runs;
    for (const auto& span : spans) {
        if (!runs.empty() && span.first <= uint64_t(runs.back().second) + 1)
            runs.back().second = uint32_t(std::max<uint64_t>(runs.back().second, span.second));
        else
            runs.push_back({uint32_t(span.first), uint32_t(span.second)});
    }
    return runs;
}

std::string CheckTable(CMemoryImage& image, const CBlockTable& table, const char* pszName, bool bMayOverlap,
                       uint64_t& nMemory, bool bCarriesBytes) {
    auto fail = [&](const std::string& what) { return std::string(pszName) + ": " + what; };
    if (table.m_nCount < 0 || table.m_nCount > kMaxBlocksPerTable) return fail("count out of bounds");
    const uint64_t nRangeEnd = uint64_t(image.GetBase()) + image.GetSize();
    std::vector<const CDataBlock*> inArray(table.m_apBlocks, table.m_apBlocks + std::max(table.m_nCount, 0));
    std::sort(inArray.begin(), inArray.end());
    if (std::adjacent_find(inArray.begin(), inArray.end()) != inArray.end())
        return fail("block twice in the array");
    for (int i = 0; i < table.m_nCount; ++i) {
        const CDataBlock* pBlock = table.m_apBlocks[i];
        if (!pBlock) return fail("null entry");
        if (pBlock->m_nLength == 0) return fail("empty block");
        if (pBlock->m_nStart < image.GetBase() || uint64_t(pBlock->m_nStart) + pBlock->m_nLength > nRangeEnd)
            return fail("block outside the range");
        if (i > 0 && table.m_apBlocks[i - 1]->m_nStart > pBlock->m_nStart) return fail("array not sorted");
        if (!bMayOverlap && i > 0 && table.m_apBlocks[i - 1]->GetEnd() >= pBlock->m_nStart)
            return fail("blocks overlap");
        if (pBlock->m_bGap && !bMayOverlap) return fail("gap block outside a store");
        if (bCarriesBytes && !pBlock->m_bGap && !pBlock->m_pData) return fail("block without its bytes");
        nMemory += kBlockOverhead + (bCarriesBytes ? pBlock->m_nLength : 0);
    }
    int nListed = 0;
    const CDataBlock* pPrev = nullptr;
    for (const CDataBlock* pBlock = table.m_pHead; pBlock; pBlock = pBlock->m_pNext) {
        if (++nListed > table.m_nCount) return fail("list longer than the array");
        if (pBlock->m_pPrev != pPrev) return fail("broken back link");
        if (!std::binary_search(inArray.begin(), inArray.end(), pBlock))
            return fail("listed block missing from the array");
        if (pPrev && pPrev->m_nSequence < pBlock->m_nSequence) return fail("list not newest step first");
        pPrev = pBlock;
    }
    if (nListed != table.m_nCount) return fail("list shorter than the array");
    return {};
}

}  // namespace

std::string FindTableInvariantBreach(CMemoryImage& image) {
    uint64_t nMemory = 0;
    struct {
        const CBlockTable& table;
        const char* pszName;
        bool bMayOverlap;
        bool bCarriesBytes;
    } tables[] = {
        {image.m_dataTable, "data table", false, true},
        {image.m_markTable, "mark table", false, false},
        {image.m_undoStore, "undo store", true, true},
        {image.m_redoStore, "redo store", true, true},
        {image.m_undoRangeTable, "undo range table", false, false},
        {image.m_redoRangeTable, "redo range table", false, false},
    };
    for (const auto& entry : tables) {
        std::string breach =
            CheckTable(image, entry.table, entry.pszName, entry.bMayOverlap, nMemory, entry.bCarriesBytes);
        if (!breach.empty()) return breach;
    }
    if (uint32_t(nMemory) != image.GetMemoryUsed()) {
        std::ostringstream text;
        text << "memory used " << image.GetMemoryUsed() << ", blocks add up to " << nMemory;
        return text.str();
    }
    if (Coverage(image.m_undoStore) != Coverage(image.m_undoRangeTable))
        return "undo range table differs from the undo store";
    if (Coverage(image.m_redoStore) != Coverage(image.m_redoRangeTable))
        return "redo range table differs from the redo store";
    return {};
}

Runs WalkAreas(CMemoryImage& image, EWalk walk) {
    auto next = [&](int nIndex, uint32_t nAddress, uint32_t& nFirst, uint32_t& nLast) {
        switch (walk) {
            case EWalk::kData:
                return image.NextArea(nIndex, nAddress, nFirst, nLast);
            case EWalk::kMarks:
                return image.NextMarkedArea(nIndex, nAddress, nFirst, nLast);
            case EWalk::kUndo:
                return image.NextUndoArea(nIndex, nAddress, nFirst, nLast);
            case EWalk::kRedo:
                return image.NextRedoArea(nIndex, nAddress, nFirst, nLast);
        }
        return -1;
    };
    Runs runs;
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    // Nothing follows an area that reaches the top of the address space; the
    // next address would wrap around to 0.
    for (int nIndex = next(-1, 0, nFirst, nLast); nIndex != -1;
         nIndex = nLast == 0xFFFFFFFF ? -1 : next(nIndex, nLast + 1, nFirst, nLast)) {
        runs.push_back({nFirst, nLast});
        if (runs.size() > kMaxBlocksPerTable) break;
    }
    return runs;
}
