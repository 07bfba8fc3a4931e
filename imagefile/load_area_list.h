#pragma once

#include <cstdint>
#include <optional>

class CMemoryImage;
class CPositionReport;

// A span of addresses [m_nFirst, m_nLast] in 64 bits, so that a span that
// ends at 0xFFFFFFFF and an empty one (m_nLast below m_nFirst) both fit.
struct CAddressSpan {
    int64_t m_nFirst;
    int64_t m_nLast;

    // The addresses the image can hold: [base, base + size - 1].
    static CAddressSpan OfImage(CMemoryImage& image);
    // How many addresses of [nFirst, nLast] lie in this span.
    uint64_t CountInside(int64_t nFirst, int64_t nLast) const;
};

// Decides which area lines a load lists. Runs that had to be closed because
// the next record would have made them longer than a run may be are not
// listed; the first run after them that ends for another reason is listed
// from where that stretch began, so one contiguous stretch is one line. Lines
// are cut to the image's address range.
class CLoadAreaList {
public:
    explicit CLoadAreaList(CPositionReport& report) : m_report(report) {}

    void OnRunCutAtLimit(uint32_t nRunStart);
    void OnListableRunStored(uint32_t nRunStart, uint64_t nRunEnd, const CAddressSpan& imageRange);

private:
    CPositionReport& m_report;
    std::optional<uint32_t> m_pendingStart;
};
