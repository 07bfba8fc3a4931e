#pragma once

#include <cstdint>
#include <string>

class CFileStream;
class CMemoryImage;

// File kinds (m_nKind).
enum {
    kKindNone = 0,
    kKindSRecord = 1,
    kKindFpr = 2,
    kKindCde = 3,
    kKindRaw = 4,
    kKindIntelHex = 5,
};

// The longest S-record line: type, count 0xFF and its 255 bytes, 514
// characters before the line end. A line is read whole into a buffer of the
// longest line, its line end and a zero byte; a longer line cannot be a
// record.
constexpr int kMaxSRecordLineLength = 4 + 2 * 255;
constexpr int kSRecordLineBufferSize = kMaxSRecordLineLength + 2;

// One load or one save of a memory image: opens one file, picks its format
// from the extension (S-record or Intel HEX text, FPR records or raw CDE
// bytes), moves the data piece by piece and composes a report of the areas it
// moved.
class CImageFile {
public:
    CImageFile();
    CImageFile(const CImageFile&) = delete;
    CImageFile& operator=(const CImageFile&) = delete;

    // The virtual operations, in the order of the virtual table.
    virtual ~CImageFile();
    virtual int Load(const char* pszPath, CMemoryImage* pImage, int bShowProgress);
    virtual int Save(const char* pszPath, uint32_t nFirst, uint32_t nLast, CMemoryImage* pImage,
                     int bShowProgress);
    virtual void Cancel();
    virtual int GetProgress();
    virtual const char* GetFileName();
    virtual int Open(const char* pszPath, int bForReading);
    virtual void Close();
    virtual void WriteRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData);
    virtual void ReadRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    virtual void WriteSRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData);
    virtual void ReadSRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    virtual void WriteSRecordHeader(uint32_t nHighestAddress);
    virtual void ReadSRecordHeader();
    virtual void WriteSRecordTerminator();
    virtual void FormatSRecord(uint32_t nAddress, const uint8_t* pData, char* pszText, uint32_t nLength);
    virtual int ParseSRecord(const char* pszLine);
    virtual int VerifySRecordChecksum(const char* pszText, int nCount);
    virtual void DecodeS0(const char* pszText, const char* pszEnd);
    virtual void DecodeS1(const char* pszText, const char* pszEnd);
    virtual void DecodeS2(const char* pszText, const char* pszEnd);
    virtual void DecodeS3(const char* pszText, const char* pszEnd);
    virtual void WriteFprRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData);
    virtual void ReadFprRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    virtual int WriteFprHeader();
    virtual int ReadFprHeader();
    virtual void WriteCdeBlock(uint32_t nAddress, uint32_t nLength, const uint8_t* pData);
    virtual void ReadCdeBlock(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    virtual int LoadRaw(const char* pszPath, CMemoryImage* pImage, int bShowProgress);
    virtual int HexDigitValue(const char* pch);

    // The position report of the last Load, LoadRaw or Save, composed whether
    // or not m_bShowReport shows it.
    const std::string& GetReport() const { return m_strReport; }
    // Non-zero after a load that could not store all of the file's data: a
    // fixed address range that a run left, a full data table of the image,
    // or bytes that lay beyond address 0xFFFFFFFF.
    int HasDataLost() const { return m_bDataLost; }
    // Where and why S-record reading stopped at a bad line: the number of the
    // line (counted from 1) and a short reason such as "checksum mismatch".
    uint32_t GetBadLineNumber() const { return m_nLineNumber; }
    const std::string& GetBadLineReason() const { return m_strBadLineReason; }
    // Non-zero when the last Close found that a write or the close itself
    // failed: the file is not whole.
    int HasCloseFailed() const { return m_bCloseFailed; }
    // Why the last file opened for writing could not be opened or written
    // whole, in the system's words ("Is a directory"); empty when it was.
    const std::string& GetWriteError() const { return m_strWriteError; }

    // Intel HEX (intel_hex_format.cpp), the kind that a file opened as
    // S-record text takes when its first record is Intel's: DetectIntelHex
    // switches such a file to it, with the file name as module name, and
    // rewinds it; 1 when it did, 0 for a file left as it was.
    int DetectIntelHex();
    void ReadIntelHexRecord(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    // Before the first record of a save: the upper address bits start at 0.
    void StartIntelHexWriting();
    // Data records of at most 16 bytes, none across a 64 KiB boundary, each
    // upper 16 address bits announced by a type 04 record.
    void WriteIntelHexRecord(uint32_t nAddress, uint32_t nLength, const uint8_t* pData);
    void WriteIntelHexTerminator();

    CFileStream* m_pFile;
    char m_szFileName[256];
    char m_szModuleName[256];
    int32_t m_nKind;
    int32_t m_nAddressWidth;
    uint8_t m_recordData[256];
    uint32_t m_nRecordAddress;
    uint32_t m_nRecordLength;
    int32_t m_bNotSRecord;
    int32_t m_bShowReport;
    int32_t m_nProgress;
    int32_t m_bCancel;

private:
    // The drivers' sessions compose the report and the verdicts.
    friend class CLoadSession;
    friend class CSaveSession;

    // Load and LoadRaw: the file opened by its extension, or taken as raw
    // bytes whatever its extension.
    int LoadFile(const char* pszPath, CMemoryImage* pImage, int bShowProgress, bool bRaw);

    // The next line, in the stream's buffer or copied into pszBuffer (of
    // nMaxLength + 2 characters); null at the end of the file or on a read
    // error.
    const char* ReadSRecordLine(char* pszBuffer, size_t& nLength, bool& bTooLong,
                                size_t nMaxLength = kMaxSRecordLineLength);
    // One reading of a line of nLength characters: its class as ParseSRecord
    // gives it, the record decoded as the decoders leave it, and why the line
    // is bad as a line of a file. pszCopy (of kSRecordLineBufferSize
    // characters, or null when the line is ended by a zero byte) receives
    // the line when it is not a good record.
    struct CLineReading;
    CLineReading ReadSRecordText(const char* pLine, size_t nLength, bool bTooLong, char* pszCopy);
    int DecodeByType(const char* pszLine, int nCount);
    int DecodeWellFormedLine(const char* pszLine, size_t nLength);
    void FlagBadLine(uint32_t nLineNumber, std::string reason);
    std::string DescribeBadLine(const CLineReading& reading, const char* pszLine);

    std::string m_strReport;
    int32_t m_bDataLost = 0;
    int32_t m_bCloseFailed;
    std::string m_strWriteError;
    uint32_t m_nLineNumber;
    std::string m_strBadLineReason;
    // The lines of a text file (S-record or Intel HEX) read so far.
    uint32_t m_nLinesRead;

    // Intel HEX reading: what the last type 02 or 04 record set, and the part
    // of a segment's data record that wrapped to the segment's start, still
    // to be handed out from m_recordData.
    uint32_t m_nHexBase = 0;
    bool m_bHexSegmented = false;
    uint32_t m_nHexPendingAddress = 0;
    uint32_t m_nHexPendingOffset = 0;
    uint32_t m_nHexPendingLength = 0;
    // Intel HEX writing: the upper 16 address bits that the file has last
    // announced.
    uint32_t m_nHexUpperAddress = 0;
};
