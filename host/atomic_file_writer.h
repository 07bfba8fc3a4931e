#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// How convert and the image file drivers replace a file, so that a failure at
// any point (a full disk, a refused write, an interrupt) leaves the old file
// whole, and the replacement gets around none of the protections of the old
// one:
//  - An existing file that the user may not open for writing is refused
//    before anything is written, as a plain create-or-truncate refuses it.
//  - The new bytes go to a new file beside the target, private to the user
//    until it takes the target's place by a rename once every byte is
//    written. The new file gets the old one's mode and group.
//  - Where a rename would change what the old file is (another user owns it,
//    it has other hard links) or cannot be made (a directory that refuses a
//    new file or a rename), the bytes are gathered elsewhere and written over
//    the old file in place, after the space for them has been reserved: a
//    full disk is found before the first old byte changes.
//  - A symbolic link is followed: the link stays and the file it names is
//    replaced. A device or a pipe cannot be replaced and is written directly.
struct CReplacementFile {
    enum EMethod { kDirect, kRename, kInPlace };

    // Where the bytes go until the close.
    std::FILE* pFile = nullptr;
    EMethod method = kDirect;
    std::string strTarget;
    // kRename: the new file beside the target.
    std::string strTemporary;
    // The target, open for writing: kInPlace writes through it; kRename keeps
    // it, where the system allows, for the case that the rename fails. -1
    // when the target is new.
    int nTargetHandle = -1;
    // kRename: the mode that the new file takes just before the rename, or -1.
    int nMode = -1;
    // kRename on Windows: the attributes of the old file, which the new one
    // takes at the rename; 0 when the target is new.
    unsigned long nAttributes = 0;
};

// Opens the file that takes the bytes meant for targetPath. False, with
// errno set, when the target may not be written or no such file can be made.
bool OpenReplacement(const std::string& targetPath, CReplacementFile& replacement);
// Closes the file; with bKeep, and when everything succeeds, the new bytes
// take the target's place, otherwise they are discarded. False, with the
// reason in *pError, when bKeep was not fulfilled.
bool CloseReplacement(CReplacementFile& replacement, bool bKeep, std::string* pError);

// A replacement written through a few calls, for a caller that knows why each
// step failed in the system's words.
class CAtomicFileWriter {
public:
    CAtomicFileWriter() = default;
    // Discards the new bytes unless Commit succeeded.
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
