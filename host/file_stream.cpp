#include "host/file_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace {

// Large enough that an S-record file of tens of megabytes costs a few hundred
// system calls, not millions.
constexpr size_t kBufferSize = 64 * 1024;

constexpr char kEndOfFileByte = 0x1A;
// The CRs that may stand before an LF as one line end; a longer run is a run
// of CR line ends.
constexpr size_t kMaxCarriageReturnsBeforeLineFeed = 8;

bool IsTranslatedInTextMode(char c) {
    return c == '\n' || c == '\r' || c == kEndOfFileByte;
}

// The bytes before the first one that text mode translates. The three are
// control characters, below the blank, which text lines hardly hold
// otherwise: eight bytes at a time are tested for one below 0x20, and the
// first such byte found is looked at alone.
size_t CountPlainTextBytes(const char* p, size_t nLength) {
    constexpr uint64_t kOnes = 0x0101010101010101;
    constexpr uint64_t kHighBits = 0x8080808080808080;
    size_t n = 0;
    while (n + 8 <= nLength) {
        uint64_t word;
        std::memcpy(&word, p + n, 8);
        // The lowest flagged byte is the first one below 0x20; the bytes
        // above it may be flagged wrongly, and are tested again.
        const uint64_t nFlags = (word - 0x20 * kOnes) & ~word & kHighBits;
        if (nFlags == 0) {
            n += 8;
            continue;
        }
        n += static_cast<size_t>(__builtin_ctzll(nFlags)) / 8;
        if (IsTranslatedInTextMode(p[n])) return n;
        ++n;
    }
    while (n < nLength && !IsTranslatedInTextMode(p[n])) ++n;
    return n;
}

#ifdef _WIN32
using CStatus = struct _stat64;
bool QueryStatus(std::FILE* pStdFile, CStatus& status) { return _fstat64(_fileno(pStdFile), &status) == 0; }
#else
using CStatus = struct stat;
bool QueryStatus(std::FILE* pStdFile, CStatus& status) { return fstat(fileno(pStdFile), &status) == 0; }
#endif

int64_t FileSizeOf(std::FILE* pStdFile) {
    CStatus status;
    return QueryStatus(pStdFile, status) ? static_cast<int64_t>(status.st_size) : -1;
}

bool IsDirectory(std::FILE* pStdFile) {
    CStatus status;
    return QueryStatus(pStdFile, status) && (status.st_mode & S_IFMT) == S_IFDIR;
}

}  // namespace

CFileStream* CFileStream::OpenForReading(const char* pszPath) {
    // Both modes are done here, so the OS always sees a binary file.
    std::FILE* pStdFile = std::fopen(pszPath, "rb");
    if (!pStdFile) return nullptr;
    // A directory opens on Linux but fails the first read, which a reader
    // would take for a damaged file rather than for a file it cannot open.
    if (IsDirectory(pStdFile)) {
        std::fclose(pStdFile);
        errno = EISDIR;
        return nullptr;
    }
    return new CFileStream(pStdFile, false);
}

CFileStream* CFileStream::OpenForWriting(const char* pszPath) {
    CReplacementFile replacement;
    return OpenReplacement(pszPath, replacement) ? new CFileStream(replacement) : nullptr;
}

CFileStream::CFileStream(const CReplacementFile& replacement) : CFileStream(replacement.pFile, true) {
    m_replacement = replacement;
}

CFileStream::CFileStream(std::FILE* pStdFile, bool bWriting)
    : m_pStdFile(pStdFile),
      m_bWriting(bWriting),
      m_mode(kModeText),
      m_bError(false),
      m_bEof(false),
      m_bWriteFailed(false),
      m_buffer(new char[kBufferSize]),
      m_nBegin(0),
      m_nEnd(0),
      m_nBufferOffset(0) {
    // This class buffers; a second buffer in the C library would only copy.
    std::setvbuf(m_pStdFile, nullptr, _IONBF, 0);
}

CFileStream::~CFileStream() {
    if (m_pStdFile) Close();
}

int CFileStream::SetMode(EMode mode) {
    if (!m_pStdFile) return 0;
    m_mode = mode;
    return 1;
}

size_t CFileStream::Fill(size_t nBytes) {
    size_t nAvailable = m_nEnd - m_nBegin;
    if (nAvailable >= nBytes || m_bError) return nAvailable;
    if (m_nBegin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_nBegin, nAvailable);
        m_nBufferOffset += static_cast<int64_t>(m_nBegin);
        m_nBegin = 0;
        m_nEnd = nAvailable;
    }
    while (m_nEnd < nBytes) {
        size_t nRead = std::fread(m_buffer.get() + m_nEnd, 1, kBufferSize - m_nEnd, m_pStdFile);
        m_nEnd += nRead;
        if (nRead == 0) {
            if (std::ferror(m_pStdFile))
                m_bError = true;
            else
                m_bEof = true;
            break;
        }
    }
    return m_nEnd - m_nBegin;
}

