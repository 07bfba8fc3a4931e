#pragma once

#include <string>
#include <vector>

// What a finished program left behind.
struct CProgramRun {
    // The exit status, or -1 when the program did not exit normally (a
    // signal, or it could not be started).
    int nExitStatus = -1;
    std::string strOut;
    std::string strErr;
};

// How a program is started, beyond its arguments (POSIX only; Windows runs
// every program the plain way).
struct CRunOptions {
    // As a user whom permissions bind (see unprivileged.h).
    bool bUnprivileged = false;
    // Standard output goes to this file instead of being captured; "-"
    // starts the program with its standard output closed.
    std::string stdoutPath;
};

// Runs a program to its end in `workingDirectory`, with `input` as its whole
// standard input. A name without a slash is looked up on PATH.
CProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                       const std::string& input = "", const CRunOptions& options = CRunOptions());

// Whether a program of that name is on PATH.
bool IsOnPath(const std::string& program);
