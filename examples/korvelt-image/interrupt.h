#pragma once

// Ctrl-C while the tool runs. The handler only sets a flag: the load or save
// in progress learns of it at its next status bar call, where the flag
// becomes a Cancel of the running file, so the image is rolled back and the
// file closed as after any cancel. A second Ctrl-C ends the program at once,
// for a tool that waits on something else (a question, a slow disk).
void InstallInterruptHandler();
bool IsInterrupted();
