#include "imagefile/file_kinds.h"

#include "imagefile/image_file.h"
#include "imagefile/path_parts.h"

namespace {

void StartSRecordReading(CImageFile& file) {
    // Toolchains write Intel HEX under the same extensions as S-records
    // (.hex above all), so the text decides; a leading S0 line becomes the
    // module name.
    if (!file.DetectIntelHex()) file.ReadSRecordHeader();
}

void StartFprReading(CImageFile& file) {
    CopyName(file.m_szModuleName, file.m_szFileName);
    file.ReadFprHeader();
}

// CDE and raw files: plain bytes, whose first lands at address 0.
void StartByteReading(CImageFile& file) {
    CopyName(file.m_szModuleName, file.m_szFileName);
    file.m_nRecordAddress = 0;
}

// The address that chooses the width of the S-record lines. The comparison is
// signed, as files written so far have had it: an image without data (highest
// address 0xFFFFFFFF, that is -1) passes its highest address and so gets S3
// lines and an S7 end. The width is never too narrow, because no byte written
// lies above either of the two addresses.
void StartSRecordWriting(CImageFile& file, uint32_t nHighestAddress, uint32_t nLast) {
    file.WriteSRecordHeader(static_cast<int32_t>(nHighestAddress) <= static_cast<int32_t>(nLast) ? nHighestAddress
                                                                                                  : nLast);
}

void StartFprWriting(CImageFile& file, uint32_t, uint32_t) { file.WriteFprHeader(); }

void StartCdeWriting(CImageFile& file, uint32_t, uint32_t) { file.m_nRecordAddress = 0; }

void StartIntelHexWriting(CImageFile& file, uint32_t, uint32_t) { file.StartIntelHexWriting(); }

// Only names that say Intel HEX without doubt: a host that saves prog.hex has
// always got S-records, and gets them still.
constexpr const char* kIntelHexExtensions[] = {"ihx", "ihex", nullptr};

const CFileKind kFileKinds[] = {
    {kKindSRecord, nullptr, nullptr, CFileStream::kModeText, StartSRecordReading, &CImageFile::ReadSRecord,
     true, true, &CImageFile::WriteSRecord, 16, StartSRecordWriting, &CImageFile::WriteSRecordTerminator},
    {kKindFpr, "fpr", nullptr, CFileStream::kModeBinary, StartFprReading, &CImageFile::ReadFprRecord, false,
     true, &CImageFile::WriteFprRecord, 200, StartFprWriting, nullptr},
    {kKindCde, "cde", nullptr, CFileStream::kModeBinary, StartByteReading, &CImageFile::ReadCdeBlock, false,
     false, &CImageFile::WriteCdeBlock, 500, StartCdeWriting, nullptr},
    // Any file taken as bytes when the user agrees to load a file that is not
    // an S-record file; never written.
    {kKindRaw, nullptr, nullptr, CFileStream::kModeBinary, StartByteReading, &CImageFile::ReadCdeBlock, false,
     false, nullptr, 0, nullptr, nullptr},
    // Read from a file opened as S-record text whose first record is Intel's
    // (StartSRecordReading switches it), so it flags bad lines as S-record
    // reading does and starts reading the same way.
    {kKindIntelHex, nullptr, kIntelHexExtensions, CFileStream::kModeText, StartSRecordReading,
     &CImageFile::ReadIntelHexRecord, true, true, &CImageFile::WriteIntelHexRecord, 16, StartIntelHexWriting,
     &CImageFile::WriteIntelHexTerminator},
};

}  // namespace

const CFileKind* FindFileKind(int32_t nKind) {
    for (const CFileKind& kind : kFileKinds)
        if (kind.nKind == nKind) return &kind;
    return nullptr;
}

const CFileKind& FileKindOfExtension(const std::string& extension, bool bForWriting) {
    for (const CFileKind& kind : kFileKinds) {
        if (kind.pszExtension && extension == std::string(".") + kind.pszExtension) return kind;
        for (const char* const* ppsz = kind.ppszWriteExtensions; bForWriting && ppsz && *ppsz; ++ppsz)
            if (extension == std::string(".") + *ppsz) return kind;
    }
    // Anything else, no extension included, is S-record text.
    return *FindFileKind(kKindSRecord);
}
