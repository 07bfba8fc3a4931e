#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "host/atomic_file_writer.h"

// A buffered file stream with the two modes of the platform that the image
// file formats come from, so that a file written here is byte for byte the
// file written there, whatever the OS:
//  - text mode (the mode a stream opens in) writes every '\n' as CR LF; when
//    reading it takes CR LF as '\n' and a byte 0x1A as the end of the file;
//  - binary mode passes bytes unchanged.
// The mode may be switched at any time; it applies to the bytes that follow.
// A stream is opened either for reading or for writing, never both.
class CFileStream {
public:
    enum EMode { kModeText, kModeBinary };

    // Null when the file cannot be opened; a directory is not opened for
    // reading, although some systems would. Opening for writing replaces the
    // file as atomic_file_writer.h describes: the new bytes take the place of
    // an existing file at Close, and only when every write and the close
    // succeeded; a file that the user may not write is refused here.
    static CFileStream* OpenForReading(const char* pszPath);
    static CFileStream* OpenForWriting(const char* pszPath);

    CFileStream(const CFileStream&) = delete;
    CFileStream& operator=(const CFileStream&) = delete;
    // Closes a stream that is still open; use Close to learn whether that worked.
    ~CFileStream();

    // 1 when the mode is set, 0 when the stream is closed.
    int SetMode(EMode mode);
    EMode GetMode() const { return m_mode; }

    // How a line ends in text mode: at LF (a CR LF being one LF), or also at
    // a CR that no LF follows, as in files from old Macintosh tools. With
    // kAnyLineEnd, CRs directly before an LF belong to that one line end, so
    // a CR LF file that was converted a second time (CR CR LF) keeps its lines.
    enum ELineEnds { kLineFeedEnds, kAnyLineEnd };

    // Like fgets: at most nSize - 1 characters, up to and including a '\n',
    // then a zero byte. Null when nothing was read (end of file) or on a read
    // error. A line end in text mode is one '\n'. pnLength, when given,
    // receives the number of characters placed before the zero byte.
    char* ReadLine(char* pszBuffer, int nSize, size_t* pnLength = nullptr, ELineEnds lineEnds = kLineFeedEnds);
    // The next line where it lies, for a reader that only looks at it: a
    // pointer into the stream's buffer and the line's length, its line end
    // included as one '\n' (LF or CR LF), valid until the next read. The line
    // is consumed. Text mode only. Null, and nothing consumed, when the line
    // cannot be handed out so: it holds a CR of another kind or the
    // end-of-file byte, it is longer than nMax, or it is the file's last line
    // without a line end. ReadLine then gives it.
    const char* PeekLine(size_t nMax, size_t& nLength);
    // The next byte as it lies in the file, without taking it; -1 at the end
    // of the file or on a read error. A reader that must only look at the
    // start of a stream that cannot be rewound (a pipe) looks here.
    int PeekByte();
    // Number of bytes placed in the buffer; fewer than asked at the end of the
    // file or on an error.
    size_t Read(void* pBuffer, size_t nBytes);

    // Number of the caller's bytes taken; fewer than given once a write has
    // failed.
    size_t Write(const void* pData, size_t nBytes);
    // 1 when the whole text was taken.
    int WriteString(const char* psz);

    // Back to the first byte; clears the end-of-file and error states.
    // 1 when done.
    int Rewind();
    // Offset in the file of the next byte to be read or written.
    int64_t Tell() const;
    // Size of the file in bytes (for a stream being written: bytes so far);
    // -1 when it cannot be learned.
    int64_t GetLength() const;

    bool HasError() const { return m_bError; }
    // Why a write or the close failed, in the system's words ("No space left
    // on device"); empty while nothing failed.
    const std::string& GetWriteError() const { return m_strWriteError; }
    bool IsEof() const { return m_bEof; }
    bool IsOpen() const { return m_pStdFile != nullptr; }

    // Writes out what is buffered and closes the file. 1 when every write of
    // the stream's life and the close succeeded, and the new file took the
    // place of the old one; 0 otherwise (a full disk, for instance, often
    // shows only here). A second Close returns 0.
    int Close();

private:
    CFileStream(std::FILE* pStdFile, bool bWriting);
    explicit CFileStream(const CReplacementFile& replacement);

    // Makes at least nBytes unread bytes available unless the file ends
    // first; keeps the unread ones. Returns the number available.
    size_t Fill(size_t nBytes);
    int Flush();
    int ReadTextByte(ELineEnds lineEnds = kLineFeedEnds);

    std::FILE* m_pStdFile;
    bool m_bWriting;
    // Writing: where the file's bytes go until Close puts them in place.
    CReplacementFile m_replacement;
    EMode m_mode;
    bool m_bError;
    bool m_bEof;
    // Unlike m_bError, not cleared by Rewind: lost bytes stay lost.
    bool m_bWriteFailed;
    std::string m_strWriteError;
    std::unique_ptr<char[]> m_buffer;
    // Reading: the unread bytes are [m_nBegin, m_nEnd). Writing: [0, m_nEnd)
    // waits to be written.
    size_t m_nBegin;
    size_t m_nEnd;
    // File offset of the first byte of the buffer.
    int64_t m_nBufferOffset;
};
