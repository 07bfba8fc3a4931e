#include "image_model.h"

#include <algorithm>
#include <map>

CImageModel::CImageModel(uint32_t nWindowFirst, uint32_t nWindowSize, bool bAutoGrow, uint32_t nBase,
                         uint64_t nSize, uint32_t nAlignment)
    : m_nWindowFirst(nWindowFirst),
      m_bAutoGrow(bAutoGrow),
      m_nBase(nBase),
      m_nSize(nSize),
      m_nAlignment(nAlignment),
      m_data(nWindowSize, kGap),
      m_marks(nWindowSize, false),
      m_undo(nWindowSize),
      m_redo(nWindowSize) {}

void CImageModel::SetGapRule(bool bUseThreshold, int32_t nThreshold) {
    m_bUseThreshold = bUseThreshold;
    m_nThreshold = nThreshold;
}

bool CImageModel::IsInsideRange(uint32_t nAddress, uint32_t nLength) const {
    return nLength > 0 && uint64_t(nAddress) + nLength <= uint64_t(m_nBase) + m_nSize;
}

// A byte is in a gap when it belongs to a run of 0xFF, counted within the
// write, that is long enough.
std::vector<bool> CImageModel::GapFlags(const uint8_t* pData, uint32_t nLength) const {
    const uint32_t nMinGap = m_bUseThreshold && m_nThreshold > 1 ? uint32_t(m_nThreshold) : 1;
    std::vector<bool> gap(nLength, false);
    for (uint32_t i = 0; i < nLength;) {
        uint32_t j = i;
        while (j < nLength && pData[j] == 0xFF) ++j;
        if (j - i >= nMinGap)
            for (uint32_t k = i; k < j; ++k) gap[k] = true;
        i = j == i ? i + 1 : j;
    }
    return gap;
}

int CImageModel::WriteBytes(uint32_t nAddress, const uint8_t* pData, int32_t nLength, bool bMarked) {
    int64_t nRemaining = nLength;
    bool bClipped = false;
    const uint8_t* pFrom = pData;
    if (nAddress < m_nBase) {
        if (m_bAutoGrow) {
            const uint64_t nEnd = uint64_t(m_nBase) + m_nSize;
            m_nSize = std::min(RoundUp(nEnd - nAddress), kAddressSpaceEnd - nAddress);
            m_nBase = nAddress;
        } else {
            nRemaining -= m_nBase - nAddress;
            if (pFrom && nRemaining > 0) pFrom += m_nBase - nAddress;
            nAddress = m_nBase;
            bClipped = true;
        }
    }
    uint64_t nWriteEnd = uint64_t(nAddress) + uint64_t(std::max<int64_t>(nRemaining, 0));
    if (nWriteEnd > uint64_t(m_nBase) + m_nSize) {
        if (m_bAutoGrow) {
            if (nWriteEnd > kAddressSpaceEnd) {
                nWriteEnd = kAddressSpaceEnd;
                nRemaining = int64_t(kAddressSpaceEnd - nAddress);
                bClipped = true;
            }
            m_nSize = std::min(RoundUp(nWriteEnd - m_nBase), kAddressSpaceEnd - m_nBase);
        } else {
            nRemaining = int64_t(uint64_t(m_nBase) + m_nSize) - int64_t(nAddress);
            bClipped = true;
        }
    }
    if (nRemaining <= 0 || !pFrom) return 0;

    const uint32_t nCount = uint32_t(nRemaining);
    const std::vector<bool> gap = GapFlags(pFrom, nCount);
    for (uint32_t i = 0; i < nCount;) {
        uint32_t j = i;
        while (j < nCount && gap[j] == gap[i]) ++j;
        // One undo step per piece.
        const uint32_t nSequence = ++m_nUndoSequence;
        for (uint32_t k = i; k < j; ++k) {
            const size_t nIndex = Index(nAddress + k);
            m_undo[nIndex].push_back({nSequence, m_data[nIndex]});
            m_data[nIndex] = gap[k] ? kGap : pFrom[k];
        }
        i = j;
    }
    if (bMarked)
        for (uint32_t k = 0; k < nCount; ++k) m_marks[Index(nAddress + k)] = true;
    return bClipped ? 0 : 1;
}