// The next byte as text mode delivers it, or -1 at the end of the file.
int CFileStream::ReadTextByte(ELineEnds lineEnds) {
    if (Fill(1) == 0) return -1;
    char c = m_buffer[m_nBegin];
    if (c == kEndOfFileByte) {
        // Left unread, so every later read stops at it too.
        m_bEof = true;
        return -1;
    }
    if (c != '\r') {
        ++m_nBegin;
        return static_cast<unsigned char>(c);
    }
    size_t nCarriageReturns = 1;
    if (lineEnds == kAnyLineEnd)
        while (nCarriageReturns < kMaxCarriageReturnsBeforeLineFeed &&
               Fill(nCarriageReturns + 1) > nCarriageReturns && m_buffer[m_nBegin + nCarriageReturns] == '\r')
            ++nCarriageReturns;
    if (Fill(nCarriageReturns + 1) > nCarriageReturns && m_buffer[m_nBegin + nCarriageReturns] == '\n') {
        m_nBegin += nCarriageReturns + 1;
        return '\n';
    }
    ++m_nBegin;
    return lineEnds == kAnyLineEnd ? '\n' : '\r';
}

char* CFileStream::ReadLine(char* pszBuffer, int nSize, size_t* pnLength, ELineEnds lineEnds) {
    if (!m_pStdFile || m_bWriting || nSize < 2) return nullptr;
    size_t nMax = static_cast<size_t>(nSize) - 1;
    size_t nLength = 0;
    if (m_mode == kModeText) {
        while (nLength < nMax && Fill(1) > 0) {
            // Plain characters are copied in runs; the three that text mode
            // translates go through ReadTextByte one at a time.
            const char* pStart = m_buffer.get() + m_nBegin;
            size_t nRun = std::min(nMax - nLength, m_nEnd - m_nBegin);
            const size_t nPlain = CountPlainTextBytes(pStart, nRun);
            std::memcpy(pszBuffer + nLength, pStart, nPlain);
            nLength += nPlain;
            m_nBegin += nPlain;
            if (nPlain == nRun) continue;
            int c = ReadTextByte(lineEnds);
            if (c < 0) break;
            pszBuffer[nLength++] = static_cast<char>(c);
            if (c == '\n') break;
        }
    } else {
        while (nLength < nMax && Fill(1) > 0) {
            const char* pStart = m_buffer.get() + m_nBegin;
            size_t nRun = std::min(nMax - nLength, m_nEnd - m_nBegin);
            const void* pLineEnd = std::memchr(pStart, '\n', nRun);
            if (pLineEnd) nRun = static_cast<size_t>(static_cast<const char*>(pLineEnd) - pStart) + 1;
            std::memcpy(pszBuffer + nLength, pStart, nRun);
            nLength += nRun;
            m_nBegin += nRun;
            if (pLineEnd) break;
        }
    }
    if (m_bError || nLength == 0) return nullptr;
    pszBuffer[nLength] = '\0';
    if (pnLength) *pnLength = nLength;
    return pszBuffer;
}

int CFileStream::PeekByte() {
    if (m_bWriting || Fill(1) == 0) return -1;
    return static_cast<unsigned char>(m_buffer[m_nBegin]);
}

const char* CFileStream::PeekLine(size_t nMax, size_t& nLength) {
    if (!m_pStdFile || m_bWriting || m_mode != kModeText || nMax >= kBufferSize) return nullptr;
    size_t nScan = std::min(Fill(1), nMax);
    size_t nPlain = CountPlainTextBytes(m_buffer.get() + m_nBegin, nScan);
    if (nPlain == nScan && nScan < nMax) {
        // The line may end beyond what the buffer holds: it is topped up
        // once, keeping what is unread.
        nScan = std::min(Fill(nMax), nMax);
        nPlain = CountPlainTextBytes(m_buffer.get() + m_nBegin, nScan);
    }
    char* const pLine = m_buffer.get() + m_nBegin;
    if (nPlain == nScan) return nullptr;
    size_t nLineEnd = 1;
    if (pLine[nPlain] != '\n') {
        // A CR LF line end is the '\n' that text mode makes of it, put in
        // the CR's place in the buffer, whose bytes are consumed with the line.
        if (pLine[nPlain] != '\r' || nPlain + 1 >= nScan || pLine[nPlain + 1] != '\n') return nullptr;
        pLine[nPlain] = '\n';
        nLineEnd = 2;
    }
    nLength = nPlain + 1;
    m_nBegin += nPlain + nLineEnd;
    return pLine;
}

