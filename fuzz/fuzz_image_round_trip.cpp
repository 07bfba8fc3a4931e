// An image built from the input is saved over a range in one of the four
// formats and loaded back into an empty image. S-record, Intel HEX and FPR
// files keep the addresses: the range's bytes must come back where they were
// and nothing outside it may appear. A CDE file keeps only the bytes: they
// must come back from address 0 in the order of the saved areas.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "tests/support/recording_host.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"

namespace {

// Addresses near 0, near the S1/S2 and S2/S3 limits and near the top, so that
// every line width and the edges of the address space are met.
uint32_t Address(FuzzedDataProvider& input) {
    static const uint32_t kBases[] = {0, 0xFF00, 0xFFFF00, 0x7FFFFF00, 0xFFFFF000};
    return kBases[input.ConsumeIntegralInRange<int>(0, 4)] + input.ConsumeIntegral<uint16_t>() % 0x1000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzedDataProvider input(pData, nSize);
    static const char* const kNames[] = {"saved.mot", "saved.fpr", "saved.cde", "saved.ihx"};
    const int nFormat = input.ConsumeIntegralInRange<int>(0, 3);
    const bool bConvertGaps = input.ConsumeBool();
    const bool bWholeImage = input.ConsumeBool();
    uint32_t nFirst = Address(input);
    uint32_t nLast = Address(input);

    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> writes;
    const int nWrites = input.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < nWrites; ++i) {
        const uint32_t nAddress = Address(input);
        std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(1, 700));
        if (!bytes.empty()) writes.push_back({nAddress, std::move(bytes)});
    }
    CMemoryImage& saved = FreshImage(0, 1);
    if (bConvertGaps) {
        saved.m_nGapThreshold = 8;
        saved.m_bUseGapThreshold = 1;
    }
    for (const auto& write : writes) saved.WriteBytes(write.first, write.second.data(), int32_t(write.second.size()));
    if (bWholeImage) {
        nFirst = 0;
        nLast = 0xFFFFFFFF;
    }

    CRecordingHost host;
    SetHost(&host);
    const std::string path = ScratchPath(kNames[nFormat]);
    std::remove(path.c_str());
    if (CImageFile().Save(path.c_str(), nFirst, nLast, &saved, 0) != 1) Fail("the save failed");
    CMemoryImage& loaded = FreshImage(0);
    const int nLoaded = CImageFile().Load(path.c_str(), &loaded, 0);
    SetHost(nullptr);
    if (nLoaded != 1 || !host.Texts("question").empty()) Fail("the saved file did not load");

    // The saved areas, cut to the range.
    std::vector<CImageArea> savedAreas;
    for (const CImageArea& area : ImageAreas(saved, false)) {
        if (nFirst > nLast || area.nLast < nFirst || area.nFirst > nLast) continue;
        savedAreas.push_back({std::max(area.nFirst, nFirst), std::min(area.nLast, nLast), {}});
    }

    if (nFormat == 2) {
        std::vector<uint8_t> expected;
        for (const CImageArea& area : savedAreas) {
            const std::vector<uint8_t> bytes = ReadImageRange(saved, area.nFirst, area.nLast);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        if (expected.empty()) {
            if (loaded.HasData()) Fail("data loaded from an empty CDE file");
        } else if (ReadImageRange(loaded, 0, uint32_t(expected.size() - 1)) != expected) {
            Fail("the CDE file does not hold the saved areas one after the other");
        }
        return 0;
    }
    for (const CImageArea& area : savedAreas)
        if (ReadImageRange(loaded, area.nFirst, area.nLast) != ReadImageRange(saved, area.nFirst, area.nLast))
            Fail("bytes of a saved area came back changed");
    for (const CImageArea& area : ImageAreas(loaded, false)) {
        if (area.nFirst < nFirst || area.nLast > nLast) Fail("data loaded outside the saved range");
        if (ReadImageRange(loaded, area.nFirst, area.nLast) != ReadImageRange(saved, area.nFirst, area.nLast))
            Fail("data loaded where nothing was saved");
    }
    return 0;
}
