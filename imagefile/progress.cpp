#include "imagefile/progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "host/host_interface.h"

int ComputePercent(uint64_t nDone, uint64_t nTotal) {
    if (nTotal == 0) return 0;
    if (nDone >= nTotal) return 100;
    // Dropping the same low bits of both keeps the ratio within one percent
    // step and makes room for the factor 100.
    while (nTotal > UINT64_MAX / 100) {
        nTotal >>= 1;
        nDone >>= 1;
    }
    // Unfinished work never shows 100, however the low bits fell.
    return std::min(99, static_cast<int>(nDone * 100 / nTotal));
}

CProgressDisplay::CProgressDisplay(int bShowProgress, const char* pszTitleFormat, const char* pszFileName)
    : m_pBar(bShowProgress ? GetHost().GetStatusBar() : nullptr) {
    if (!m_pBar) return;
    char szTitle[300];
    std::snprintf(szTitle, sizeof szTitle, pszTitleFormat, pszFileName);
    m_pBar->SetPaneNormalStyle(1);
    m_pBar->SetPaneText(0, szTitle);
    m_pBar->Repaint();
}

void CProgressDisplay::ShowPercent(int nPercent) {
    if (!m_pBar) return;
    char szPercent[16];
    std::snprintf(szPercent, sizeof szPercent, "%d%%", nPercent);
    m_pBar->SetPaneText(1, szPercent);
    m_pBar->Repaint();
}

void CProgressDisplay::Finish() {
    if (!m_pBar) return;
    ShowPercent(100);
    m_pBar->SetPaneText(1, "");
    m_pBar->SetPaneText(0, "");
    m_pBar->Repaint();
}
