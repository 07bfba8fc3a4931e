#include <algorithm>
#include <vector>

#include "host/host_interface.h"
#include "host/process_clock.h"
#include "image/memory_image.h"
#include "imagefile/file_kinds.h"
#include "imagefile/image_file.h"
#include "imagefile/position_report.h"
#include "imagefile/progress.h"

namespace {

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

// One save of an image's range into an open file, from the header to the
// report.
class CSaveSession {
public:
    CSaveSession(CImageFile& file, CMemoryImage& image, const CFileKind& kind, uint32_t nFirst, uint32_t nLast,
                 int bShowProgress, uint64_t nStartTime);

    // The header, then the data areas in address order, then, unless the save
    // was cancelled, what the kind writes last. Closes the file.
    void WriteFile();
    // The result of the save, and its message or report.
    int Finish();

private:
    // Writes one area piece by piece; false when the save was cancelled.
    bool WriteArea(uint32_t nAreaFirst, uint32_t nAreaLast);

    CImageFile& m_file;
    CMemoryImage& m_image;
    const CFileKind& m_kind;
    const uint32_t m_nFirst;
    const uint32_t m_nLast;
    const uint64_t m_nStartTime;
    const uint64_t m_nTotal;
    CProgressDisplay m_progress;
    CPositionReport m_report;
    int64_t m_nBytesSaved = 0;
};

CSaveSession::CSaveSession(CImageFile& file, CMemoryImage& image, const CFileKind& kind, uint32_t nFirst,
                           uint32_t nLast, int bShowProgress, uint64_t nStartTime)
    : m_file(file),
      m_image(image),
      m_kind(kind),
      m_nFirst(nFirst),
      m_nLast(nLast),
      m_nStartTime(nStartTime),
      m_nTotal(image.CountBytes(nFirst, nLast)),
      m_progress(bShowProgress, "Saving File %s", file.m_szFileName),
      m_report(file.m_strReport, CPositionReport::kSaved) {
    m_image.ClearHistory();
    m_file.m_nProgress = 0;
    m_report.Start(m_file.m_szFileName);
}

void CSaveSession::WriteFile() {
    m_kind.pStartWriting(m_file, m_image.GetHighestAddress(), m_nLast);
    // A file without addresses has one line: where its bytes start and how
    // far the image reaches.
    if (!m_kind.bKeepsAddresses) m_report.AddArea(m_nFirst, m_image.GetHighestAddress());

    int nIndex = -1;
    uint32_t nAddress = m_nFirst;
    // An empty range (first above last) writes no data.
    while (m_nFirst <= m_nLast) {
        uint32_t nAreaFirst = 0;
        uint32_t nAreaLast = 0;
        nIndex = m_image.NextArea(nIndex, nAddress, nAreaFirst, nAreaLast);
        if (nIndex == -1) break;
        nAreaLast = std::min(nAreaLast, m_nLast);
        if (nAreaFirst > nAreaLast || !WriteArea(nAreaFirst, nAreaLast)) break;
        // Comparing the area's end rather than the next address keeps an area
        // that ends at 0xFFFFFFFF from wrapping the walk around to 0.
        if (nAreaLast >= m_nLast) break;
        nAddress = nAreaLast + 1;
    }

    if (m_kind.pFinishWriting && !m_file.m_bCancel) (m_file.*m_kind.pFinishWriting)();
    m_file.m_nProgress = 100;
    m_progress.Finish();
    m_file.Close();
}

bool CSaveSession::WriteArea(uint32_t nAreaFirst, uint32_t nAreaLast) {
    // Read out of the image in one piece, so that it is not asked per record.
    const uint64_t nAreaLength = uint64_t{nAreaLast} - nAreaFirst + 1;
    std::vector<uint8_t> area(nAreaLength);
    ReadArea(m_image, nAreaFirst, area.data(), nAreaLength);
    if (m_kind.bKeepsAddresses) m_report.AddArea(nAreaFirst, nAreaLast);

    for (uint64_t nOffset = 0; nOffset < nAreaLength;) {
        m_progress.ShowPercent(m_file.m_nProgress);
        const uint32_t nPiece = static_cast<uint32_t>(std::min<uint64_t>(nAreaLength - nOffset, m_kind.nPieceSize));
        m_file.WriteRecord(nAreaFirst + static_cast<uint32_t>(nOffset), nPiece, area.data() + nOffset);
        nOffset += nPiece;
        m_nBytesSaved += nPiece;
        m_file.m_nProgress = ComputePercent(static_cast<uint64_t>(m_nBytesSaved), m_nTotal);
        if (m_file.m_bCancel) return false;
    }
    return true;
}

int CSaveSession::Finish() {
    // A file that could not be written whole (a full disk often shows only
    // when the last buffer goes out) must not pass for a saved one.
    if (m_file.m_bCancel) {
        GetHost().MessageBox("Data Save Aborted.", kButtonsOk);
        return m_file.m_bCloseFailed ? 0 : 1;
    }
    if (m_file.m_bCloseFailed) return 0;

    m_report.AddAreasUpTo(m_image);
    const uint64_t nElapsed = GetProcessMilliseconds() - m_nStartTime;
    if (!m_kind.bKeepsAddresses) {
        // The span from the requested first address to the image's end, which
        // is nothing when the image ends before it or holds no data at all.
        const uint32_t nHighest = m_image.GetHighestAddress();
        m_nBytesSaved = m_image.HasData() && nHighest >= m_nFirst ? int64_t{nHighest} + 1 - m_nFirst : 0;
    }
    m_report.AddTotals(m_nBytesSaved, nElapsed);
    if (m_file.m_bShowReport) GetHost().MessageBox(m_file.m_strReport, kButtonsOk);
    return 1;
}

int CImageFile::Save(const char* pszPath, uint32_t nFirst, uint32_t nLast, CMemoryImage* pImage,
                     int bShowProgress) {
    m_bCancel = 0;
    m_strReport.clear();
    const uint64_t nStartTime = GetProcessMilliseconds();

    Open(pszPath, 0);
    if (!m_pFile || !pImage) return 0;
    const CFileKind* pKind = FindFileKind(m_nKind);
    if (!pKind || !pKind->pWritePiece) return 0;

    CSaveSession session(*this, *pImage, *pKind, nFirst, nLast, bShowProgress, nStartTime);
    session.WriteFile();
    return session.Finish();
}
