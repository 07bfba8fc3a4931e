#include "imagefile/image_file.h"

#include <cstring>
#include <string>

#include "host/file_stream.h"
#include "imagefile/path_parts.h"

namespace {

// The name fields hold 255 characters and a zero byte; longer names are cut
// rather than allowed to run past the field.
void CopyName(char (&szField)[256], const std::string& name) {
    size_t nLength = name.size() < sizeof szField ? name.size() : sizeof szField - 1;
    std::memcpy(szField, name.data(), nLength);
    szField[nLength] = '\0';
}

}  // namespace

CImageFile::CImageFile()
    : m_pFile(nullptr),
      m_szFileName(),
      m_szModuleName(),
      m_nKind(kKindNone),
      m_nAddressWidth(0),
      m_recordData(),
      m_nRecordAddress(0),
      m_nRecordLength(0),
      m_bNotSRecord(0),
      m_bShowReport(0),
      m_nProgress(0),
      m_bCancel(0),
      m_bCloseFailed(0),
      m_nLineNumber(0),
      m_nLinesRead(0) {}

CImageFile::~CImageFile() {
    Close();
}

const char* CImageFile::GetFileName() {
    return m_szFileName;
}

int CImageFile::Open(const char* pszPath, int bForReading) {
    // An object opens one file at a time; a file still open is not leaked.
    Close();
    if (!pszPath) return 0;
    CPathParts parts = SplitPath(pszPath);
    CopyName(m_szFileName, parts.baseName + parts.extension);

    CFileStream* pFile =
        bForReading ? CFileStream::OpenForReading(pszPath) : CFileStream::OpenForWriting(pszPath);
    if (!pFile) return 0;
    m_pFile = pFile;
    m_nLinesRead = 0;
    m_bCloseFailed = 0;

    // Case-sensitive and whole: "FPR" and "fprx" are S-record files.
    if (parts.extension == ".fpr")
        m_nKind = kKindFpr;
    else if (parts.extension == ".cde")
        m_nKind = kKindCde;
    else
        m_nKind = kKindSRecord;

    CFileStream::EMode mode = m_nKind == kKindSRecord ? CFileStream::kModeText : CFileStream::kModeBinary;
    if (!m_pFile->SetMode(mode)) {
        Close();
        return 0;
    }
    return 1;
}

void CImageFile::Close() {
    if (!m_pFile) return;
    if (m_pFile->IsOpen() && !m_pFile->Close()) m_bCloseFailed = 1;
    delete m_pFile;
    m_pFile = nullptr;
}

void CImageFile::WriteRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData) {
    switch (m_nKind) {
        case kKindSRecord:
            WriteSRecord(nAddress, nLength, pData);
            break;
        case kKindFpr:
            WriteFprRecord(nAddress, nLength, pData);
            break;
        case kKindCde:
            WriteCdeBlock(nAddress, nLength, pData);
            break;
        default:
            break;
    }
}

void CImageFile::ReadRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    switch (m_nKind) {
        case kKindSRecord:
            ReadSRecord(nAddress, nLength, pBuffer);
            break;
        case kKindFpr:
            ReadFprRecord(nAddress, nLength, pBuffer);
            break;
        case kKindCde:
        case kKindRaw:
            ReadCdeBlock(nAddress, nLength, pBuffer);
            break;
        default:
            break;
    }
}
