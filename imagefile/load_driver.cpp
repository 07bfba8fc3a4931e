#include <cstring>
#include <string>

#include "host/file_stream.h"
#include "host/host_interface.h"
#include "host/process_clock.h"
#include "image/address_space.h"
#include "image/memory_image.h"
#include "imagefile/file_kinds.h"
#include "imagefile/image_file.h"
#include "imagefile/load_area_list.h"
#include "imagefile/position_report.h"
#include "imagefile/progress.h"

namespace {

// Records that follow each other without a gap are joined into runs of at
// most this many bytes, so that the image is written once per run instead of
// once per record. No record is longer than a run.
constexpr uint32_t kMaxRunLength = 500;
const char kCannotRollBack[] =
    "The load could not be taken back: the undo store was full, and the image holds part of the file.";

// A length or position that the stream could not learn (-1) counts as 0,
// which shows no progress rather than a wrong one.
uint64_t KnownSize(int64_t nSize) {
    return nSize > 0 ? static_cast<uint64_t>(nSize) : 0;
}

}  // namespace

// One load of an open file into an image, from the records to the report.
class CLoadSession {
public:
    CLoadSession(CImageFile& file, CMemoryImage& image, const CFileKind& kind, int bShowProgress,
                 uint64_t nStartTime);

    // Reads and stores the file's data up to its end, a bad S-record line or a
    // cancel request.
    void ReadRuns();
    // A cancel leaves the image as it was before the load.
    int Abort();
    // So does a file that stopped being readable: what was read of it would
    // pass for the whole file.
    int FailRead(const char* pszPath);
    // A file that turned out not to be an S-record file: taken back, and
    // loaded as raw bytes if the user agrees.
    int OfferRawLoad(const char* pszPath);
    // Completes the report of a load that read all its data.
    int Finish();

private:
    void ReadPiece(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    void StoreRun(uint32_t nRunStart, uint64_t nRunEnd, const uint8_t* pRun);
    int CurrentPercent();
    // Puts the image back as it was before the load; false, after saying so,
    // when that cannot be done.
    bool RollBack();

    CImageFile& m_file;
    CMemoryImage& m_image;
    const CFileKind& m_kind;
    const int m_bShowProgress;
    const uint64_t m_nStartTime;
    const uint64_t m_nFileLength;
    CProgressDisplay m_progress;
    CPositionReport m_report;
    CLoadAreaList m_areas;
    const bool m_bImageWasEmpty;
    int64_t m_nBytesLoaded = 0;
    bool m_bAllLoaded = true;
    // Where the next piece of a file without addresses belongs, counted in
    // 64 bits so that a file longer than the address space cannot wrap around
    // to address 0.
    uint64_t m_nByteOffset = 0;
};

CLoadSession::CLoadSession(CImageFile& file, CMemoryImage& image, const CFileKind& kind, int bShowProgress,
                           uint64_t nStartTime)
    : m_file(file),
      m_image(image),
      m_kind(kind),
      m_bShowProgress(bShowProgress),
      m_nStartTime(nStartTime),
      m_nFileLength(KnownSize(file.m_pFile->GetLength())),
      m_progress(bShowProgress, "Loading File %s", file.m_szFileName),
      m_report(file.m_strReport, CPositionReport::kLoaded),
      m_areas(m_report),
      m_bImageWasEmpty(!image.HasData() && !image.HasMarks()) {
    // RevertChanges must take back exactly this load's writes.
    m_image.ClearHistory();
    m_image.ClearDataLost();
    m_file.m_nProgress = 0;
}

void CLoadSession::ReadPiece(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    for (;;) {
        m_file.ReadRecord(nAddress, nLength, pBuffer);
        if (nLength == 0) return;
        uint64_t nFirst = nAddress;
        if (!m_kind.bKeepsAddresses) {
            nFirst = m_nByteOffset;
            m_nByteOffset += nLength;
        }
        if (nFirst + nLength <= kAddressSpaceEnd) return;
        // Bytes above 0xFFFFFFFF have no address; they are dropped, never
        // wrapped around to address 0.
        m_bAllLoaded = false;
        if (nFirst < kAddressSpaceEnd) {
            nLength = static_cast<uint32_t>(kAddressSpaceEnd - nFirst);
            return;
        }
    }
}

void CLoadSession::StoreRun(uint32_t nRunStart, uint64_t nRunEnd, const uint8_t* pRun) {
    const int32_t nLength = static_cast<int32_t>(nRunEnd - nRunStart + 1);
    if (m_image.WriteMarkedBytes(nRunStart, nLength, pRun)) {
        m_nBytesLoaded += nLength;
    } else {
        // The run left a fixed address range: only the part inside it counts.
        m_nBytesLoaded += CAddressSpan::OfImage(m_image).CountInside(nRunStart, nRunEnd);
        m_bAllLoaded = false;
    }
    if (m_image.HasDataLost()) m_bAllLoaded = false;
}

int CLoadSession::CurrentPercent() {
    return ComputePercent(KnownSize(m_file.m_pFile->Tell()), m_nFileLength);
}

void CLoadSession::ReadRuns() {
    m_kind.pStartReading(m_file);
    m_report.Start(m_file.m_szModuleName);

    // Each record is read straight behind the run, where it usually belongs:
    // only a record that starts a new run is moved, to the front.
    uint8_t run[2 * kMaxRunLength];
    uint32_t nRecordAddress = 0;
    uint32_t nRecordLength = 0;
    ReadPiece(nRecordAddress, nRecordLength, run);
    uint32_t nRunStart = nRecordAddress;
    uint64_t nRunEnd = uint64_t{nRecordAddress} + nRecordLength - 1;

    while (nRecordLength != 0) {
        m_progress.ShowPercent(m_file.m_nProgress);

        bool bListable = true;
        uint8_t* pRecord = nullptr;
        for (;;) {
            pRecord = run + (nRunEnd - nRunStart + 1);
            ReadPiece(nRecordAddress, nRecordLength, pRecord);
            if (nRecordLength == 0 || nRecordAddress != nRunEnd + 1) break;
            if (nRunEnd + nRecordLength - nRunStart + 1 > kMaxRunLength) {
                bListable = false;
                m_areas.OnRunCutAtLimit(nRunStart);
                break;
            }
            nRunEnd += nRecordLength;
        }

        StoreRun(nRunStart, nRunEnd, run);
        if (bListable) m_areas.OnListableRunStored(nRunStart, nRunEnd, CAddressSpan::OfImage(m_image));

        if (nRecordLength != 0) {
            std::memmove(run, pRecord, nRecordLength);
            nRunStart = nRecordAddress;
            nRunEnd = uint64_t{nRecordAddress} + nRecordLength - 1;
        }
        if (m_file.m_bCancel) break;
        m_file.m_nProgress = CurrentPercent();
    }

    m_file.m_nProgress = 100;
    m_progress.Finish();
}

bool CLoadSession::RollBack() {
    if (m_image.IsUndoComplete()) {
        m_image.RevertChanges();
        return true;
    }
    // The full undo store did not record every change, and RevertChanges
    // would leave part of this load in the image. An image that held nothing
    // is put back by emptying it; any other would be a mix of two states.
    if (m_bImageWasEmpty) {
        m_image.ClearAll();
        return true;
    }
    GetHost().MessageBox(kCannotRollBack, kButtonsOk);
    return false;
}

int CLoadSession::Abort() {
    if (!RollBack()) return 0;
    GetHost().MessageBox("Data Load Aborted.", kButtonsOk);
    return 1;
}

int CLoadSession::FailRead(const char* pszPath) {
    RollBack();
    GetHost().MessageBox(std::string(pszPath) + ": read error", kButtonsOk);
    return 0;
}

int CLoadSession::OfferRawLoad(const char* pszPath) {
    m_file.m_bNotSRecord = 0;
    // Raw bytes over a part of the S-record data would pass for the file.
    if (!RollBack()) return 0;
    // Say where the file stopped being an S-record before asking whether to
    // take it as raw bytes.
    GetHost().Diagnostic(std::string(pszPath) + ":" + std::to_string(m_file.GetBadLineNumber()) + ": " +
                         m_file.GetBadLineReason());
    if (GetHost().MessageBox("This file is not an SRecord.  Load anyway?", kButtonsOkCancel) != kAnswerOk)
        return 0;
    return m_file.LoadRaw(pszPath, &m_image, m_bShowProgress);
}

int CLoadSession::Finish() {
    m_report.AddAreasUpTo(m_image);
    m_report.AddTotals(m_nBytesLoaded, GetProcessMilliseconds() - m_nStartTime);
    if (!m_bAllLoaded) m_report.AddNotAllLoaded();
    m_file.m_bDataLost = m_bAllLoaded ? 0 : 1;
    if (m_file.m_bShowReport) GetHost().MessageBox(m_file.m_strReport, kButtonsOk);
    m_image.ClearHistory();
    return 1;
}

int CImageFile::Load(const char* pszPath, CMemoryImage* pImage, int bShowProgress) {
    m_bNotSRecord = 0;
    return LoadFile(pszPath, pImage, bShowProgress, false);
}

int CImageFile::LoadRaw(const char* pszPath, CMemoryImage* pImage, int bShowProgress) {
    return LoadFile(pszPath, pImage, bShowProgress, true);
}

int CImageFile::LoadFile(const char* pszPath, CMemoryImage* pImage, int bShowProgress, bool bRaw) {
    m_bCancel = 0;
    m_bDataLost = 0;
    m_strReport.clear();
    const uint64_t nStartTime = GetProcessMilliseconds();

    if (bRaw) {
        // Opened as it is, whatever its extension; m_szFileName keeps the
        // name that the load before gave it.
        Close();
        m_pFile = CFileStream::OpenForReading(pszPath);
    } else {
        Open(pszPath, 1);
    }
    if (!m_pFile || !pImage) return 0;
    if (bRaw) {
        m_nKind = kKindRaw;
        if (!m_pFile->SetMode(FindFileKind(kKindRaw)->mode)) {
            Close();
            return 0;
        }
    }
    const CFileKind* pKind = FindFileKind(m_nKind);
    if (!pKind) return 0;

    CLoadSession session(*this, *pImage, *pKind, bShowProgress, nStartTime);
    session.ReadRuns();
    const bool bReadFailed = m_pFile->HasError() && !pKind->bFlagsBadLines;
    Close();

    if (m_bCancel) return session.Abort();
    if (bReadFailed) return session.FailRead(pszPath);
    if (m_bNotSRecord) return session.OfferRawLoad(pszPath);
    return session.Finish();
}

void CImageFile::Cancel() {
    m_bCancel = 1;
}

int CImageFile::GetProgress() {
    return m_nProgress;
}
