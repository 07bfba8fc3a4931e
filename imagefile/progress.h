#pragma once

#include <cstdint>

class CStatusBar;

// Percentage of nDone out of nTotal, 0 to 100, for any 64-bit values: files
// and totals above 2 GiB must not overflow the multiplication by 100. An
// unknown (zero) total gives 0, and nDone beyond nTotal (a file that grew while
// it was read) gives 100.
int ComputePercent(uint64_t nDone, uint64_t nTotal);

// The host's status bar while a file is loaded or saved: pane 0 names the
// operation, pane 1 shows its percentage. Off when the caller did not ask for
// progress or the host has no status bar; every call then does nothing.
class CProgressDisplay {
public:
    // pszTitleFormat is "Loading File %s" or "Saving File %s".
    CProgressDisplay(int bShowProgress, const char* pszTitleFormat, const char* pszFileName);

    void ShowPercent(int nPercent);
    // 100%, then both panes emptied.
    void Finish();

private:
    CStatusBar* m_pBar;
};
