#include "model_comparison.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "table_invariants.h"

std::string FindModelDisagreement(CMemoryImage& image, const CImageModel& model,
                                  const std::function<uint32_t(uint32_t)>& pick) {
    std::ostringstream failure;
    if (image.GetBase() != model.Base() || image.GetSize() != model.Size()) {
        failure << "range [" << image.GetBase() << ", +" << image.GetSize() << "] instead of [" << model.Base()
                << ", +" << model.Size() << "]";
        return failure.str();
    }
    const std::string breach = FindTableInvariantBreach(image);
    if (!breach.empty()) return breach;

    // The part of the window inside the range, read back byte for byte.
    const uint64_t nWindowEnd = uint64_t(model.WindowFirst()) + model.WindowSize();
    const uint64_t nRangeEnd = uint64_t(model.Base()) + model.Size();
    const uint32_t nFirst = std::max(model.WindowFirst(), model.Base());
    const uint64_t nEnd = std::min(nWindowEnd, nRangeEnd);
    if (nEnd > nFirst) {
        const uint32_t nLast = uint32_t(nEnd - 1);
        std::vector<uint8_t> bytes(nEnd - nFirst, 0);
        if (!image.ReadBytes(nFirst, bytes.data(), uint32_t(bytes.size())))
            return "ReadBytes refused a range inside the image";
        std::vector<uint8_t> undoBytes(bytes.size(), 0);
        image.ReadTable(nFirst, nLast, undoBytes.data(), image.m_undoStore);
        for (uint32_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != model.ByteAt(nFirst + i)) {
                failure << "byte at " << std::hex << nFirst + i << " is " << int(bytes[i]) << ", expected "
                        << int(model.ByteAt(nFirst + i));
                return failure.str();
            }
            if (undoBytes[i] != model.TopUndoByteAt(nFirst + i)) {
                failure << "topmost undo byte at " << std::hex << nFirst + i;
                return failure.str();
            }
        }
        if (image.CountBytes(nFirst, nLast) != model.CountStored(nFirst, nLast))
            return "CountBytes over the window";
        const uint32_t nFrom = nFirst + pick(nLast - nFirst + 1);
        const uint32_t nTo = nFrom + pick(nLast - nFrom + 1);
        if (image.CountBytes(nFrom, nTo) != model.CountStored(nFrom, nTo)) return "CountBytes over part of the window";

        // A pattern taken from the window is found first where the window
        // first holds it.
        const uint32_t nPatternLength = std::min<uint32_t>(1 + pick(3), uint32_t(bytes.size()));
        const uint32_t nAt = pick(uint32_t(bytes.size()) - nPatternLength + 1);
        const uint8_t* pPattern = bytes.data() + nAt;
        const uint32_t nExpected =
            nFirst + uint32_t(std::search(bytes.begin(), bytes.end(), pPattern, pPattern + nPatternLength) -
                              bytes.begin());
        if (image.FindPattern(nFirst, nLast, pPattern, nPatternLength) != nExpected) {
            failure << "FindPattern of a pattern at " << std::hex << nFirst + nAt;
            return failure.str();
        }
    }
    // A read that crosses the end of the range is refused untouched.
    if (nRangeEnd < kAddressSpaceEnd && nRangeEnd > 0) {
        uint8_t probe[2] = {0x5A, 0x5A};
        if (image.ReadBytes(uint32_t(nRangeEnd - 1), probe, 2) != 0 || probe[0] != 0x5A)
            return "read across the end of the range";
    }

    const Runs dataRuns = model.DataRuns();
    if (WalkAreas(image, EWalk::kData) != dataRuns) return "NextArea walk";
    const uint32_t nHighest = dataRuns.empty() ? 0xFFFFFFFF : dataRuns.back().second;
    if (image.GetHighestAddress() != nHighest) return "GetHighestAddress";
    if (image.HasData() != (dataRuns.empty() ? 0 : 1)) return "HasData";
    if (WalkAreas(image, EWalk::kMarks) != model.MarkRuns()) return "NextMarkedArea walk";
    if (WalkAreas(image, EWalk::kUndo) != model.UndoRuns()) return "NextUndoArea walk";
    if (WalkAreas(image, EWalk::kRedo) != model.RedoRuns()) return "NextRedoArea walk";
    if (image.HasHistory() != (model.HasHistory() ? 1 : 0)) return "HasHistory";
    if (image.HasDataLost()) return "data lost";
    return {};
}