size_t CFileStream::Read(void* pBuffer, size_t nBytes) {
    if (!m_pStdFile || m_bWriting) return 0;
    char* pOut = static_cast<char*>(pBuffer);
    size_t nDone = 0;
    if (m_mode == kModeText) {
        while (nDone < nBytes) {
            int c = ReadTextByte();
            if (c < 0) break;
            pOut[nDone++] = static_cast<char>(c);
        }
        return nDone;
    }
    while (nDone < nBytes && Fill(1) > 0) {
        size_t nRun = std::min(nBytes - nDone, m_nEnd - m_nBegin);
        std::memcpy(pOut + nDone, m_buffer.get() + m_nBegin, nRun);
        nDone += nRun;
        m_nBegin += nRun;
    }
    return nDone;
}

int CFileStream::Flush() {
    if (m_nEnd == 0) return 1;
    size_t nWritten = std::fwrite(m_buffer.get(), 1, m_nEnd, m_pStdFile);
    m_nBufferOffset += static_cast<int64_t>(nWritten);
    if (nWritten != m_nEnd) {
        if (!m_bWriteFailed) m_strWriteError = std::generic_category().message(errno);
        m_bError = true;
        m_bWriteFailed = true;
        m_nEnd = 0;
        return 0;
    }
    m_nEnd = 0;
    return 1;
}

size_t CFileStream::Write(const void* pData, size_t nBytes) {
    if (!m_pStdFile || !m_bWriting || m_bError) return 0;
    const char* pIn = static_cast<const char*>(pData);
    size_t nTaken = 0;
    while (nTaken < nBytes) {
        bool bLineEnd = m_mode == kModeText && pIn[nTaken] == '\n';
        size_t nNeeded = bLineEnd ? 2 : 1;
        if (kBufferSize - m_nEnd < nNeeded && !Flush()) return nTaken;
        if (bLineEnd) {
            m_buffer[m_nEnd++] = '\r';
            m_buffer[m_nEnd++] = '\n';
            ++nTaken;
            continue;
        }
        size_t nRun = std::min(kBufferSize - m_nEnd, nBytes - nTaken);
        if (m_mode == kModeText) {
            const void* pLineEnd = std::memchr(pIn + nTaken, '\n', nRun);
            if (pLineEnd) nRun = static_cast<size_t>(static_cast<const char*>(pLineEnd) - (pIn + nTaken));
        }
        std::memcpy(m_buffer.get() + m_nEnd, pIn + nTaken, nRun);
        m_nEnd += nRun;
        nTaken += nRun;
    }
    return nTaken;
}

int CFileStream::WriteString(const char* psz) {
    size_t nLength = std::strlen(psz);
    return Write(psz, nLength) == nLength ? 1 : 0;
}

int CFileStream::Rewind() {
    if (!m_pStdFile) return 0;
    if (m_bWriting && !Flush()) return 0;
    if (std::fseek(m_pStdFile, 0, SEEK_SET) != 0) {
        m_bError = true;
        return 0;
    }
    std::clearerr(m_pStdFile);
    m_nBegin = 0;
    m_nEnd = 0;
    m_nBufferOffset = 0;
    m_bError = false;
    m_bEof = false;
    return 1;
}

int64_t CFileStream::Tell() const {
    return m_nBufferOffset + static_cast<int64_t>(m_bWriting ? m_nEnd : m_nBegin);
}

int64_t CFileStream::GetLength() const {
    if (!m_pStdFile) return -1;
    int64_t nSize = FileSizeOf(m_pStdFile);
    if (nSize < 0) return -1;
    // Bytes still in the buffer are part of the file being written.
    return m_bWriting ? std::max(nSize, Tell()) : nSize;
}

int CFileStream::Close() {
    if (!m_pStdFile) return 0;
    int bDone = 1;
    if (m_bWriting && !Flush()) bDone = 0;
    if (m_bWriteFailed) bDone = 0;
    if (m_replacement.pFile) {
        if (!CloseReplacement(m_replacement, bDone != 0, &m_strWriteError)) bDone = 0;
    } else if (std::fclose(m_pStdFile) != 0) {
        if (m_strWriteError.empty()) m_strWriteError = std::generic_category().message(errno);
        bDone = 0;
    }
    m_pStdFile = nullptr;
    return bDone;
}