size_t CImageModel::TopIndex(const std::vector<CLayer>& layers) {
    size_t nTop = 0;
    for (size_t i = 1; i < layers.size(); ++i)
        if (layers[i].nSequence > layers[nTop].nSequence) nTop = i;
    return nTop;
}

void CImageModel::TakeBackLastStep(Layers& from, Layers& to, uint32_t& nToSequence) {
    bool bAny = false;
    uint32_t nNewest = 0;
    for (const auto& layers : from)
        for (const CLayer& layer : layers)
            if (!bAny || layer.nSequence > nNewest) {
                nNewest = layer.nSequence;
                bAny = true;
            }
    if (!bAny) return;
    const uint32_t nSequence = ++nToSequence;
    for (size_t i = 0; i < from.size(); ++i) {
        auto& layers = from[i];
        if (layers.empty()) continue;
        const size_t nTop = TopIndex(layers);
        if (layers[nTop].nSequence != nNewest) continue;
        to[i].push_back({nSequence, m_data[i]});
        m_data[i] = layers[nTop].nValue;
        layers.erase(layers.begin() + long(nTop));
    }
}

void CImageModel::RestoreWindowRange(uint32_t nFirst, uint32_t nLast, Layers& from, Layers& to,
                                     uint32_t& nToSequence) {
    bool bStarted = false;
    for (uint64_t nAddress = nFirst; nAddress <= nLast; ++nAddress) {
        auto& layers = from[Index(uint32_t(nAddress))];
        if (layers.empty()) continue;
        if (!bStarted) {
            ++nToSequence;
            bStarted = true;
        }
        const size_t nTop = TopIndex(layers);
        int& value = m_data[Index(uint32_t(nAddress))];
        to[Index(uint32_t(nAddress))].push_back({nToSequence, value});
        value = layers[nTop].nValue;
        layers.erase(layers.begin() + long(nTop));
    }
}

void CImageModel::RestoreRange(uint32_t nAddress, uint32_t nLength, Layers& from, Layers& to,
                               uint32_t& nToSequence) {
    if (IsInsideRange(nAddress, nLength))
        RestoreWindowRange(nAddress, nAddress + nLength - 1, from, to, nToSequence);
}

void CImageModel::RestoreFully(uint32_t nAddress, uint32_t nLength, Layers& from, Layers& to,
                               uint32_t& nToSequence) {
    if (!IsInsideRange(nAddress, nLength)) return;
    const uint32_t nLast = nAddress + nLength - 1;
    // A pass per layer, each from the first address that still has one.
    for (;;) {
        uint64_t nFirst = nAddress;
        while (nFirst <= nLast && from[Index(uint32_t(nFirst))].empty()) ++nFirst;
        if (nFirst > nLast) break;
        RestoreWindowRange(uint32_t(nFirst), nLast, from, to, nToSequence);
        nAddress = uint32_t(nFirst);
    }
}

void CImageModel::TakeBackAll(Layers& from, Layers& to, uint32_t& nToSequence) {
    std::map<uint32_t, std::vector<std::pair<size_t, int>>, std::greater<uint32_t>> steps;
    for (size_t i = 0; i < from.size(); ++i)
        for (const CLayer& layer : from[i]) steps[layer.nSequence].push_back({i, layer.nValue});
    for (const auto& step : steps) {
        const uint32_t nSequence = ++nToSequence;
        for (const auto& entry : step.second) {
            to[entry.first].push_back({nSequence, m_data[entry.first]});
            m_data[entry.first] = entry.second;
        }
    }
    for (auto& layers : from) layers.clear();
}

void CImageModel::DropLayer(uint32_t nAddress, uint32_t nLength, Layers& layers) {
    if (!IsInsideRange(nAddress, nLength)) return;
    for (uint64_t a = nAddress; a < uint64_t(nAddress) + nLength; ++a) {
        auto& stack = layers[Index(uint32_t(a))];
        if (!stack.empty()) stack.erase(stack.begin() + long(TopIndex(stack)));
    }
}

