#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Replaces a file only once its new contents are complete. The bytes go to a
// new temporary file in the target's directory, which is renamed over the
// target when every write and the close have succeeded; until then, and after
// any failure, an existing file of that name stays as it was and the temporary
// file is removed again.
//
// A symbolic link is followed: the link stays and the file it names is
// replaced, as if the target had been opened for writing. A target that exists
// but is neither a regular file nor a directory (a device such as /dev/null, a
// pipe) cannot be replaced and is written directly.
// The open file behind a replacement: a new temporary file beside the target
// (links followed), or the target itself when it is a device or a pipe, which
// cannot be replaced.
struct CReplacementFile {
    std::FILE* pFile = nullptr;
    std::string strTarget;
    // Empty when the target is written directly.
    std::string strTemporary;
};

// Opens the file that takes the bytes meant for targetPath. False, with
// errno set, when no such file can be made.
bool OpenReplacement(const std::string& targetPath, CReplacementFile& replacement);
// Closes the file; with bKeep, and when the close succeeds, the temporary
// file takes the target's place, otherwise it is removed. False, with the
// reason in *pError, when bKeep was not fulfilled.
bool CloseReplacement(CReplacementFile& replacement, bool bKeep, std::string* pError);

class CAtomicFileWriter {
public:
    CAtomicFileWriter() = default;
    // Discards the temporary file unless Commit succeeded.
    ~CAtomicFileWriter();

    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    bool Open(const std::string& targetPath);
    // Fails before Open and after any failed step.
    bool Write(const void* pData, size_t nLength);
    // Writes out what is buffered, closes the file and puts it in place.
    bool Commit();

    // Why the last failed step failed, in the system's words, such as "No
    // space left on device".
    const std::string& GetError() const { return m_strError; }

private:
    bool Fail(int nErrno);
    void Discard();

    CReplacementFile m_file;
    std::string m_strError;
};
