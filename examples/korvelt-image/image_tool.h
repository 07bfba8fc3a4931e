#pragma once

#include "terminal_host.h"
#include "tool_options.h"

enum EExitStatus {
    kExitDone = 0,
    // Not every byte arrived: a file that did not load or not whole, nothing
    // to save, or a save that failed.
    kExitFailed = 1,
    kExitBadArguments = 2,
    // Ctrl-C: 128 plus the number of SIGINT, as a shell reports a program
    // that the signal ended.
    kExitCancelled = 130,
};

// Loads the input files into one image, shows its areas and saves it when an
// output is named. Speaks to the user through GetHost(); the bar is the one
// that the host hands the drivers, where a Ctrl-C cancels the running file.
int RunImageTool(const CToolOptions& options, CTerminalStatusBar& bar);
