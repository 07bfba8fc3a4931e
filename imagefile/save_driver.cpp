#include <algorithm>
#include <vector>

#include "host/host_interface.h"
#include "host/process_clock.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"
#include "imagefile/position_report.h"
#include "imagefile/progress.h"

namespace {

// Data bytes per WriteRecord call, so that each call makes exactly one
// S-record line, one FPR record or one CDE block.
constexpr uint32_t kSRecordPieceSize = 16;
constexpr uint32_t kFprPieceSize = 200;
constexpr uint32_t kCdePieceSize = 500;

// The address that chooses the width of the S-record lines. The comparison is
// signed, as files written so far have had it: an image without data (highest
// address 0xFFFFFFFF, that is -1) passes its highest address and so gets S3
// lines and an S7 end. The width is never too narrow, because no byte written
// lies above either of the two addresses.
uint32_t SRecordHeaderAddress(uint32_t nHighestAddress, uint32_t nLast) {
    return static_cast<int32_t>(nHighestAddress) <= static_cast<int32_t>(nLast) ? nHighestAddress : nLast;
}

// ReadBytes takes a 32-bit length; only an area covering the whole address
// space is longer than that.
void ReadArea(CMemoryImage& image, uint32_t nFirst, uint8_t* pBuffer, uint64_t nLength) {
    constexpr uint64_t kMaxChunk = 0x80000000;
    for (uint64_t nOffset = 0; nOffset < nLength; nOffset += kMaxChunk) {
        const uint64_t nChunk = std::min(kMaxChunk, nLength - nOffset);
        image.ReadBytes(nFirst + static_cast<uint32_t>(nOffset), pBuffer + nOffset,
                        static_cast<uint32_t>(nChunk));
    }
}

}  // namespace

int CImageFile::Save(const char* pszPath, uint32_t nFirst, uint32_t nLast, CMemoryImage* pImage,
                     int bShowProgress) {
    m_bCancel = 0;
    m_strReport.clear();
    const uint64_t nStartTime = GetProcessMilliseconds();

    Open(pszPath, 0);
    if (!m_pFile || !pImage) return 0;
    CMemoryImage& image = *pImage;

    image.ClearHistory();
    const uint64_t nTotal = image.CountBytes(nFirst, nLast);
    m_nProgress = 0;
    CProgressDisplay progress(bShowProgress, "Saving File %s", m_szFileName);
    CPositionReport report(m_strReport, CPositionReport::kSaved);
    report.Start(m_szFileName);

    uint32_t nPieceSize = 0;
    switch (m_nKind) {
        case kKindSRecord:
            nPieceSize = kSRecordPieceSize;
            WriteSRecordHeader(SRecordHeaderAddress(image.GetHighestAddress(), nLast));
            break;
        case kKindFpr:
            nPieceSize = kFprPieceSize;
            WriteFprHeader();
            break;
        case kKindCde:
            // A CDE file keeps no addresses: its one line says where the bytes
            // start and how far the image reaches.
            m_nRecordAddress = 0;
            nPieceSize = kCdePieceSize;
            report.AddArea(nFirst, image.GetHighestAddress());
            break;
        default:
            return 0;
    }

    int64_t nBytesSaved = 0;
    int nIndex = -1;
    uint32_t nAddress = nFirst;
    // An empty range (first above last) writes no data.
    while (nFirst <= nLast) {
        uint32_t nAreaFirst = 0;
        uint32_t nAreaLast = 0;
        nIndex = image.NextArea(nIndex, nAddress, nAreaFirst, nAreaLast);
        if (nIndex == -1) break;
        nAreaLast = std::min(nAreaLast, nLast);
        if (nAreaFirst > nAreaLast) break;

        const uint64_t nAreaLength = uint64_t{nAreaLast} - nAreaFirst + 1;
        std::vector<uint8_t> area(nAreaLength);
        ReadArea(image, nAreaFirst, area.data(), nAreaLength);
        if (m_nKind != kKindCde) report.AddArea(nAreaFirst, nAreaLast);

        for (uint64_t nOffset = 0; nOffset < nAreaLength;) {
            progress.ShowPercent(m_nProgress);
            const uint32_t nPiece =
                static_cast<uint32_t>(std::min<uint64_t>(nAreaLength - nOffset, nPieceSize));
            WriteRecord(nAreaFirst + static_cast<uint32_t>(nOffset), nPiece, area.data() + nOffset);
            nOffset += nPiece;
            nBytesSaved += nPiece;
            m_nProgress = ComputePercent(static_cast<uint64_t>(nBytesSaved), nTotal);
            if (m_bCancel) break;
        }

        // Comparing the area's end rather than the next address keeps an area
        // that ends at 0xFFFFFFFF from wrapping the walk around to 0.
        if (m_bCancel || nAreaLast >= nLast) break;
        nAddress = nAreaLast + 1;
    }

    if (m_nKind == kKindSRecord && !m_bCancel) WriteSRecordTerminator();
    m_nProgress = 100;
    progress.Finish();
    Close();

    // A file that could not be written whole (a full disk often shows only
    // when the last buffer goes out) must not pass for a saved one.
    if (m_bCancel) {
        GetHost().MessageBox("Data Save Aborted.", kButtonsOk);
        return m_bCloseFailed ? 0 : 1;
    }
    if (m_bCloseFailed) return 0;

    // The highest address of an image without data is 0xFFFFFFFF as well, so
    // whether the image holds data decides, not the address.
    const bool bHasData = image.HasData() != 0;
    const uint32_t nHighest = image.GetHighestAddress();
    if (report.IsFull() && bHasData) report.AddAreasUpTo(nHighest);
    const uint64_t nElapsed = GetProcessMilliseconds() - nStartTime;
    if (m_nKind == kKindCde) {
        // The span from the requested first address to the image's end, which
        // is nothing when the image ends before it or holds no data at all.
        nBytesSaved = bHasData && nHighest >= nFirst ? int64_t{nHighest} + 1 - nFirst : 0;
    }
    report.AddTotals(nBytesSaved, nElapsed);
    if (m_bShowReport) GetHost().MessageBox(m_strReport, kButtonsOk);
    return 1;
}
