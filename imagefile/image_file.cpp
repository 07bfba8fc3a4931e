#include "imagefile/image_file.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "host/file_stream.h"
#include "imagefile/file_kinds.h"
#include "imagefile/path_parts.h"

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
    const CPathParts parts = SplitPath(pszPath);
    CopyName(m_szFileName, parts.baseName + parts.extension);

    CFileStream* pFile =
        bForReading ? CFileStream::OpenForReading(pszPath) : CFileStream::OpenForWriting(pszPath);
    m_strWriteError = pFile || bForReading ? std::string() : std::generic_category().message(errno);
    if (!pFile) return 0;
    m_pFile = pFile;
    m_nLinesRead = 0;
    m_bCloseFailed = 0;
    const CFileKind& kind = FileKindOfExtension(parts.extension, !bForReading);
    m_nKind = kind.nKind;
    if (!m_pFile->SetMode(kind.mode)) {
        Close();
        return 0;
    }
    return 1;
}

void CImageFile::Close() {
    if (!m_pFile) return;
    if (m_pFile->IsOpen() && !m_pFile->Close()) {
        m_bCloseFailed = 1;
        m_strWriteError = m_pFile->GetWriteError();
    }
    delete m_pFile;
    m_pFile = nullptr;
}

void CImageFile::WriteRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData) {
    const CFileKind* pKind = FindFileKind(m_nKind);
    if (pKind && pKind->pWritePiece) (this->*pKind->pWritePiece)(nAddress, nLength, pData);
}

void CImageFile::ReadRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer) {
    const CFileKind* pKind = FindFileKind(m_nKind);
    if (pKind) (this->*pKind->pReadPiece)(nAddress, nLength, pBuffer);
}
