// Loads N MiB into an auto-grow image in 500-byte WriteMarkedBytes runs, the
// way the S-record loader does with convert's gap settings, then takes the
// load back with RevertChanges. Both must stay linear in the data size.
#include <chrono>
#include <cstdio>
#include <vector>

#include "tests/support/recording_host.h"
#include "image/memory_image.h"

namespace {

constexpr uint32_t kRunLength = 500;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Measure(uint32_t nMebibytes) {
    // Code-like bytes: mostly data, now and then a run of 0xFF long enough to
    // be a gap.
    const uint32_t nTotal = nMebibytes << 20;
    std::vector<uint8_t> bytes(nTotal);
    uint32_t nState = 12345;
    for (uint32_t i = 0; i < nTotal; ++i) {
        nState = nState * 1103515245u + 12345u;
        bytes[i] = (i % 4096) < 16 ? 0xFF : uint8_t(nState >> 24 | 1);
    }

    CRecordingHost host;  // a full table's message would otherwise wait on the console
    SetHost(&host);
    auto pImage = CMemoryImage::Create(0);
    pImage->m_nGapThreshold = 8;
    pImage->m_bUseGapThreshold = 1;

    const auto loadStart = std::chrono::steady_clock::now();
    for (uint32_t nOffset = 0; nOffset < nTotal; nOffset += kRunLength) {
        const uint32_t nLength = nTotal - nOffset < kRunLength ? nTotal - nOffset : kRunLength;
        pImage->WriteMarkedBytes(0x10000 + nOffset, int32_t(nLength), bytes.data() + nOffset);
    }
    const double dLoad = Seconds(loadStart);
    const int nDataBlocks = pImage->m_dataTable.m_nCount;

    const auto revertStart = std::chrono::steady_clock::now();
    pImage->RevertChanges();
    const double dRevert = Seconds(revertStart);

    std::printf("%3u MiB: load %7.3f s %8.1f MiB/s | revert %7.3f s %8.1f MiB/s | %6d data blocks\n",
                nMebibytes, dLoad, nMebibytes / dLoad, dRevert, nMebibytes / dRevert, nDataBlocks);
    // Past 131,072 blocks a table refuses more: the load is incomplete, and
    // what the full undo store could not record stays after the revert.
    if (pImage->HasDataLost())
        std::printf("         tables full: %zu refusals, %u bytes not taken back\n", host.Texts("box").size(),
                    pImage->CountBytes(0, 0xFFFFFFFF));
    pImage.reset();
    SetHost(nullptr);
}

}  // namespace

int main() {
    for (uint32_t nMebibytes : {4u, 16u, 32u, 64u}) Measure(nMebibytes);
    return 0;
}