void CImageModel::Discard(uint32_t nAddress, uint32_t nLength, Layers& layers) {
    if (!IsInsideRange(nAddress, nLength)) return;
    for (uint64_t a = nAddress; a < uint64_t(nAddress) + nLength; ++a) layers[Index(uint32_t(a))].clear();
}

void CImageModel::RevertChanges() {
    for (size_t i = 0; i < m_undo.size(); ++i) {
        auto& layers = m_undo[i];
        if (layers.empty()) continue;
        const auto oldest =
            std::min_element(layers.begin(), layers.end(),
                             [](const CLayer& a, const CLayer& b) { return a.nSequence < b.nSequence; });
        m_data[i] = oldest->nValue;
        m_marks[i] = false;
        layers.clear();
    }
}

void CImageModel::ClearHistory() {
    for (auto& layers : m_undo) layers.clear();
    for (auto& layers : m_redo) layers.clear();
}

void CImageModel::UnmarkRange(uint32_t nAddress, uint32_t nLength) {
    if (!IsInsideRange(nAddress, nLength)) return;
    for (uint64_t a = nAddress; a < uint64_t(nAddress) + nLength; ++a) m_marks[Index(uint32_t(a))] = false;
}

void CImageModel::ClearMarks() {
    std::fill(m_marks.begin(), m_marks.end(), false);
}

void CImageModel::SetBase(uint32_t nAddress) {
    const uint64_t nEnd = std::min(uint64_t(nAddress) + m_nSize, kAddressSpaceEnd);
    m_nBase = nAddress;
    m_nSize = nEnd - nAddress;
    CutOutsideRange();
}

void CImageModel::SetSize(uint32_t n) {
    m_nSize = std::min(RoundUp(n), kAddressSpaceEnd - m_nBase);
    CutOutsideRange();
}

void CImageModel::CutOutsideRange() {
    const uint64_t nEnd = uint64_t(m_nBase) + m_nSize;
    for (size_t i = 0; i < m_data.size(); ++i) {
        const uint64_t nAddress = uint64_t(m_nWindowFirst) + i;
        if (nAddress >= m_nBase && nAddress < nEnd) continue;
        m_data[i] = kGap;
        m_marks[i] = false;
        m_undo[i].clear();
        m_redo[i].clear();
    }
}

uint8_t CImageModel::ByteAt(uint32_t nAddress) const {
    const int value = m_data[Index(nAddress)];
    return value == kGap ? 0xFF : uint8_t(value);
}

uint8_t CImageModel::TopUndoByteAt(uint32_t nAddress) const {
    const auto& layers = m_undo[Index(nAddress)];
    if (layers.empty()) return 0xFF;
    const int value = layers[TopIndex(layers)].nValue;
    return value == kGap ? 0xFF : uint8_t(value);
}

uint32_t CImageModel::CountStored(uint32_t nFirst, uint32_t nLast) const {
    uint32_t nCount = 0;
    for (uint64_t a = nFirst; a <= nLast; ++a) nCount += m_data[Index(uint32_t(a))] != kGap;
    return nCount;
}

template <class Covered>
Runs CImageModel::RunsOf(Covered covered) const {
    Runs runs;
    for (size_t i = 0; i < m_data.size(); ++i) {
        if (!covered(i)) continue;
        const uint32_t nAddress = m_nWindowFirst + uint32_t(i);
        if (!runs.empty() && runs.back().second + 1 == nAddress)
            runs.back().second = nAddress;
        else
            runs.push_back({nAddress, nAddress});
    }
    return runs;
}

Runs CImageModel::DataRuns() const {
    return RunsOf([&](size_t i) { return m_data[i] != kGap; });
}

Runs CImageModel::MarkRuns() const {
    return RunsOf([&](size_t i) { return bool(m_marks[i]); });
}

Runs CImageModel::LayerRuns(const Layers& layers) const {
    return RunsOf([&](size_t i) { return !layers[i].empty(); });
}

bool CImageModel::HasHistory() const {
    for (size_t i = 0; i < m_undo.size(); ++i)
        if (!m_undo[i].empty() || !m_redo[i].empty()) return true;
    return false;
}
