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

    std::FILE* m_pFile = nullptr;
    std::string m_strTarget;
    // Empty when the target is written directly.
    std::string m_strTemporary;
    std::string m_strError;
};
