#pragma once

// A command that replaces a file through a new file beside it would leave
// that file behind when an interrupt ends it. While a CInterruptCleanup
// lives, SIGINT, SIGTERM (and SIGHUP where there is one) first remove the
// new file that a replacement is writing, then end the process as the signal
// would have. Only a program's main code makes one: a library does not take
// a host application's signals.
class CInterruptCleanup {
public:
    CInterruptCleanup();
    ~CInterruptCleanup();
    CInterruptCleanup(const CInterruptCleanup&) = delete;
    CInterruptCleanup& operator=(const CInterruptCleanup&) = delete;
};

// The file that an interrupt removes; null when there is none. Called by the
// replacement code as it creates and renames or removes its new file.
void NoteTemporaryFile(const char* pszPath);
